#include "inventory/make_desc.h"

#include <vector>

#include "core/display_state.h"
#include "core/program_state.h"
#include "errors/table_errors.h"
#include "inventory/item_code.h"
#include "inventory/item_tables.h"
#include "inventory/item_text.h"
#include "platform/fs.h"

namespace inventory {
namespace {

using platform::Status;

// How one table operation of a lookup ended.
enum class Step {
    Done,
    Failed,        // the error handler let it fail
    DamagedIndex,  // a damaged or stale index: no one is asked
};

// Runs `op` through the error handler until it succeeds or fails for good.
// `opening` tells an open of a table or index from a read.
template <class Op>
Step attempt(const char* operation, bool opening, Op op) {
    errors::TableAction action(operation);
    for (;;) {
        const Status st = op();
        if (st.isOk()) return Step::Done;
        if (errors::isDamagedIndex(st)) return Step::DamagedIndex;
        errors::TableStep step = errors::TableStep::Read;
        if (opening) {
            step = st.file().ends_with(".ntx") ? errors::TableStep::OpenIndex : errors::TableStep::Open;
        } else if (st.code() == Status::Code::NotFound) {
            step = errors::TableStep::Field;
        }
        if (!action.retry(st, step)) return Step::Failed;
    }
}

}  // namespace

std::string InventoryLookup::MakeDesc(const std::string& cCode, const std::string& cPath) {
    const std::string cProgName = core::programState().cProgName.getData();
    const LookupStart start = startLookup(cCode, core::StopDisplay(), cProgName);
    if (start.text) return *start.text;
    const std::string& code = start.code;

    const TablePlan plan =
        planTables(start.codeClass, m_lTablesFound, [&](std::string_view fileName) {
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

    // What a step that did not get done shows: a damaged index sends the shop
    // to Re-index; an operation the handler let fail leaves the item unknown.
    auto failed = [&](Step step) {
        return step == Step::DamagedIndex ? indexFilesErrorText(cPath) : notFoundText(cProgName, code);
    };
    ItemTables tables(cPath, plan);
    for (std::size_t k = 0; k < tables.count(); ++k) {
        Step step = attempt("DbUseArea", true, [&] { return tables.openTable(k); });
        if (step == Step::Done) step = attempt("OrdListAdd", true, [&] { return tables.openOrder(k); });
        if (step != Step::Done) return failed(step);
    }
    m_lTablesFound = true;

    bool found = false;
    ItemRecord item;
    if (Step step = attempt("DbSeek", false, [&] { return tables.findItem(code, &found, &item); });
        step != Step::Done) {
        return failed(step);
    }
    if (!found) return notFoundText(cProgName, code);
    if (start.codeClass == CodeClass::StandardStock) {
        // A standard stock code in the merchandise tables (its own files
        // missing) has no description there, since a stock description is
        // read from istock: it is reported as not found even when imerch
        // holds the code.
        if (plan != TablePlan::OpenStock) return notFoundText(cProgName, code);
        return describeStock(item, code);
    }
    std::vector<ComponentLine> lines;
    if (Step step = attempt("DbSkip", false, [&] { return tables.readComponents(code, &lines); });
        step != Step::Done) {
        return failed(step);
    }
    return describeMerchandise(item, lines, code);
}

}  // namespace inventory
