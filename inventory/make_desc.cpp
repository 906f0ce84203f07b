#include "inventory/make_desc.h"

#include <chrono>
#include <thread>
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
    Busy,          // Quiet: a failure the point-of-sale causes and ends
};

// Whether `st` is a failure that a point-of-sale at work causes: a lock held,
// an exclusive open elsewhere (Locked); a file absent while it is replaced
// (NotFound of a file); a short read or an index out of step with its table
// while they are rewritten (IoError, Corrupt). A field the table lacks
// (NotFound on a read), a key that names no field (Invalid) or a file of
// another kind (Unsupported) stay as they are.
bool passing(const Status& st, bool opening) {
    switch (st.code()) {
    case Status::Code::Locked:
    case Status::Code::IoError:
    case Status::Code::Corrupt:
        return true;
    case Status::Code::NotFound:
        return opening;
    default:
        return false;
    }
}

// Runs `op` through the error handler until it succeeds or fails for good.
// `opening` tells an open of a table or index from a read.
template <class Op>
Step attempt(const char* operation, bool opening, Patience patience, Op op) {
    errors::TableAction action(operation);
    for (;;) {
        const Status st = op();
        if (st.isOk()) return Step::Done;
        if (patience == Patience::Quiet && passing(st, opening)) return Step::Busy;
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

// A lookup waits this long for another program's lock before it counts as
// busy (Quiet) or goes to the handler: the point-of-sale's own changes take
// microseconds, and a display must not freeze behind a long one.
constexpr int kLockWaitMs = 100;
// Quiet: the pauses before the lookup is tried again within one call.
constexpr std::chrono::milliseconds kQuietRetries[] = {std::chrono::milliseconds(30),
                                                       std::chrono::milliseconds(80)};

// One lookup's outcome: a text to show, or (Quiet) none yet.
struct Outcome {
    enum class Kind { Text, Busy, FilesMissing, FilesGone } kind = Kind::Text;
    std::string text;
    bool item = false;  // a found item's description
};

}  // namespace

class LookupRun {
public:
    LookupRun(InventoryLookup& owner, const std::string& cPath, Patience patience)
        : m_owner(owner), m_cPath(cPath), m_patience(patience) {}

    Outcome run(const LookupStart& start, const std::string& cProgName);

private:
    Outcome failed(Step step, const std::string& cProgName, const std::string& code) const {
        if (step == Step::Busy) return {Outcome::Kind::Busy, ""};
        return {Outcome::Kind::Text,
                step == Step::DamagedIndex ? indexFilesErrorText(m_cPath) : notFoundText(cProgName, code)};
    }

    InventoryLookup& m_owner;
    const std::string& m_cPath;
    Patience m_patience;
};

Outcome LookupRun::run(const LookupStart& start, const std::string& cProgName) {
    const std::string& code = start.code;
    const TablePlan plan =
        planTables(start.codeClass, m_owner.m_lTablesFound, [&](std::string_view fileName) {
            return platform::isFile(m_cPath + "\\" + std::string(fileName));
        });
    // The files of the code's own tables, seen here before and absent now,
    // are being written anew by the point-of-sale, unless that lasts (the
    // caller's to judge): when quiet, no text is given for them yet. Files
    // never seen give their texts at once, as does a stock code sent to
    // the merchandise tables because its own are missing.
    const bool stock = start.codeClass == CodeClass::StandardStock;
    std::atomic<bool>& seen = stock ? m_owner.m_stockFilesSeen : m_owner.m_merchandiseFilesSeen;
    if (plan == (stock ? TablePlan::OpenStock : TablePlan::OpenMerchandise)) {
        seen = true;
    } else if (seen && m_patience == Patience::Quiet) {
        return {Outcome::Kind::FilesGone, ""};
    }
    switch (plan) {
    case TablePlan::DataFilesMissing:
        // A negative code is a merchandise code (planTables): with the
        // merchandise table files missing it gets this text too.
        return {Outcome::Kind::FilesMissing, dataFilesErrorText(m_cPath)};
    case TablePlan::IndexFilesMissing:
        return {Outcome::Kind::FilesMissing, indexFilesErrorText(m_cPath)};
    case TablePlan::OpenStock:
    case TablePlan::OpenMerchandise:
        break;
    }

    ItemTables tables(m_cPath, plan, kLockWaitMs);
    for (std::size_t k = 0; k < tables.count(); ++k) {
        Step step = attempt("DbUseArea", true, m_patience, [&] { return tables.openTable(k); });
        if (step == Step::Done) {
            step = attempt("OrdListAdd", true, m_patience, [&] { return tables.openOrder(k); });
        }
        if (step == Step::Done) {
            step = attempt("DbGoTop", false, m_patience, [&] { return tables.toFirstKey(k); });
        }
        if (step != Step::Done) return failed(step, cProgName, code);
    }
    m_owner.m_lTablesFound = true;

    bool found = false;
    ItemRecord item;
    if (Step step = attempt("DbSeek", false, m_patience,
                            [&] { return tables.findItem(code, &found, &item); });
        step != Step::Done) {
        return failed(step, cProgName, code);
    }
    if (!found) return {Outcome::Kind::Text, notFoundText(cProgName, code)};
    if (start.codeClass == CodeClass::StandardStock) {
        // A standard stock code in the merchandise tables (its own files
        // missing) has no description there, since a stock description is
        // read from istock: it is reported as not found even when imerch
        // holds the code.
        if (plan != TablePlan::OpenStock) return {Outcome::Kind::Text, notFoundText(cProgName, code)};
        return {Outcome::Kind::Text, describeStock(item, code, m_owner.priceOnRequest()), true};
    }
    std::vector<ComponentLine> lines;
    if (Step step = attempt("DbSkip", false, m_patience,
                            [&] { return tables.readComponents(code, &lines); });
        step != Step::Done) {
        return failed(step, cProgName, code);
    }
    return {Outcome::Kind::Text, describeMerchandise(item, lines, code, m_owner.priceOnRequest()), true};
}

void InventoryLookup::setPriceOnRequest(std::optional<PriceOnRequest> onRequest) {
    std::lock_guard lock(m_mutex);
    m_priceOnRequest = std::move(onRequest);
}

std::optional<PriceOnRequest> InventoryLookup::priceOnRequest() const {
    std::lock_guard lock(m_mutex);
    return m_priceOnRequest;
}

Description InventoryLookup::describe(const std::string& cCode, const std::string& cPath,
                                      Patience patience) {
    const std::string cProgName = core::programState().cProgName.getData();
    const LookupStart start = startLookup(cCode, core::StopDisplay(), cProgName);
    if (start.text) return {*start.text, true};

    LookupRun lookup(*this, cPath, patience);
    for (std::size_t tries = 0;; ++tries) {
        const Outcome outcome = lookup.run(start, cProgName);
        const bool last = patience == Patience::Report || tries == std::size(kQuietRetries);
        switch (outcome.kind) {
        case Outcome::Kind::Text:
            return {outcome.text, true, outcome.item};
        case Outcome::Kind::FilesMissing:
            // A file may be absent for a moment while the point-of-sale
            // replaces it: looked for again before the text is given.
            if (last) return {outcome.text, true};
            break;
        case Outcome::Kind::FilesGone:
            if (last) return {"", false, false, true};
            break;
        case Outcome::Kind::Busy:
            if (last) return {"", false};
            break;
        }
        std::this_thread::sleep_for(kQuietRetries[tries]);
    }
}

}  // namespace inventory
