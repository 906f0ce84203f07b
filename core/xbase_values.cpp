#include "core/xbase_values.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace core {

double numericValue(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    std::string num;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) num += text[i++];
    bool digits = false;
    bool point = false;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c >= '0' && c <= '9') {
            num += c;
            digits = true;
        } else if (c == '.' && !point) {
            num += c;
            point = true;
        } else {
            break;
        }
    }
    if (!digits) return 0.0;
    return std::strtod(num.c_str(), nullptr);
}

namespace {

// Decimal digits of |value| as the shortest text that reads back as the same
// double, rounded half away from zero to `decimals` places. Returns the
// integer part and the fraction as separate digit strings.
void roundDecimal(double value, int decimals, std::string* intPart, std::string* fracPart) {
    char buf[400];  // the longest fixed-notation double needs about 330
    auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::fixed);
    std::string text = res.ec == std::errc() ? std::string(buf, res.ptr) : std::string("0");
    std::size_t dot = text.find('.');
    std::string ip = dot == std::string::npos ? text : text.substr(0, dot);
    std::string fp = dot == std::string::npos ? "" : text.substr(dot + 1);
    bool roundUp = false;
    if (int(fp.size()) > decimals) {
        roundUp = fp[std::size_t(decimals)] >= '5';
        fp.resize(std::size_t(decimals));
    }
    fp.append(std::size_t(decimals) - fp.size(), '0');
    if (roundUp) {
        std::string all = ip + fp;
        int k = int(all.size()) - 1;
        while (k >= 0 && all[std::size_t(k)] == '9') all[std::size_t(k--)] = '0';
        if (k < 0) {
            all.insert(all.begin(), '1');
        } else {
            ++all[std::size_t(k)];
        }
        ip = all.substr(0, all.size() - std::size_t(decimals));
        fp = all.substr(all.size() - std::size_t(decimals));
    }
    std::size_t nz = ip.find_first_not_of('0');
    ip = nz == std::string::npos ? "0" : ip.substr(nz);
    *intPart = ip;
    *fracPart = fp;
}

}  // namespace

std::string formatNumberTrimmed(double value, int decimals) {
    if (decimals < 0) decimals = 0;
    if (!std::isfinite(value)) return "";
    std::string ip, fp;
    roundDecimal(value, decimals, &ip, &fp);
    bool zero = ip == "0" && fp.find_first_not_of('0') == std::string::npos;
    std::string out = (value < 0 && !zero) ? "-" : "";
    out += ip;
    if (decimals > 0) out += "." + fp;
    return out;
}

std::string formatNumber(double value, int width, int decimals) {
    if (width < 0) width = 0;
    std::string text = formatNumberTrimmed(value, decimals);
    if (text.empty() || int(text.size()) > width) return std::string(std::size_t(width), '*');
    return std::string(std::size_t(width) - text.size(), ' ') + text;
}

char upperChar(char ch) {
    auto c = static_cast<unsigned char>(ch);
    if (c >= 'a' && c <= 'z') return char(c - 32);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return char(c - 32);
    switch (c) {
        case 0x9A: return char(0x8A);  // s caron
        case 0x9C: return char(0x8C);  // oe
        case 0x9E: return char(0x8E);  // z caron
        case 0xFF: return char(0x9F);  // y diaeresis
        default: return ch;
    }
}

char lowerChar(char ch) {
    auto c = static_cast<unsigned char>(ch);
    if (c >= 'A' && c <= 'Z') return char(c + 32);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return char(c + 32);
    switch (c) {
        case 0x8A: return char(0x9A);
        case 0x8C: return char(0x9C);
        case 0x8E: return char(0x9E);
        case 0x9F: return char(0xFF);
        default: return ch;
    }
}

std::string upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = upperChar(c);
    return out;
}

std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = lowerChar(c);
    return out;
}

std::string rtrim(std::string_view text) {
    std::size_t n = text.size();
    while (n > 0 && text[n - 1] == ' ') --n;
    return std::string(text.substr(0, n));
}

std::string ltrim(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    return std::string(text.substr(i));
}

std::string alltrim(std::string_view text) { return ltrim(rtrim(text)); }

bool isEmptyText(std::string_view text) {
    for (char c : text) {
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return false;
    }
    return true;
}

std::string replaceAll(std::string_view text, std::string_view what, std::string_view with) {
    if (what.empty()) return std::string(text);
    std::string out;
    std::size_t pos = 0;
    for (;;) {
        std::size_t hit = text.find(what, pos);
        if (hit == std::string_view::npos) break;
        out.append(text.substr(pos, hit - pos));
        out.append(with);
        pos = hit + what.size();
    }
    out.append(text.substr(pos));
    return out;
}

}  // namespace core
