#include "workareas/work_area.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "core/xbase_values.h"
#include "errors/error.h"
#include "platform/path.h"
#include "platform/thread_exit.h"
#include "tables/cursor.h"
#include "tables/dbe.h"
#include "tables/table.h"
#include "tables/table_index.h"

namespace workareas {
namespace {

using platform::Status;

// Sub-codes of the DBFNTX subsystem.
enum SubCode {
    kSubOpen = 1001,
    kSubOpenIndex = 1003,
    kSubCreate = 1004,
    kSubCreateIndex = 1005,
    kSubRead = 1010,
    kSubWrite = 1011,
    kSubCorrupt = 1012,
    // kSubDamagedIndex = 1013 (work_area.h)
    kSubNoField = 1020,
    kSubNoOrder = 1021,
    kSubNotWritable = 1025,
    kSubNoArea = 1030,
    kSubAlias = 1031,
    kSubEngine = 1040,
};

struct Failure {
    Status status;
    int genCode = 0;
    int subCode = 0;
    std::string file;
};
using Outcome = std::optional<Failure>;

// A Corrupt or Unsupported status is a damaged file; in an index (`inIndex`)
// it gets its own sub-code, since re-indexing mends it.
Outcome failure(const Status& st, int genCode, int subCode, const std::string& file,
                bool inIndex = false) {
    if (st.isOk()) return std::nullopt;
    if (st.code() == Status::Code::Corrupt || st.code() == Status::Code::Unsupported) {
        return Failure{st, errors::kGenCorrupt, inIndex ? kSubDamagedIndex : kSubCorrupt, file};
    }
    return Failure{st, genCode, subCode, file};
}

Outcome misuse(const std::string& message, int genCode, int subCode, const std::string& file = "") {
    return Failure{Status::invalid(message), genCode, subCode, file};
}

struct Area {
    std::string alias;
    std::unique_ptr<tables::Table> table;
    std::unique_ptr<tables::Cursor> order;  // the controlling order; goes before the table
    bool found = false;
    const std::string& path() const { return table->path(); }
};

// The areas of one thread. The mutex is recursive because createIndex calls
// back into the caller, who may read fields meanwhile; it is shared only
// with commitAndCloseEverything.
struct AreaSet {
    std::recursive_mutex mutex;
    std::map<int, Area> areas;
    int current = 1;
};

// Never destroyed: the main thread's areas may be closed after static
// destructors ran (on Windows, at process exit).
std::mutex& registryMutex() {
    static auto* mutex = new std::mutex;
    return *mutex;
}
std::vector<std::shared_ptr<AreaSet>>& registry() {
    static auto* sets = new std::vector<std::shared_ptr<AreaSet>>;
    return *sets;
}

// Closing drops what cannot be written: the area goes in any case.
void closeSetQuietly(AreaSet& set) {
    std::lock_guard lock(set.mutex);
    for (auto& [n, a] : set.areas) static_cast<void>(a.table->commit());
    set.areas.clear();
}

// Registers the thread's areas for commitAndCloseEverything and closes them
// when the thread ends.
struct ThreadAreas {
    std::shared_ptr<AreaSet> set = std::make_shared<AreaSet>();
    ThreadAreas() {
        std::lock_guard lock(registryMutex());
        registry().push_back(set);
    }
    ~ThreadAreas() {
        closeSetQuietly(*set);
        std::lock_guard lock(registryMutex());
        auto& r = registry();
        r.erase(std::remove(r.begin(), r.end(), set), r.end());
    }
};

AreaSet& areas() {
    // A plain pointer per thread; the areas themselves are closed through
    // atThreadExit, not by a thread_local destructor (see thread_exit.h).
    thread_local AreaSet* t = nullptr;
    if (!t) {
        auto* owner = new ThreadAreas;
        platform::atThreadExit([](void* p) { delete static_cast<ThreadAreas*>(p); }, owner);
        t = owner->set.get();
    }
    return *t;
}

// Runs `op` under the thread's lock; raises its failure and retries it while
// the handler says so. False when the handler chose the default.
template <class Op>
bool attempt(const char* operation, Op op) {
    AreaSet& set = areas();
    for (;;) {
        Outcome f;
        {
            std::lock_guard lock(set.mutex);
            f = op(set);
        }
        if (!f) return true;
        errors::Error e;
        e.genCode = f->genCode;
        e.subSystem = "DBFNTX";
        e.subCode = f->subCode;
        e.description = f->status.message();
        e.fileName = f->file;
        e.operation = operation;
        e.osCode = f->status.osCode();
        e.canDefault = true;
        e.canRetry = f->status.code() != Status::Code::Invalid &&
                     f->status.code() != Status::Code::Unsupported;
        if (errors::raise(e) == errors::Action::Retry) continue;
        return false;
    }
}

Area* currentArea(AreaSet& set) {
    auto it = set.areas.find(set.current);
    return it == set.areas.end() ? nullptr : &it->second;
}

// As attempt(), on the current area; raises "work area not in use" without one.
template <class Op>
bool withArea(const char* operation, Op op) {
    return attempt(operation, [&](AreaSet& set) -> Outcome {
        Area* a = currentArea(set);
        if (!a) return misuse("work area not in use", errors::kGenNoAlias, kSubNoArea);
        return op(*a);
    });
}

// Reads a query of the current area under the lock; `unused` without a table.
template <class T, class Get>
T query(T unused, Get get) {
    AreaSet& set = areas();
    std::lock_guard lock(set.mutex);
    Area* a = currentArea(set);
    return a ? get(*a) : unused;
}

std::string baseAlias(const std::string& path) {
    std::size_t sep = platform::lastSeparator(path);
    std::string name = path.substr(sep == std::string::npos ? 0 : sep + 1);
    std::size_t dot = name.find('.');
    if (dot != std::string::npos) name.resize(dot);
    return core::upper(name);
}

Outcome flush(Area& a) { return failure(a.table->flush(), errors::kGenWrite, kSubWrite, a.path()); }

// Writes the pending change, then runs the move `op` of the table or its
// order. A failed move is a read error in the file the engine names; Invalid
// there means the order cannot find the current record.
template <class Op>
Outcome move(Area& a, Op op) {
    if (auto f = flush(a)) return f;
    Status st = op();
    return failure(st, errors::kGenRead,
                   st.code() == Status::Code::Invalid ? kSubNoOrder : kSubRead,
                   st.file().empty() ? a.path() : st.file(),
                   a.order && st.file() == a.order->path());
}

Outcome noField(Area& a, std::string_view name) {
    return misuse("no field " + std::string(name) + " in " + a.alias, errors::kGenNoField,
                  kSubNoField, a.path());
}

// A write to the current record: refused (not writable) before anything else.
template <class Op>
Outcome write(Area& a, std::string_view name, Op op) {
    if (auto f = failure(a.table->checkWritable(), errors::kGenWrite, kSubNotWritable, a.path())) {
        return f;
    }
    Status st = op(*a.table);
    if (st.code() == Status::Code::NotFound) return noField(a, name);
    return failure(st, errors::kGenWrite, kSubWrite, a.path());
}

}  // namespace

bool isDamagedIndex(const errors::Error& error) {
    return error.subSystem == "DBFNTX" && error.genCode == errors::kGenCorrupt &&
           error.subCode == kSubDamagedIndex;
}

// --- areas ---

bool useArea(const std::string& path, const std::string& alias, bool shared, bool readOnly) {
    std::string file = tables::withDefaultExtension(path, ".dbf");
    std::string name = alias.empty() ? baseAlias(file) : core::upper(core::alltrim(alias));
    return attempt("DbUseArea", [&](AreaSet& set) -> Outcome {
        int n = 1;
        while (set.areas.count(n)) ++n;
        set.current = n;
        for (const auto& [num, a] : set.areas) {
            if (a.alias == name) {
                return misuse("alias " + name + " is already in use", errors::kGenOpen, kSubAlias, file);
            }
        }
        if (!tables::dbfntxAvailable()) {
            return misuse("DBFNTX database engine not loaded", errors::kGenOpen, kSubEngine, file);
        }
        Area a;
        Status st = tables::Table::open(file, shared, readOnly, &a.table);
        if (!st.isOk()) return failure(st, errors::kGenOpen, kSubOpen, file);
        a.alias = name;
        Area& placed = set.areas.emplace(n, std::move(a)).first->second;
        if (auto f = move(placed, [&] { return placed.table->first(); })) {
            set.areas.erase(n);
            return f;
        }
        return std::nullopt;
    });
}

bool selectArea(std::string_view alias) {
    std::string name = core::upper(core::alltrim(alias));
    return attempt("DbSelectArea", [&](AreaSet& set) -> Outcome {
        for (const auto& [n, a] : set.areas) {
            if (a.alias == name) {
                set.current = n;
                return std::nullopt;
            }
        }
        return misuse("alias " + name + " does not exist", errors::kGenNoAlias, kSubAlias);
    });
}

void selectArea(int number) {
    AreaSet& set = areas();
    std::lock_guard lock(set.mutex);
    if (number <= 0) {
        number = 1;
        while (set.areas.count(number)) ++number;
    }
    set.current = number;
}

int currentArea() {
    AreaSet& set = areas();
    std::lock_guard lock(set.mutex);
    return set.current;
}

std::string currentAlias() {
    return query(std::string(), [](Area& a) { return a.alias; });
}

bool isAliasOpen(std::string_view alias) {
    std::string name = core::upper(core::alltrim(alias));
    AreaSet& set = areas();
    std::lock_guard lock(set.mutex);
    for (const auto& [n, a] : set.areas) {
        if (a.alias == name) return true;
    }
    return false;
}

bool isUsed() {
    return query(false, [](Area&) { return true; });
}

namespace {

void eraseArea(int n) {
    AreaSet& set = areas();
    std::lock_guard lock(set.mutex);
    set.areas.erase(n);
}

}  // namespace

void closeArea() {
    if (!isUsed()) return;
    int n = currentArea();
    try {
        commit();
    } catch (...) {
        eraseArea(n);
        throw;
    }
    eraseArea(n);
}

void closeAll() {
    std::vector<int> numbers;
    int keep = 0;
    {
        AreaSet& set = areas();
        std::lock_guard lock(set.mutex);
        for (const auto& [n, a] : set.areas) numbers.push_back(n);
        keep = set.current;
    }
    for (int n : numbers) {
        selectArea(n);
        closeArea();
    }
    selectArea(keep);
}

bool commitAndCloseEverything(std::chrono::milliseconds patience) {
    std::vector<std::shared_ptr<AreaSet>> sets;
    {
        std::lock_guard lock(registryMutex());
        sets = registry();
    }
    const auto giveUp = std::chrono::steady_clock::now() + patience;
    bool all = true;
    for (auto& set : sets) {
        // A thread inside a table operation holds its set's lock; one that
        // does not come back out of it (a file on a share that no longer
        // answers) must not hold up the end of the program.
        std::unique_lock lock(set->mutex, std::try_to_lock);
        while (!lock.owns_lock() && std::chrono::steady_clock::now() < giveUp) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            static_cast<void>(lock.try_lock());
        }
        if (!lock.owns_lock()) {
            all = false;
            continue;
        }
        closeSetQuietly(*set);
    }
    return all;
}

