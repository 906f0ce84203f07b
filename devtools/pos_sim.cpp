#include "devtools/pos_sim.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstring>
#include <functional>
#include <thread>

#include "devtools/demo_tables.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "tables/cursor.h"
#include "tables/dbf.h"
#include "tables/dbf_header.h"
#include "tables/dbf_record.h"
#include "tables/ntx.h"
#include "tables/ntx_build.h"
#include "tables/ntx_header.h"
#include "tables/table.h"
#include "tables/table_index.h"

namespace devtools {

using platform::Status;

namespace {

std::string trimmed(std::string_view text);

// How long an action waits for another program's lock or exclusive open
// before it counts as busy, as the engine's own writes do.
constexpr int kLockWaitMs = 2000;

const platform::OpenMode kSharedWrite{platform::Access::ReadWrite, platform::Share::Shared,
                                      platform::Disposition::Existing};
const platform::OpenMode kSharedRead{platform::Access::ReadOnly, platform::Share::Shared,
                                     platform::Disposition::Existing};

bool isBusy(const Status& st) {
    return st.code() == Status::Code::Locked || st.code() == Status::Code::NotFound;
}

Status readExact(platform::File& file, std::uint64_t offset, std::size_t length,
                 std::string* bytes) {
    bytes->resize(length);
    std::size_t got = 0;
    Status st = file.readAt(offset, bytes->data(), length, &got);
    if (st.isOk() && got != length) st = Status::corrupt("the file is shorter than its header says");
    return st;
}

Status readWhole(platform::File& file, std::string* bytes) {
    std::uint64_t size = 0;
    Status st = file.size(&size);
    if (st.isOk()) st = readExact(file, 0, std::size_t(size), bytes);
    return st;
}

// Writes `bytes` as the whole new file `path` and flushes it.
Status writeNewFile(const std::string& path, const std::string& bytes) {
    std::unique_ptr<platform::File> file;
    Status st = platform::openFile(path, {platform::Access::ReadWrite, platform::Share::Shared,
                                          platform::Disposition::Replace},
                                   &file);
    if (st.isOk()) st = file->writeAt(0, bytes.data(), bytes.size());
    if (st.isOk()) st = file->sync();
    return st.inFile(path);
}

// Calls `each` with every record of `table` in record order, read in bulk.
Status forEachRecord(tables::Table& table,
                     const std::function<void(std::uint32_t, std::string_view)>& each) {
    std::uint32_t count = 0;
    Status st = table.recordCount(&count);
    std::string chunk;
    const std::size_t length = table.recordLength();
    for (std::uint32_t first = 1; st.isOk() && first <= count; first += 4096) {
        std::uint32_t n = std::min<std::uint32_t>(4096, count - first + 1);
        st = table.readRecords(first, n, &chunk);
        for (std::uint32_t i = 0; st.isOk() && i < n; ++i) {
            each(first + i, std::string_view(chunk).substr(i * length, length));
        }
    }
    return st;
}

// Opens `path`, waiting for another program's exclusive open to end.
Status openWaiting(const std::string& path, platform::OpenMode mode,
                   std::unique_ptr<platform::File>* file) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kLockWaitMs);
    for (;;) {
        Status st = platform::openFile(path, mode, file);
        if (st.code() != Status::Code::Locked || std::chrono::steady_clock::now() >= deadline) {
            return st.inFile(path);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

// Where the version written here (" V7") begins in the trimmed description
// `desc`, or npos when it has none.
std::size_t versionAt(std::string_view desc) {
    std::size_t digits = 0;
    while (digits < desc.size() && digits < 9 &&
           std::isdigit(static_cast<unsigned char>(desc[desc.size() - 1 - digits]))) {
        ++digits;
    }
    if (digits == 0 || desc.size() < digits + 2 || desc.substr(desc.size() - digits - 2, 2) != " V") {
        return std::string_view::npos;
    }
    return desc.size() - digits - 2;
}

std::string trimmed(std::string_view text) {
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    return std::string(text);
}

std::string csvQuoted(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

// The version in a description, 0 when it has none.
std::uint32_t parseVersion(std::string_view desc) {
    std::string text = trimmed(desc);
    std::size_t at = versionAt(text);
    return at == std::string::npos ? 0 : std::uint32_t(std::stoul(text.substr(at + 2)));
}

double wallSeconds() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace

const char* actionName(PosAction action) {
    switch (action) {
    case PosAction::Rewrite: return "rewrite";
    case PosAction::RewritePieces: return "rewrite-pieces";
    case PosAction::Append: return "append";
    case PosAction::HoldIndex: return "hold-index";
    case PosAction::Exclusive: return "exclusive";
    case PosAction::Reindex: return "reindex";
    case PosAction::Replace: return "replace";
    case PosAction::Delete: return "delete";
    }
    return "?";
}

// The parts of a table's header an action needs, read from the file.
struct PosSim::Layout {
    tables::DbfHeader header;
    std::vector<tables::DbfField> fields;
    std::uint32_t count = 0;  // records the file holds whole
    int code = -1, desc = -1;
    int value = -1;  // PRICE, else MASS, else none

    std::uint64_t offset(std::uint32_t recno) const {
        return header.headerLength + std::uint64_t(recno - 1) * header.recordLength;
    }
    const tables::DbfField& field(int i) const { return fields[std::size_t(i)]; }

    static Status read(platform::File& file, Layout* out) {
        std::string head, area;
        Status st = readExact(file, 0, tables::kDbfHeaderSize, &head);
        int year, month, day;
        tables::localToday(&year, &month, &day);
        if (st.isOk()) {
            st = tables::decodeDbfHeader(reinterpret_cast<const std::uint8_t*>(head.data()), year,
                                         &out->header);
        }
        if (st.isOk()) {
            st = readExact(file, tables::kDbfHeaderSize,
                           out->header.headerLength - tables::kDbfHeaderSize, &area);
        }
        if (st.isOk()) {
            st = tables::decodeDbfFields(reinterpret_cast<const std::uint8_t*>(area.data()),
                                         area.size(), out->header, &out->fields);
        }
        std::uint64_t size = 0;
        if (st.isOk()) st = file.size(&size);
        if (!st.isOk()) return st;
        std::uint64_t room = size > out->header.headerLength
                                 ? (size - out->header.headerLength) / out->header.recordLength
                                 : 0;
        out->count = std::uint32_t(std::min<std::uint64_t>(out->header.recordCount, room));
        out->code = tables::findDbfField(out->fields, "CODE");
        out->desc = tables::findDbfField(out->fields, "DESC");
        out->value = tables::findDbfField(out->fields, "PRICE");
        if (out->value < 0) out->value = tables::findDbfField(out->fields, "MASS");
        if (out->code < 0 || out->desc < 0 || out->field(out->code).type != 'C' ||
            out->field(out->desc).type != 'C') {
            return Status::invalid("the table has no character fields CODE and DESC");
        }
        if (out->value >= 0 && out->field(out->value).type != 'N') out->value = -1;
        return {};
    }

    // Puts `version` into the description (" V7" at its end, in place of an
    // earlier one, the text before it cut to make room) and the price.
    Status stamp(std::string* record, std::uint32_t version) const {
        const tables::DbfField& d = field(desc);
        std::string text = trimmed(tables::fieldBytes(*record, d));
        if (std::size_t at = versionAt(text); at != std::string::npos) text.erase(at);
        std::string suffix = " V" + std::to_string(version);
        if (suffix.size() > d.length) return Status::invalid("the description is too short for a version");
        text = text.substr(0, d.length - suffix.size()) + suffix;
        tables::putFieldText(record, d, text);
        return value < 0 ? Status() : tables::putFieldNumber(record, field(value), version);
    }
};

PosSim::~PosSim() {
    if (m_journal) std::fclose(m_journal);
}

Status PosSim::open(const PosSimConfig& config, const std::string& journalPath,
                    const std::atomic<bool>* stop, std::unique_ptr<PosSim>* out) {
    out->reset();
    if (config.tables.empty()) return Status::invalid("no table to work on");
    std::unique_ptr<PosSim> sim(new PosSim);
    sim->m_config = config;
    for (const std::string& t : config.tables) {
        if (!sim->indexOf(t)) return Status::invalid("no inventory table " + t + " (istock, imerch, isub)");
        for (const std::string& name : {t + ".dbf", std::string(sim->indexOf(t))}) {
            if (!platform::isFile(sim->path(name))) {
                return Status::notFound("no file " + name + " in the data folder").inFile(sim->path(name));
            }
        }
    }
    for (double r : config.rates) {
        if (!std::isfinite(r) || r < 0 || r > 10000) return Status::invalid("a rate must be 0 to 10000 per second");
    }
    for (double s : {config.piecePause, config.holdSeconds, config.exclusiveSeconds, config.goneSeconds}) {
        if (!std::isfinite(s) || s < 0 || s > 86400) return Status::invalid("a pause must be 0 to 86400 seconds");
    }
    sim->m_stop = stop;
    sim->m_rng.seed(config.seed);
    sim->m_journal = std::fopen(journalPath.c_str(), "ab");
    if (!sim->m_journal) return Status::ioError("cannot open the journal").inFile(journalPath);
    std::fseek(sim->m_journal, 0, SEEK_END);
    if (std::ftell(sim->m_journal) == 0) {
        std::fputs("time,table,code,recno,version,description,price,action\n", sim->m_journal);
        if (std::fflush(sim->m_journal) != 0) return Status::ioError("cannot write the journal").inFile(journalPath);
    }
    *out = std::move(sim);
    return {};
}

std::string PosSim::path(const std::string& name) const { return m_config.dataFolder + "/" + name; }

const char* PosSim::indexOf(const std::string& table) const {
    for (const InventoryFile& f : kInventoryFiles) {
        if (table + ".dbf" == f.table) return f.index;
    }
    return nullptr;
}

double PosSim::exponential(double rate) {
    double u = (double(m_rng() >> 11) + 0.5) / 9007199254740992.0;  // in (0, 1)
    return -std::log(u) / rate;
}

void PosSim::send(PosAction action, const char* phase, const std::string& table,
                  const std::string& file, std::uint32_t recno) {
    if (m_observer) m_observer({action, phase, table, file, recno});
}

void PosSim::pause(double seconds) const {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point until =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    while (!(m_stop && m_stop->load())) {
        Clock::duration left = until - Clock::now();
        if (left <= Clock::duration::zero()) return;
        std::this_thread::sleep_for(std::min<Clock::duration>(left, std::chrono::milliseconds(10)));
    }
}

Status PosSim::journal(const std::string& table, const Layout& layout, std::uint32_t recno,
                       const std::string& record, std::uint32_t version, const char* action) {
    std::string price =
        layout.value < 0 ? "" : trimmed(tables::fieldBytes(record, layout.field(layout.value)));
    int written = std::fprintf(m_journal, "%.6f,%s,%s,%u,%u,%s,%s,%s\n", wallSeconds(), table.c_str(),
                 csvQuoted(trimmed(tables::fieldBytes(record, layout.field(layout.code)))).c_str(),
                 unsigned(recno), unsigned(version),
                 csvQuoted(trimmed(tables::fieldBytes(record, layout.field(layout.desc)))).c_str(),
                 price.c_str(), action);
    if (written < 0 || std::fflush(m_journal) != 0) {
        return Status::ioError("cannot write the journal (the version was written to the table)");
    }
    m_seen.insert({table, recno});
    return {};
}

Status PosSim::nextVersion(const std::string& table, const Layout& layout, std::uint32_t recno,
                           std::string* record, std::uint32_t* version) {
    std::uint32_t current = parseVersion(tables::fieldBytes(*record, layout.field(layout.desc)));
    Status st;
    if (!m_seen.count({table, recno})) st = journal(table, layout, recno, *record, current, "found");
    *version = current + 1;
    return st.isOk() ? layout.stamp(record, *version) : st;
}

Status PosSim::run(PosAction action) {
    const std::string table = m_config.tables[draw(m_config.tables.size())];
    send(action, "begin", table);
    Status st;
    switch (action) {
    case PosAction::Rewrite: st = rewrite(table, false); break;
    case PosAction::RewritePieces: st = rewrite(table, true); break;
    case PosAction::Append: st = append(table); break;
    case PosAction::HoldIndex: st = holdIndex(table); break;
    case PosAction::Exclusive: st = exclusive(table); break;
    case PosAction::Reindex: st = writeIndex(action, table, IndexWrite::Truncated); break;
    case PosAction::Replace: st = replace(table); break;
    case PosAction::Delete: st = removeForAWhile(table); break;
    }
    send(action, "end", table);
    auto& count = st.isOk() ? m_counts.done : isBusy(st) ? m_counts.busy : m_counts.failed;
    ++count[int(action)];
    return st;
}

void PosSim::runSchedule(double seconds, std::uint64_t maxActions) {
    double next[kPosActionCount];
    for (int a = 0; a < kPosActionCount; ++a) {
        next[a] = m_config.rates[a] > 0 ? exponential(m_config.rates[a]) : INFINITY;
    }
    const auto start = std::chrono::steady_clock::now();
    auto elapsed = [&] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    for (std::uint64_t n = 0; !(m_stop && m_stop->load()) && (maxActions == 0 || n < maxActions); ++n) {
        int a = int(std::min_element(next, next + kPosActionCount) - next);
        if (std::isinf(next[a])) break;
        if (seconds > 0 && next[a] > seconds) {
            pause(seconds - elapsed());
            break;
        }
        pause(next[a] - elapsed());
        if (m_stop && m_stop->load()) break;
        Status st = run(PosAction(a));
        if (!st.isOk() && !isBusy(st)) {
            std::fprintf(stderr, "lumisett-pos-sim: %s: %s%s%s\n", actionName(PosAction(a)),
                         st.file().c_str(), st.file().empty() ? "" : ": ", st.message().c_str());
        }
        next[a] += exponential(m_config.rates[a]);
    }
}

// --- the actions ---

Status PosSim::rewrite(const std::string& table, bool pieces) {
    const PosAction action = pieces ? PosAction::RewritePieces : PosAction::Rewrite;
    const std::string file = path(table + ".dbf");
    std::unique_ptr<platform::File> f;
    Layout layout;
    Status st = openWaiting(file, kSharedWrite, &f);
    if (st.isOk()) st = Layout::read(*f, &layout);
    if (!st.isOk() || layout.count == 0) return st.inFile(file);
    const std::uint32_t recno = 1 + std::uint32_t(draw(layout.count));
    const std::uint64_t lock = tables::Dbf::kLockBase + recno;
    st = f->lock(lock, 1, true, kLockWaitMs);
    if (!st.isOk()) return st.inFile(file);
    std::string record;
    std::uint32_t version = 0;
    st = readExact(*f, layout.offset(recno), layout.header.recordLength, &record);
    if (st.isOk()) st = nextVersion(table, layout, recno, &record, &version);
    if (st.isOk() && pieces) {
        // The description first, the price after the pause.
        std::size_t split = layout.value >= 0 ? layout.field(layout.value).offset : record.size() / 2;
        st = f->writeAt(layout.offset(recno), record.data(), split);
        if (st.isOk()) {
            send(action, "held", table, file, recno);
            pause(m_config.piecePause);
            st = f->writeAt(layout.offset(recno) + split, record.data() + split, record.size() - split);
        }
    } else if (st.isOk()) {
        st = f->writeAt(layout.offset(recno), record.data(), record.size());
        if (st.isOk()) send(action, "held", table, file, recno);
    }
    if (st.isOk()) {
        // The date of the last update, as every writer stamps it.
        int year, month, day;
        tables::localToday(&year, &month, &day);
        const std::uint8_t date[3] = {std::uint8_t(year - 1900), std::uint8_t(month), std::uint8_t(day)};
        st = f->writeAt(1, date, sizeof date);
    }
    static_cast<void>(f->unlock(lock, 1));  // goes with the handle otherwise
    if (st.isOk()) st = journal(table, layout, recno, record, version, actionName(action));
    return st.inFile(file);
}

Status PosSim::newCode(const std::string& table, std::string* code) {
    std::set<std::string>& codes = m_codes[table];
    if (codes.empty()) {
        std::unique_ptr<tables::Table> t;
        Status st = tables::Table::open(path(table + ".dbf"), true, true, &t);
        int k = st.isOk() ? t->fieldIndex("CODE") : -1;
        if (st.isOk() && k < 0) st = Status::invalid("the table has no field CODE").inFile(t->path());
        if (st.isOk()) {
            const tables::DbfField& field = t->fields()[std::size_t(k)];
            st = forEachRecord(*t, [&](std::uint32_t, std::string_view record) {
                codes.insert(std::string(tables::fieldBytes(record, field)));
            });
        }
        if (!st.isOk()) return st;
    }
    for (int attempt = 0; attempt < 1000; ++attempt) {
        char text[16];
        if (table == "istock") {
            std::snprintf(text, sizeof text, "P%c%05u", char('A' + draw(26)), unsigned(draw(100000)));
        } else {
            std::snprintf(text, sizeof text, "9%06u", unsigned(draw(1000000)));
        }
        if (codes.insert(text).second) {
            *code = text;
            return {};
        }
    }
    return Status::invalid("no free item code left for an append").inFile(path(table + ".dbf"));
}

Status PosSim::append(const std::string& table) {
    const std::string file = path(table + ".dbf");
    std::unique_ptr<platform::File> f;
    Layout layout;
    Status st = openWaiting(file, kSharedRead, &f);
    if (st.isOk()) st = Layout::read(*f, &layout);
    f.reset();
    if (!st.isOk()) return st.inFile(file);
    // The new record copies a record of the table (a line of another merchandise
    // item for isub), under a new code for an item.
    std::unique_ptr<tables::Table> t;
    std::string record(layout.header.recordLength, ' ');
    st = tables::Table::open(file, true, false, &t);
    if (st.isOk() && layout.count > 0) {
        st = t->readRecords(1 + std::uint32_t(draw(layout.count)), 1, &record);
    } else if (st.isOk() && table == "isub") {
        st = Status::invalid("isub has no line to copy").inFile(file);
    }
    record[0] = tables::kLiveFlag;
    if (st.isOk() && table != "isub") {
        std::string code;
        st = newCode(table, &code);
        if (st.isOk()) tables::putFieldText(&record, layout.field(layout.code), code);
    }
    if (st.isOk()) {
        const tables::DbfField& d = layout.field(layout.desc);
        tables::putFieldText(&record, d, trimmed(tables::fieldBytes(record, d)));
        st = layout.stamp(&record, 1);
    }
    if (st.isOk()) st = t->appendBlank();
    for (std::size_t i = 0; st.isOk() && i < layout.fields.size(); ++i) {
        st = t->putText(layout.fields[i].name, tables::fieldBytes(record, layout.fields[i]));
    }
    if (st.isOk()) st = t->commit();
    if (!st.isOk()) return st;
    const std::uint32_t recno = t->recno();
    t.reset();
    st = journal(table, layout, recno, record, 1, "append");
    if (!st.isOk()) return st;
    return writeIndex(PosAction::Append, table,
                      m_config.indexUpdate == IndexUpdate::Rename ? IndexWrite::Beside : IndexWrite::Over);
}

Status PosSim::writeIndex(PosAction action, const std::string& table, IndexWrite how) {
    const std::string index = path(indexOf(table)), file = path(table + ".dbf");
    std::unique_ptr<platform::File> f;
    Status st = openWaiting(index, kSharedWrite, &f);
    if (!st.isOk()) return st;
    st = f->lock(tables::Ntx::kIndexLock, 1, true, kLockWaitMs);
    if (!st.isOk()) return st.inFile(index);
    std::string page;
    tables::NtxHeader old;
    st = readExact(*f, 0, tables::kNtxPageSize, &page);
    if (st.isOk()) st = tables::decodeNtxHeader(reinterpret_cast<const std::uint8_t*>(page.data()), &old);
    st = st.inFile(index);
    if (st.isOk() && action != PosAction::Replace) send(action, "held", table, index);

    // The keys of every record, in record order, as the engine's re-index reads them.
    std::unique_ptr<tables::Table> t;
    std::vector<std::uint8_t> keys;
    std::uint32_t count = 0;
    std::uint16_t keySize = 0;
    int k = -1;
    if (st.isOk()) st = tables::Table::open(file, true, true, &t);
    if (st.isOk()) {
        k = t->fieldIndex(tables::parseKeyExpression(old.keyExpression).field);
        st = k < 0 ? Status::invalid("the index key names no field of the table").inFile(index)
                   : tables::checkKeyField(t->fields()[std::size_t(k)]).inFile(index);
    }
    if (st.isOk()) {
        const tables::DbfField& field = t->fields()[std::size_t(k)];
        keySize = field.length;
        st = forEachRecord(*t, [&](std::uint32_t recno, std::string_view record) {
            keys.insert(keys.end(), record.begin() + field.offset,
                        record.begin() + field.offset + field.length);
            count = recno;
        });
    }
    t.reset();
    if (st.isOk()) {
        tables::NtxHeader fresh = tables::newNtxHeader(keySize, old.keyExpression);
        // A new change counter tells readers that cached pages are stale.
        fresh.version = std::uint16_t(old.version + 1);
        std::vector<std::uint32_t> order = tables::sortNtxKeys(keys.data(), keySize, count);
        auto image = std::make_shared<std::string>();
        if (how == IndexWrite::Truncated) {
            // As an engine's re-index: the file emptied, then written page by page.
            st = f->truncate(0);
            if (st.isOk()) st = tables::writeNtx(*f, fresh, keys.data(), order);
        } else {
            std::unique_ptr<platform::File> memory = platform::memoryFile(image);
            st = tables::writeNtx(*memory, fresh, keys.data(), order);
        }
        if (st.isOk() && how == IndexWrite::Over) {
            st = f->writeAt(0, image->data(), image->size());
            if (st.isOk()) st = f->truncate(image->size());
        }
        if (st.isOk() && how != IndexWrite::Beside) st = f->sync();
        if (st.isOk() && how == IndexWrite::Beside) {
            const std::string beside = index + ".new";
            st = writeNewFile(beside, *image);
            if (st.isOk() && action == PosAction::Replace) send(action, "held", table, beside);
            if (st.isOk()) st = platform::renameFile(beside, index);
            if (!st.isOk()) static_cast<void>(platform::removeFile(beside));
        }
        st = st.inFile(index);
    }
    static_cast<void>(f->unlock(tables::Ntx::kIndexLock, 1));
    return st;
}

Status PosSim::holdIndex(const std::string& table) {
    const std::string index = path(indexOf(table));
    std::unique_ptr<platform::File> f;
    Status st = openWaiting(index, kSharedWrite, &f);
    if (st.isOk()) st = f->lock(tables::Ntx::kIndexLock, 1, true, kLockWaitMs).inFile(index);
    if (!st.isOk()) return st;
    send(PosAction::HoldIndex, "held", table, index);
    pause(m_config.holdSeconds);
    return f->unlock(tables::Ntx::kIndexLock, 1).inFile(index);
}

Status PosSim::exclusive(const std::string& table) {
    const platform::OpenMode mode{platform::Access::ReadWrite, platform::Share::Exclusive,
                                  platform::Disposition::Existing};
    const std::string file = path(table + ".dbf");
    std::unique_ptr<platform::File> dbf, ntx;
    Status st = openWaiting(file, mode, &dbf);
    if (st.isOk()) st = openWaiting(path(indexOf(table)), mode, &ntx);
    if (!st.isOk()) return st;
    send(PosAction::Exclusive, "held", table, file);
    pause(m_config.exclusiveSeconds);
    return {};
}

Status PosSim::replace(const std::string& table) {
    if (draw(2) == 0) return writeIndex(PosAction::Replace, table, IndexWrite::Beside);
    // The table saved whole with a few records changed, as a till that
    // writes whole files does.
    const std::string file = path(table + ".dbf"), beside = file + ".new";
    std::unique_ptr<platform::File> f;
    auto image = std::make_shared<std::string>();
    Status st = openWaiting(file, kSharedRead, &f);
    if (st.isOk()) st = readWhole(*f, image.get());
    f.reset();
    if (!st.isOk()) return st.inFile(file);
    std::unique_ptr<platform::File> memory = platform::memoryFile(image);
    Layout layout;
    st = Layout::read(*memory, &layout);
    if (!st.isOk() || layout.count == 0) return st.inFile(file);
    std::set<std::uint32_t> chosen;
    for (std::uint64_t n = 1 + draw(3); n > 0; --n) chosen.insert(1 + std::uint32_t(draw(layout.count)));
    std::vector<std::pair<std::uint32_t, std::uint32_t>> written;  // recno, version
    for (std::uint32_t recno : chosen) {
        std::string record = image->substr(layout.offset(recno), layout.header.recordLength);
        std::uint32_t version = 0;
        st = nextVersion(table, layout, recno, &record, &version);
        if (!st.isOk()) return st.inFile(file);
        image->replace(layout.offset(recno), record.size(), record);
        written.push_back({recno, version});
    }
    st = writeNewFile(beside, *image);
    if (st.isOk()) send(PosAction::Replace, "held", table, beside);
    if (st.isOk()) st = platform::renameFile(beside, file).inFile(file);
    if (!st.isOk()) {
        static_cast<void>(platform::removeFile(beside));
        return st;
    }
    for (auto [recno, version] : written) {
        st = journal(table, layout, recno,
                     image->substr(layout.offset(recno), layout.header.recordLength), version,
                     "replace");
        if (!st.isOk()) return st;
    }
    return {};
}

Status PosSim::removeForAWhile(const std::string& table) {
    const std::string file = path(draw(2) == 0 ? table + ".dbf" : std::string(indexOf(table)));
    // Moved aside rather than deleted, so that no end of this program loses it.
    const std::string aside = file + ".pos-sim-gone";
    Status st = platform::renameFile(file, aside);
    if (!st.isOk()) return st.inFile(file);
    send(PosAction::Delete, "held", table, file);
    pause(m_config.goneSeconds);
    std::unique_ptr<platform::File> f;
    std::string bytes;
    st = platform::openFile(aside, kSharedRead, &f);
    if (st.isOk()) st = readWhole(*f, &bytes);
    f.reset();
    if (st.isOk()) st = writeNewFile(file, bytes);
    if (st.isOk()) return platform::removeFile(aside).inFile(aside);
    return Status(st.code(), st.message() + "; the old file is kept as " + aside).inFile(file);
}

}  // namespace devtools
