#include "display/make_desc.h"

#include <atomic>
#include <exception>
#include <string_view>
#include <vector>

#include "core/display_state.h"
#include "core/program_state.h"
#include "display/item_code.h"
#include "display/item_text.h"
#include "errors/error.h"
#include "errors/recovery.h"
#include "platform/fs.h"
#include "workareas/work_area.h"

namespace display {

namespace {

// Set by the first lookup that opened its tables, in whichever thread.
std::atomic<bool> g_lTablesFound{false};

// Closes every table of the calling thread when the lookup leaves, by a
// return or by an errors::Unwind from a failed open or read. While an
// exception is already on its way out, an error of the close itself is
// dropped rather than ending the process.
class CloseAllTables {
public:
    CloseAllTables() = default;
    CloseAllTables(const CloseAllTables&) = delete;
    CloseAllTables& operator=(const CloseAllTables&) = delete;
    ~CloseAllTables() noexcept(false) {
        if (std::uncaught_exceptions() > m_pending) {
            try {
                workareas::closeAll();
            } catch (const errors::Unwind&) {
            }
        } else {
            workareas::closeAll();
        }
    }

private:
    int m_pending = std::uncaught_exceptions();
};

// Opens `name` of the data path under its own name as alias, shared and
// read-only, with the index `order` as controlling order. False when the
// handler let a failed open take its default result.
bool openWithOrder(const std::string& cPath, const std::string& name, const std::string& order) {
    if (!workareas::useArea(cPath + "\\" + name, name, true, true)) return false;
    workareas::ordListClear();
    return workareas::ordListAdd(cPath + "\\" + order);
}

// Steps on through the current order. A damaged table or index can keep a
// step from moving (the failed skip took its default) or lead round in a
// circle: no walk takes more steps than the table has records.
class StepGuard {
public:
    // Skips one record; false when the walk must end here.
    bool skip() {
        const std::uint32_t before = workareas::recNo();
        workareas::skip();
        return workareas::recNo() != before && ++m_steps <= m_limit;
    }

private:
    std::uint32_t m_steps = 0;
    std::uint32_t m_limit = workareas::lastRec();
};

bool codeMatches(std::string_view cCode) {
    return workareas::fieldGetString("code").starts_with(cCode);
}

// Seeks `cCode` in the current table's order and passes over records marked
// deleted: the point-of-sale marks a record deleted instead of removing it,
// and may enter the same code again in a new record, so the first key with
// the code can belong to a superseded record. True when a live record with
// the code is current; a code held only by deleted records is not found.
bool seekLiveRecord(std::string_view cCode) {
    if (!workareas::seek(cCode)) return false;
    StepGuard guard;
    while (workareas::deleted()) {
        if (!guard.skip() || workareas::eof() || !codeMatches(cCode)) return false;
    }
    return true;
}

ItemRecord readItem() {
    ItemRecord item;
    item.code = workareas::fieldGetString("code");
    item.desc = workareas::fieldGetString("desc");
    item.price = workareas::fieldGetNumber("price");
    item.doll_price = workareas::fieldGetNumber("doll_price");
    item.ctdiamond = workareas::fieldGetNumber("ctdiamond");
    item.colour = workareas::fieldGetString("colour");
    item.ctother = workareas::fieldGetNumber("ctother");
    item.size = workareas::fieldGetNumber("size");
    item.total_mass = workareas::fieldGetNumber("total_mass");
    item.deleted = workareas::deleted();
    return item;
}

// The component lines of `cCode` in isub, in index order from the seek, as
// long as the code matches. Deleted lines come along with their flag;
// describeMerchandise leaves them out.
std::vector<ComponentLine> readComponents(std::string_view cCode) {
    std::vector<ComponentLine> lines;
    if (!workareas::selectArea("isub")) return lines;
    workareas::seek(cCode);
    StepGuard guard;
    while (!workareas::eof() && codeMatches(cCode)) {
        ComponentLine line;
        line.code = workareas::fieldGetString("code");
        line.desc = workareas::fieldGetString("desc");
        line.raw_code = workareas::fieldGetString("raw_code");
        line.qty = workareas::fieldGetNumber("qty");
        line.mass = workareas::fieldGetNumber("mass");
        line.deleted = workareas::deleted();
        lines.push_back(std::move(line));
        if (!guard.skip()) break;
    }
    return lines;
}

// Opens the tables of `plan`, seeks the code and composes its text.
std::string lookUp(TablePlan plan, const LookupStart& start, const std::string& cPath,
                   const std::string& cProgName) {
    const std::string& code = start.code;
    const bool opened = plan == TablePlan::OpenStock
                            ? openWithOrder(cPath, "istock", "istkcode")
                            : openWithOrder(cPath, "isub", "isubcode") &&
                                  openWithOrder(cPath, "imerch", "imercode");
    // The handler has reported the failed open and chose to go on: the item
    // cannot be found.
    if (!opened) return notFoundText(cProgName, code);
    g_lTablesFound.store(true);

    if (!seekLiveRecord(code)) return notFoundText(cProgName, code);
    if (start.codeClass == CodeClass::StandardStock) {
        // A standard stock code in the merchandise tables (its own files
        // missing) has no description there, since a stock description is
        // read from istock: it is reported as not found even when imerch
        // holds the code.
        if (plan != TablePlan::OpenStock) return notFoundText(cProgName, code);
        return describeStock(readItem(), code);
    }
    const ItemRecord item = readItem();
    return describeMerchandise(item, readComponents(code), code);
}

}  // namespace

bool tablesFound() {
    return g_lTablesFound.load();
}

void resetTablesFoundForTests() {
    g_lTablesFound.store(false);
}

std::string MakeDesc(const std::string& cCode, const std::string& cPath) {
    const std::string cProgName = core::programState().cProgName.getData();
    const LookupStart start = startLookup(cCode, core::StopDisplay(), cProgName);
    if (start.text) return *start.text;

    // From here on every way out closes the thread's tables.
    CloseAllTables closeAllOnExit;

    const TablePlan plan =
        planTables(start.codeClass, g_lTablesFound.load(), [&](std::string_view fileName) {
            return platform::isFile(cPath + "\\" + std::string(fileName));
        });
    switch (plan) {
        case TablePlan::DataFilesMissing:
            // A negative code is a merchandise code (planTables): with the
            // merchandise table files missing it gets this text too.
            return dataFilesErrorText(cPath);
        case TablePlan::IndexFilesMissing:
            return indexFilesErrorText(cPath);
        case TablePlan::OpenStock:
        case TablePlan::OpenMerchandise:
            break;
    }
    // A damaged or stale index (an entry that leads to another item's record)
    // gets the missing-index text, which tells the shop to re-index, instead
    // of that record or a dialogue; other errors go to the handler as usual.
    try {
        errors::UnwindWhen damagedIndex(workareas::isDamagedIndex);
        return lookUp(plan, start, cPath, cProgName);
    } catch (const errors::Unwind& unwind) {
        if (!workareas::isDamagedIndex(unwind.error())) throw;
        return indexFilesErrorText(cPath);
    }
}

}  // namespace display