// --- orders ---

void ordListClear() {
    AreaSet& set = areas();
    std::lock_guard lock(set.mutex);
    if (Area* a = currentArea(set)) a->order.reset();
}

bool ordListAdd(const std::string& path) {
    std::string file = tables::withDefaultExtension(path, ".ntx");
    return withArea("OrdListAdd", [&](Area& a) -> Outcome {
        if (auto f = flush(a)) return f;
        std::unique_ptr<tables::Cursor> order;
        Status st = tables::Cursor::open(*a.table, file, &order);
        if (!st.isOk()) return failure(st, errors::kGenOpen, kSubOpenIndex, file, true);
        a.order = std::move(order);
        return move(a, [&] { return a.order->first(); });
    });
}

// --- moving ---

bool seek(std::string_view key) {
    bool result = false;
    withArea("DbSeek", [&](Area& a) -> Outcome {
        if (!a.order) {
            return misuse("no controlling order to seek in", errors::kGenRead, kSubNoOrder, a.path());
        }
        if (auto f = flush(a)) return f;
        a.found = false;
        if (auto f = move(a, [&] { return a.order->seek(key, &a.found); })) return f;
        result = a.found;
        return std::nullopt;
    });
    return result;
}

bool found() {
    return query(false, [](Area& a) { return a.found; });
}

