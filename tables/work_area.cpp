#include "tables/work_area.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include "core/xbase_values.h"
#include "errors/error.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "platform/thread_exit.h"
#include "tables/dbe.h"
#include "tables/dbf.h"
#include "tables/dbf_record.h"
#include "tables/ntx.h"
#include "tables/ntx_build.h"

namespace tables {
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

Outcome failure(const Status& st, int genCode, int subCode, const std::string& file) {
    if (st.isOk()) return std::nullopt;
    if (st.code() == Status::Code::Corrupt || st.code() == Status::Code::Unsupported) {
        return Failure{st, errors::kGenCorrupt, kSubCorrupt, file};
    }
    return Failure{st, genCode, subCode, file};
}

Outcome misuse(const std::string& message, int genCode, int subCode, const std::string& file = "") {
    return Failure{Status::invalid(message), genCode, subCode, file};
}

struct Area {
    std::string alias;
    std::string path;
    std::unique_ptr<Dbf> dbf;
    std::unique_ptr<Ntx> order;
    std::string orderPath;
    int keyField = -1;  // the order's key field in the table, -1 unknown
    std::uint32_t recno = 0;
    bool eof = true;
    bool bof = true;
    bool found = false;
    bool dirty = false;
    bool orderPlaced = false;  // the order's cursor is on the current record
    std::string record;
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

void closeQuietly(Area& a) {
    if (a.dirty && a.dbf) a.dbf->write(a.recno, a.record);
    if (a.dbf && !a.dbf->readOnly()) a.dbf->sync();
}

void closeSetQuietly(AreaSet& set) {
    std::lock_guard lock(set.mutex);
    for (auto& [n, a] : set.areas) closeQuietly(a);
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

std::string withExtension(const std::string& path, const char* ext) {
    std::size_t sep = platform::lastSeparator(path);
    std::size_t start = sep == std::string::npos ? 0 : sep + 1;
    if (path.find('.', start) != std::string::npos) return path;
    return path + ext;
}

std::string baseAlias(const std::string& path) {
    std::size_t sep = platform::lastSeparator(path);
    std::string name = path.substr(sep == std::string::npos ? 0 : sep + 1);
    std::size_t dot = name.find('.');
    if (dot != std::string::npos) name.resize(dot);
    return core::upper(name);
}

// --- cursor moves on one area (called under the lock) ---

Outcome flush(Area& a) {
    if (!a.dirty) return std::nullopt;
    Status st = a.dbf->write(a.recno, a.record);
    if (st.isOk()) a.dirty = false;
    return failure(st, errors::kGenWrite, kSubWrite, a.path);
}

Outcome refreshShared(Area& a) {
    if (!a.dbf->shared()) return std::nullopt;
    return failure(a.dbf->refresh(), errors::kGenRead, kSubRead, a.path);
}

void setEof(Area& a) {
    a.recno = a.dbf->recordCount() + 1;
    a.eof = true;
    a.record = a.dbf->blankRecord();
}

Outcome load(Area& a, std::uint32_t recno) {
    Status st = a.dbf->read(recno, &a.record);
    if (!st.isOk()) {
        setEof(a);
        return failure(st, errors::kGenRead, kSubRead, a.path);
    }
    a.recno = recno;
    a.eof = false;
    a.bof = false;
    return std::nullopt;
}

Outcome gotoRecord(Area& a, std::uint32_t recno) {
    if (auto f = flush(a)) return f;
    a.orderPlaced = false;
    a.bof = false;
    if (recno > a.dbf->recordCount()) {
        if (auto f = refreshShared(a)) return f;
    }
    if (recno < 1 || recno > a.dbf->recordCount()) {
        setEof(a);
        return std::nullopt;
    }
    return load(a, recno);
}

// The table follows the order's cursor.
Outcome followOrder(Area& a) {
    a.orderPlaced = true;
    a.bof = false;
    if (a.order->eof()) {
        setEof(a);
        return std::nullopt;
    }
    std::uint32_t recno = a.order->recno();
    if (recno > a.dbf->recordCount()) {
        if (auto f = refreshShared(a)) return f;
    }
    if (recno < 1 || recno > a.dbf->recordCount()) {
        setEof(a);
        return failure(Status::corrupt("index entry points to record " + std::to_string(recno) +
                                       ", past the end of the table"),
                       errors::kGenCorrupt, kSubCorrupt, a.orderPath);
    }
    return load(a, recno);
}

Outcome orderFailure(Area& a, const Status& st) {
    return failure(st, errors::kGenRead, kSubRead, a.orderPath);
}

// Puts the order's cursor on the current record (after goTo or a write).
Outcome placeOrder(Area& a) {
    if (a.orderPlaced) return std::nullopt;
    if (a.keyField < 0) {
        return misuse("cannot find the current record in order " + a.orderPath +
                          ": its key is not a field of the table",
                      errors::kGenRead, kSubNoOrder, a.orderPath);
    }
    std::string key(fieldBytes(a.record, a.dbf->fields()[std::size_t(a.keyField)]));
    key.resize(a.order->header().keySize, ' ');
    bool found = false;
    Status st = a.order->locate(key, a.recno, &found);
    if (!st.isOk()) return orderFailure(a, st);
    if (!found) {
        return failure(Status::corrupt("record " + std::to_string(a.recno) +
                                       " is missing from the index"),
                       errors::kGenCorrupt, kSubCorrupt, a.orderPath);
    }
    a.orderPlaced = true;
    return std::nullopt;
}

// The first (`top`) or last record in the controlling order or record order.
Outcome goEnd(Area& a, bool top) {
    if (auto f = flush(a)) return f;
    if (a.order) {
        Status st = top ? a.order->first() : a.order->last();
        if (!st.isOk()) return orderFailure(a, st);
        if (auto f = followOrder(a)) return f;
    } else {
        if (auto f = refreshShared(a)) return f;
        if (auto f = gotoRecord(a, top ? 1 : a.dbf->recordCount())) return f;
    }
    a.bof = a.eof;
    return std::nullopt;
}

Outcome skipOne(Area& a, bool forward) {
    if (auto f = flush(a)) return f;
    if (forward && a.eof) return std::nullopt;
    if (!forward && a.eof) {
        if (auto f = goEnd(a, false)) return f;
        a.bof = a.eof;
        return std::nullopt;
    }
    if (a.order) {
        if (auto f = placeOrder(a)) return f;
        Status st = forward ? a.order->next() : a.order->prev();
        if (!st.isOk()) return orderFailure(a, st);
        bool hitTop = !forward && a.order->bof();
        if (auto f = followOrder(a)) return f;
        a.bof = hitTop;
        return std::nullopt;
    }
    if (forward) return gotoRecord(a, a.recno + 1);
    if (a.recno <= 1) {
        a.bof = true;
        return std::nullopt;
    }
    return gotoRecord(a, a.recno - 1);
}

Outcome fieldOf(Area& a, std::string_view name, const DbfField** field) {
    int i = findDbfField(a.dbf->fields(), name);
    if (i < 0) {
        return misuse("no field " + std::string(name) + " in " + a.alias, errors::kGenNoField,
                      kSubNoField, a.path);
    }
    *field = &a.dbf->fields()[std::size_t(i)];
    return std::nullopt;
}

Outcome writable(Area& a) {
    if (a.dbf->readOnly()) {
        return misuse("table is open read-only", errors::kGenWrite, kSubNotWritable, a.path);
    }
    if (a.order) {
        return misuse("table has an open index, which this engine does not update",
                      errors::kGenWrite, kSubNotWritable, a.path);
    }
    return std::nullopt;
}

// The key field named by an index key expression: "alias->field" or "field".
int keyFieldOf(const Dbf& dbf, const std::string& expression, std::string* alias) {
    std::string expr = core::alltrim(expression);
    std::size_t arrow = expr.find("->");
    if (alias) *alias = arrow == std::string::npos ? "" : core::upper(core::alltrim(expr.substr(0, arrow)));
    std::string field = arrow == std::string::npos ? expr : expr.substr(arrow + 2);
    return findDbfField(dbf.fields(), field);
}

Outcome putValue(const char* what, std::string_view name,
                 const std::function<Status(std::string*, const DbfField&)>& put, Area& a) {
    if (auto f = writable(a)) return f;
    if (a.eof) return misuse("no current record (end of file)", errors::kGenWrite, kSubWrite, a.path);
    const DbfField* field = nullptr;
    if (auto f = fieldOf(a, name, &field)) return f;
    std::string updated = a.record;
    Status st = put(&updated, *field);
    if (!st.isOk()) return failure(st, errors::kGenWrite, kSubWrite, a.path);
    a.record = std::move(updated);
    a.dirty = true;
    return std::nullopt;
}

}  // namespace

// --- areas ---

bool useArea(const std::string& path, const std::string& alias, bool shared, bool readOnly) {
    std::string file = withExtension(path, ".dbf");
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
        if (!dbfntxAvailable()) {
            return misuse("DBFNTX database engine not loaded", errors::kGenOpen, kSubEngine, file);
        }
        std::unique_ptr<platform::File> handle;
        platform::OpenMode mode{readOnly ? platform::Access::ReadOnly : platform::Access::ReadWrite,
                                shared ? platform::Share::Shared : platform::Share::Exclusive,
                                platform::Disposition::Existing};
        Status st = platform::openFile(file, mode, &handle);
        if (!st.isOk()) return failure(st, errors::kGenOpen, kSubOpen, file);
        Area a;
        st = Dbf::open(std::move(handle), shared, readOnly, &a.dbf);
        if (!st.isOk()) return failure(st, errors::kGenOpen, kSubOpen, file);
        a.alias = name;
        a.path = file;
        a.record = a.dbf->blankRecord();
        Area& placed = set.areas.emplace(n, std::move(a)).first->second;
        if (auto f = goEnd(placed, true)) {
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

void commitAndCloseEverything() {
    std::vector<std::shared_ptr<AreaSet>> sets;
    {
        std::lock_guard lock(registryMutex());
        sets = registry();
    }
    for (auto& set : sets) closeSetQuietly(*set);
}

// --- orders ---

void ordListClear() {
    AreaSet& set = areas();
    std::lock_guard lock(set.mutex);
    if (Area* a = currentArea(set)) {
        a->order.reset();
        a->orderPath.clear();
        a->keyField = -1;
    }
}

bool ordListAdd(const std::string& path) {
    std::string file = withExtension(path, ".ntx");
    return withArea("OrdListAdd", [&](Area& a) -> Outcome {
        if (auto f = flush(a)) return f;
        std::unique_ptr<platform::File> handle;
        platform::OpenMode mode{
            a.dbf->readOnly() ? platform::Access::ReadOnly : platform::Access::ReadWrite,
            a.dbf->shared() ? platform::Share::Shared : platform::Share::Exclusive,
            platform::Disposition::Existing};
        Status st = platform::openFile(file, mode, &handle);
        if (!st.isOk()) return failure(st, errors::kGenOpen, kSubOpenIndex, file);
        std::unique_ptr<Ntx> ntx;
        st = Ntx::open(std::move(handle), a.dbf->shared(), &ntx);
        if (!st.isOk()) return failure(st, errors::kGenOpen, kSubOpenIndex, file);
        a.order = std::move(ntx);
        a.orderPath = file;
        a.keyField = keyFieldOf(*a.dbf, a.order->header().keyExpression, nullptr);
        return goEnd(a, true);
    });
}

// --- moving ---

bool seek(std::string_view key) {
    bool result = false;
    withArea("DbSeek", [&](Area& a) -> Outcome {
        if (!a.order) {
            return misuse("no controlling order to seek in", errors::kGenRead, kSubNoOrder, a.path);
        }
        if (auto f = flush(a)) return f;
        a.found = false;
        bool found = false;
        Status st = a.order->seek(key, &found);
        if (!st.isOk()) {
            setEof(a);
            return orderFailure(a, st);
        }
        if (!found) {
            setEof(a);
            a.orderPlaced = false;
            a.bof = false;
            return std::nullopt;
        }
        if (auto f = followOrder(a)) return f;
        a.found = result = true;
        return std::nullopt;
    });
    return result;
}

bool found() {
    return query(false, [](Area& a) { return a.found; });
}

void goTop() {
    withArea("DbGoTop", [](Area& a) { return goEnd(a, true); });
}

void goBottom() {
    withArea("DbGoBottom", [](Area& a) { return goEnd(a, false); });
}

void goTo(std::uint32_t recno) {
    withArea("DbGoto", [&](Area& a) { return gotoRecord(a, recno); });
}

void skip(long count) {
    withArea("DbSkip", [&](Area& a) -> Outcome {
        bool forward = count >= 0;
        for (long i = 0; i < (forward ? count : -count); ++i) {
            if (auto f = skipOne(a, forward)) return f;
            if ((forward && a.eof) || (!forward && a.bof)) break;
        }
        return std::nullopt;
    });
}

std::uint32_t recNo() {
    return query(std::uint32_t(0), [](Area& a) { return a.recno; });
}

std::uint32_t lastRec() {
    std::uint32_t count = 0;
    if (!isUsed()) return 0;
    withArea("LastRec", [&](Area& a) -> Outcome {
        if (auto f = refreshShared(a)) return f;
        count = a.dbf->recordCount();
        return std::nullopt;
    });
    return count;
}

bool eof() {
    return query(true, [](Area& a) { return a.eof; });
}

bool bof() {
    return query(true, [](Area& a) { return a.bof; });
}

bool deleted() {
    return query(false, [](Area& a) { return !a.eof && a.record[0] == kDeletedFlag; });
}

// --- fields ---

namespace {

template <class T, class Get>
T getField(const char* operation, std::string_view name, T fallback, Get get) {
    T value = fallback;
    withArea(operation, [&](Area& a) -> Outcome {
        const DbfField* field = nullptr;
        if (auto f = fieldOf(a, name, &field)) return f;
        value = get(a.record, *field);
        return std::nullopt;
    });
    return value;
}

}  // namespace

std::string fieldGetString(std::string_view name) {
    return getField("FieldGet", name, std::string(),
                    [](const std::string& r, const DbfField& f) { return std::string(fieldBytes(r, f)); });
}

double fieldGetNumber(std::string_view name) {
    return getField("FieldGet", name, 0.0,
                    [](const std::string& r, const DbfField& f) { return fieldNumber(r, f); });
}

std::string fieldGetDate(std::string_view name) {
    return getField("FieldGet", name, std::string(), [](const std::string& r, const DbfField& f) {
        std::string text(fieldBytes(r, f));
        text.resize(8, ' ');
        return text;
    });
}

bool fieldGetLogical(std::string_view name) {
    return getField("FieldGet", name, false,
                    [](const std::string& r, const DbfField& f) { return fieldLogical(r, f); });
}

void fieldPut(std::string_view name, std::string_view text) {
    withArea("FieldPut", [&](Area& a) {
        return putValue("FieldPut", name,
                        [&](std::string* r, const DbfField& f) {
                            putFieldText(r, f, text);
                            return Status();
                        },
                        a);
    });
}

void fieldPutNumber(std::string_view name, double value) {
    withArea("FieldPut", [&](Area& a) {
        return putValue("FieldPut", name,
                        [&](std::string* r, const DbfField& f) {
                            if (f.type != 'N' && f.type != 'F') {
                                return Status::invalid("field " + f.name + " is not numeric");
                            }
                            return putFieldNumber(r, f, value);
                        },
                        a);
    });
}

void fieldPutLogical(std::string_view name, bool value) {
    withArea("FieldPut", [&](Area& a) {
        return putValue("FieldPut", name,
                        [&](std::string* r, const DbfField& f) {
                            putFieldLogical(r, f, value);
                            return Status();
                        },
                        a);
    });
}

void deleteRecord() {
    withArea("DbDelete", [&](Area& a) -> Outcome {
        if (auto f = writable(a)) return f;
        if (a.eof) return misuse("no current record (end of file)", errors::kGenWrite, kSubWrite, a.path);
        a.record[0] = kDeletedFlag;
        a.dirty = true;
        return std::nullopt;
    });
}

bool appendBlank() {
    return withArea("DbAppend", [&](Area& a) -> Outcome {
        if (auto f = writable(a)) return f;
        if (auto f = flush(a)) return f;
        std::string blank = a.dbf->blankRecord();
        std::uint32_t recno = 0;
        Status st = a.dbf->append(blank, &recno);
        if (!st.isOk()) return failure(st, errors::kGenWrite, kSubWrite, a.path);
        a.record = blank;
        a.recno = recno;
        a.eof = a.bof = false;
        return std::nullopt;
    });
}

void commit() {
    withArea("DbCommit", [&](Area& a) -> Outcome {
        if (auto f = flush(a)) return f;
        if (a.dbf->readOnly()) return std::nullopt;
        return failure(a.dbf->sync(), errors::kGenWrite, kSubWrite, a.path);
    });
}

// --- creating ---

bool createTable(const std::string& path, const std::vector<FieldSpec>& fields) {
    std::string file = withExtension(path, ".dbf");
    return attempt("DbCreate", [&](AreaSet&) -> Outcome {
        std::vector<DbfField> dbfFields;
        for (const auto& f : fields) {
            if (f.length < 0 || f.length > 255 || f.decimals < 0 || f.decimals > 255) {
                return misuse("field " + f.name + ": bad length", errors::kGenCreate, kSubCreate, file);
            }
            DbfField d;
            d.name = f.name;
            d.type = f.type;
            d.length = std::uint8_t(f.length);
            d.decimals = std::uint8_t(f.decimals);
            dbfFields.push_back(d);
        }
        Status st = checkNewFields(&dbfFields);
        if (!st.isOk()) return failure(st, errors::kGenCreate, kSubCreate, file);
        std::unique_ptr<platform::File> handle;
        st = platform::openFile(file, {platform::Access::ReadWrite, platform::Share::Exclusive,
                                       platform::Disposition::Replace},
                                &handle);
        if (!st.isOk()) return failure(st, errors::kGenCreate, kSubCreate, file);
        return failure(Dbf::create(*handle, dbfFields), errors::kGenCreate, kSubCreate, file);
    });
}

namespace {

// Removes the half-built index file unless told it is done.
struct TempFileGuard {
    std::string path;
    bool keep = false;
    ~TempFileGuard() {
        if (!keep) platform::removeFile(path);
    }
};

Outcome buildIndex(Area& a, const std::string& file, const std::string& keyExpression,
                   const std::function<void(std::uint32_t)>& eachRecord) {
    std::string alias;
    int k = keyFieldOf(*a.dbf, keyExpression, &alias);
    if (k < 0 || (!alias.empty() && alias != a.alias)) {
        return misuse("key expression " + keyExpression + " does not name a field of " + a.alias,
                      errors::kGenCreate, kSubCreateIndex, file);
    }
    const DbfField& field = a.dbf->fields()[std::size_t(k)];
    if ((field.type != 'C' && field.type != 'D') || field.length > kNtxMaxKeySize) {
        return misuse("field " + field.name + " cannot be an index key (character or date only)",
                      errors::kGenCreate, kSubCreateIndex, file);
    }
    if (auto f = flush(a)) return f;
    if (auto f = refreshShared(a)) return f;
    const std::uint32_t count = a.dbf->recordCount();
    const std::size_t ks = field.length, rl = a.dbf->header().recordLength;
    std::vector<std::uint8_t> keys(std::size_t(count) * ks);
    std::string chunk;
    const std::uint32_t perChunk = std::uint32_t(std::max<std::size_t>(1, (1 << 20) / rl));
    for (std::uint32_t first = 1; first <= count; first += perChunk) {
        std::uint32_t n = std::min(perChunk, count - first + 1);
        Status st = a.dbf->readRange(first, n, &chunk);
        if (!st.isOk()) return failure(st, errors::kGenRead, kSubRead, a.path);
        for (std::uint32_t i = 0; i < n; ++i) {
            std::memcpy(keys.data() + std::size_t(first - 1 + i) * ks,
                        chunk.data() + std::size_t(i) * rl + field.offset, ks);
            if (eachRecord) eachRecord(first + i);
        }
    }
    std::vector<std::uint32_t> order = sortNtxKeys(keys.data(), std::uint16_t(ks), count);
    TempFileGuard temp{file + ".tmp"};
    std::unique_ptr<platform::File> out;
    Status st = platform::openFile(temp.path, {platform::Access::ReadWrite, platform::Share::Exclusive,
                                               platform::Disposition::Replace},
                                   &out);
    if (st.isOk()) st = writeNtx(*out, newNtxHeader(std::uint16_t(ks), keyExpression), keys.data(), order);
    if (st.isOk()) st = out->sync();
    out.reset();
    if (!st.isOk()) return failure(st, errors::kGenCreate, kSubCreateIndex, file);
    if (a.orderPath == file) {
        a.order.reset();
        a.orderPath.clear();
    }
    st = platform::renameFile(temp.path, file);
    if (!st.isOk()) return failure(st, errors::kGenCreate, kSubCreateIndex, file);
    temp.keep = true;
    return std::nullopt;
}

}  // namespace

bool createIndex(const std::string& path, const std::string& keyExpression,
                 const std::function<void(std::uint32_t)>& eachRecord) {
    std::string file = withExtension(path, ".ntx");
    if (!withArea("DbCreateIndex",
                  [&](Area& a) { return buildIndex(a, file, keyExpression, eachRecord); })) {
        return false;
    }
    ordListClear();
    return ordListAdd(file);
}

std::vector<FieldSpec> tableStructure() {
    return query(std::vector<FieldSpec>(), [](Area& a) {
        std::vector<FieldSpec> out;
        for (const auto& f : a.dbf->fields()) out.push_back({f.name, f.type, f.length, f.decimals});
        return out;
    });
}

}  // namespace tables
