#include "tables/dbf_header.h"

#include <cstring>

#include "tables/le.h"

namespace tables {

using platform::Status;

namespace {

// Field names are ASCII (letters, digits, "_"): their case is folded in ASCII.
char upperAscii(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

std::string upperName(std::string_view name) {
    std::string out(name);
    for (char& c : out) c = upperAscii(c);
    return out;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

}  // namespace

void encodeDbfHeader(const DbfHeader& h, std::uint8_t* out) {
    std::memset(out, 0, kDbfHeaderSize);
    out[0] = h.version;
    int year = h.year - 1900;
    out[1] = std::uint8_t(year < 0 ? 0 : year > 255 ? 255 : year);
    out[2] = std::uint8_t(h.month);
    out[3] = std::uint8_t(h.day);
    putLe32(out + 4, h.recordCount);
    putLe16(out + 8, h.headerLength);
    putLe16(out + 10, h.recordLength);
    out[29] = h.codePage;
}

Status decodeDbfHeader(const std::uint8_t* in, int currentYear, DbfHeader* h) {
    h->version = in[0];
    if (h->version != kDbfPlain && h->version != kDbfWithMemo) {
        return Status(Status::Code::Unsupported,
                      "not a dBase III table (version byte " + std::to_string(in[0]) + ")");
    }
    int y = in[1];
    h->year = y >= 100 ? 1900 + y : (2000 + y <= currentYear ? 2000 + y : 1900 + y);
    h->month = in[2];
    h->day = in[3];
    h->recordCount = getLe32(in + 4);
    h->headerLength = getLe16(in + 8);
    h->recordLength = getLe16(in + 10);
    h->codePage = in[29];
    if (h->headerLength < kDbfHeaderSize + kDbfFieldSize + 1) {
        return Status::corrupt("header length " + std::to_string(h->headerLength) + " too small");
    }
    if (h->recordLength < 2) {
        return Status::corrupt("record length " + std::to_string(h->recordLength) + " too small");
    }
    return {};
}

void encodeDbfField(const DbfField& f, std::uint8_t* out) {
    std::memset(out, 0, kDbfFieldSize);
    std::memcpy(out, f.name.data(), std::min<std::size_t>(f.name.size(), 10));
    out[11] = std::uint8_t(f.type);
    out[16] = f.length;
    out[17] = f.decimals;
}

Status decodeDbfFields(const std::uint8_t* area, std::size_t length, const DbfHeader& h,
                       std::vector<DbfField>* fields) {
    fields->clear();
    std::size_t pos = 0;
    unsigned offset = 1;
    for (;;) {
        if (pos >= length) return Status::corrupt("field descriptors have no end mark");
        if (area[pos] == kDbfFieldEnd) break;
        if (pos + kDbfFieldSize > length) return Status::corrupt("field descriptor cut short");
        const std::uint8_t* d = area + pos;
        DbfField f;
        std::size_t n = 0;
        while (n < 11 && d[n] != 0) ++n;
        if (n == 0 || n > 10) return Status::corrupt("field name missing or not ended");
        f.name.assign(reinterpret_cast<const char*>(d), n);
        f.type = char(d[11]);
        f.length = d[16];
        f.decimals = d[17];
        if (std::strchr("CNDLMF", f.type) == nullptr || f.type == 0) {
            return Status::corrupt("field " + f.name + " has unknown type " +
                                   std::to_string(int(d[11])));
        }
        if (f.length == 0) return Status::corrupt("field " + f.name + " has length 0");
        f.offset = std::uint16_t(offset);
        offset += f.length;
        if (offset > h.recordLength) break;  // reported below
        fields->push_back(std::move(f));
        pos += kDbfFieldSize;
    }
    if (fields->empty()) return Status::corrupt("table has no fields");
    if (offset != h.recordLength) {
        return Status::corrupt("record length " + std::to_string(h.recordLength) +
                               " does not match the fields (" + std::to_string(offset) + ")");
    }
    return {};
}

Status checkNewFields(std::vector<DbfField>* fields) {
    if (fields->empty() || fields->size() > 255) return Status::invalid("a table needs 1 to 255 fields");
    unsigned offset = 1;
    for (std::size_t i = 0; i < fields->size(); ++i) {
        DbfField& f = (*fields)[i];
        f.name = upperName(f.name);
        f.type = upperAscii(f.type);
        bool nameOk = !f.name.empty() && f.name.size() <= 10 && f.name[0] >= 'A' && f.name[0] <= 'Z';
        for (char c : f.name) {
            nameOk = nameOk && ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_');
        }
        if (!nameOk) return Status::invalid("bad field name '" + f.name + "'");
        if (findDbfField({fields->begin(), fields->begin() + long(i)}, f.name) >= 0) {
            return Status::invalid("field " + f.name + " appears twice");
        }
        bool sizeOk = false;
        switch (f.type) {
            case 'C': sizeOk = f.length >= 1 && f.length <= 254 && f.decimals == 0; break;
            case 'N':
                sizeOk = f.length >= 1 && f.length <= 20 &&
                         (f.decimals == 0 || f.decimals + 2 <= f.length);
                break;
            case 'D': sizeOk = f.length == 8 && f.decimals == 0; break;
            case 'L': sizeOk = f.length == 1 && f.decimals == 0; break;
            default:
                return Status::invalid("field " + f.name + ": type " + std::string(1, f.type) +
                                       " cannot be created");
        }
        if (!sizeOk) return Status::invalid("field " + f.name + ": bad length or decimals");
        f.offset = std::uint16_t(offset);
        offset += f.length;
    }
    if (offset > 65535) return Status::invalid("record longer than 65535 bytes");
    return {};
}

std::string newDbfImage(const std::vector<DbfField>& fields, int year, int month, int day) {
    DbfHeader h;
    h.year = year;
    h.month = month;
    h.day = day;
    h.headerLength = std::uint16_t(kDbfHeaderSize + kDbfFieldSize * fields.size() + 1);
    unsigned recordLength = 1;
    for (const auto& f : fields) recordLength += f.length;
    h.recordLength = std::uint16_t(recordLength);
    std::string image(h.headerLength + 1u, '\0');
    auto* p = reinterpret_cast<std::uint8_t*>(image.data());
    encodeDbfHeader(h, p);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        encodeDbfField(fields[i], p + kDbfHeaderSize + i * kDbfFieldSize);
    }
    p[h.headerLength - 1] = kDbfFieldEnd;
    p[h.headerLength] = kDbfEofMark;
    return image;
}

int findDbfField(const std::vector<DbfField>& fields, std::string_view name) {
    std::string wanted = upperName(trimmed(name));
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (upperName(fields[i].name) == wanted) return int(i);
    }
    return -1;
}

}  // namespace tables