namespace {

// The first (`top`) or last record in the controlling order or record order.
Outcome goEnd(Area& a, bool top) {
    return move(a, [&] {
        if (a.order) return top ? a.order->first() : a.order->last();
        return top ? a.table->first() : a.table->last();
    });
}

}  // namespace

void goTop() {
    withArea("DbGoTop", [](Area& a) { return goEnd(a, true); });
}

void goBottom() {
    withArea("DbGoBottom", [](Area& a) { return goEnd(a, false); });
}

void goTo(std::uint32_t recno) {
    withArea("DbGoto", [&](Area& a) { return move(a, [&] { return a.table->goTo(recno); }); });
}

void skip(long count) {
    withArea("DbSkip", [&](Area& a) -> Outcome {
        bool forward = count >= 0;
        for (long i = 0; i < (forward ? count : -count); ++i) {
            auto f = move(a, [&] {
                if (a.order) return forward ? a.order->next() : a.order->prev();
                return forward ? a.table->next() : a.table->prev();
            });
            if (f) return f;
            if ((forward && a.table->eof()) || (!forward && a.table->bof())) break;
        }
        return std::nullopt;
    });
}

std::uint32_t recNo() {
    return query(std::uint32_t(0), [](Area& a) { return a.table->recno(); });
}

std::uint32_t lastRec() {
    std::uint32_t count = 0;
    if (!isUsed()) return 0;
    withArea("LastRec", [&](Area& a) {
        return failure(a.table->recordCount(&count), errors::kGenRead, kSubRead, a.path());
    });
    return count;
}

bool eof() {
    return query(true, [](Area& a) { return a.table->eof(); });
}

bool bof() {
    return query(true, [](Area& a) { return a.table->bof(); });
}

bool deleted() {
    return query(false, [](Area& a) { return a.table->deleted(); });
}

// --- fields ---

namespace {

// Reads field `name` of the current record with `get`; `fallback` when the
// handler chose the default.
template <class T, class Get>
T getField(std::string_view name, T fallback, Get get) {
    T value = fallback;
    withArea("FieldGet", [&](Area& a) -> Outcome {
        Status st = get(*a.table, &value);
        if (st.code() == Status::Code::NotFound) return noField(a, name);
        return failure(st, errors::kGenRead, kSubRead, a.path());
    });
    return value;
}

}  // namespace

std::string fieldGetString(std::string_view name) {
    return getField(name, std::string(),
                    [&](const tables::Table& t, std::string* v) { return t.getText(name, v); });
}

double fieldGetNumber(std::string_view name) {
    return getField(name, 0.0,
                    [&](const tables::Table& t, double* v) { return t.getNumber(name, v); });
}

std::string fieldGetDate(std::string_view name) {
    return getField(name, std::string(), [&](const tables::Table& t, std::string* v) {
        Status st = t.getText(name, v);
        if (st.isOk()) v->resize(8, ' ');
        return st;
    });
}

bool fieldGetLogical(std::string_view name) {
    return getField(name, false,
                    [&](const tables::Table& t, bool* v) { return t.getLogical(name, v); });
}

void fieldPut(std::string_view name, std::string_view text) {
    withArea("FieldPut", [&](Area& a) {
        return write(a, name, [&](tables::Table& t) { return t.putText(name, text); });
    });
}

void fieldPutNumber(std::string_view name, double value) {
    withArea("FieldPut", [&](Area& a) {
        return write(a, name, [&](tables::Table& t) { return t.putNumber(name, value); });
    });
}

void fieldPutLogical(std::string_view name, bool value) {
    withArea("FieldPut", [&](Area& a) {
        return write(a, name, [&](tables::Table& t) { return t.putLogical(name, value); });
    });
}

void deleteRecord() {
    withArea("DbDelete", [&](Area& a) {
        return write(a, "", [](tables::Table& t) { return t.markDeleted(); });
    });
}

bool appendBlank() {
    return withArea("DbAppend", [&](Area& a) {
        return write(a, "", [](tables::Table& t) { return t.appendBlank(); });
    });
}

void commit() {
    withArea("DbCommit", [&](Area& a) {
        return failure(a.table->commit(), errors::kGenWrite, kSubWrite, a.path());
    });
}

// --- creating ---

bool createTable(const std::string& path, const std::vector<FieldSpec>& fields) {
    std::string file = tables::withDefaultExtension(path, ".dbf");
    return attempt("DbCreate", [&](AreaSet&) {
        return failure(tables::Table::create(file, fields), errors::kGenCreate, kSubCreate, file);
    });
}

bool createIndex(const std::string& path, const std::string& keyExpression,
                 const std::function<void(std::uint32_t)>& eachRecord) {
    std::string file = tables::withDefaultExtension(path, ".ntx");
    bool built = withArea("DbCreateIndex", [&](Area& a) -> Outcome {
        tables::KeyExpression key = tables::parseKeyExpression(keyExpression);
        int k = a.table->fieldIndex(key.field);
        std::string alias = core::upper(core::alltrim(key.alias));
        if (k < 0 || (!alias.empty() && alias != a.alias)) {
            return misuse("key expression " + keyExpression + " does not name a field of " + a.alias,
                          errors::kGenCreate, kSubCreateIndex, file);
        }
        Status st = tables::checkKeyField(a.table->fields()[std::size_t(k)]);
        if (auto f = failure(st, errors::kGenCreate, kSubCreateIndex, file)) return f;
        if (auto f = flush(a)) return f;
        tables::BuiltIndex index;
        st = tables::buildIndex(*a.table, file, keyExpression, eachRecord, &index);
        // Reading the table failed, or writing the index.
        if (st.file() == a.path()) return failure(st, errors::kGenRead, kSubRead, a.path());
        if (auto f = failure(st, errors::kGenCreate, kSubCreateIndex, file)) return f;
        if (a.order && a.order->path() == file) a.order.reset();
        return failure(index.install(), errors::kGenCreate, kSubCreateIndex, file);
    });
    if (!built) return false;
    ordListClear();
    return ordListAdd(file);
}

std::vector<FieldSpec> tableStructure() {
    return query(std::vector<FieldSpec>(), [](Area& a) { return a.table->structure(); });
}

}  // namespace workareas
