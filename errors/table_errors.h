#pragma once

#include <string>

#include "errors/error.h"
#include "platform/status.h"

// Failures of the table engine as run-time errors: where a table operation
// fails, its Status goes to the error handler through a TableAction, which
// answers retry, default or unwind.
namespace errors {

// What the failed operation was doing; it decides the error's generic code
// and sub-code (subsystem "DBFNTX").
enum class TableStep {
    Open,         // opening a table (genCode 71, sub-code 1001)
    OpenIndex,    // opening an index (71, 1003)
    Create,       // creating a table (20, 1004)
    CreateIndex,  // building or installing an index (20, 1005)
    Read,         // moving, seeking or reading (22, 1010)
    Write,        // writing, appending, committing (23, 1011)
    Field,        // a field the table does not have (34, 1020)
};

// Sub-codes the program tells apart. A Corrupt or Unsupported status is a
// damaged file (genCode kGenCorrupt): kSubDamagedIndex when the file is an
// index, which re-indexing mends, else kSubDamagedTable.
inline constexpr int kSubDamagedTable = 1012;
inline constexpr int kSubDamagedIndex = 1013;

// Whether `status` is a damaged or stale index: Corrupt or Unsupported in a
// file with the extension ".ntx" (an index entry that leads to a record with
// another key, a broken tree, a header that is no index header).
bool isDamagedIndex(const platform::Status& status);

// One operation on the tables (its name, such as "DbUseArea", goes into the
// error's `operation`), as the error handler sees it. Each failure handed to
// retry() is one more try of the same operation, so the error's `tries`
// counts them. One thread; make a new one for each operation.
class TableAction {
public:
    explicit TableAction(std::string operation);

    // Hands the failure `status` (not Ok) to the error handler as a run-time
    // error: description, file and operating-system code from the status;
    // canDefault always, canRetry unless the status is Invalid or Unsupported
    // (trying again cannot help). True when the handler answers Retry (run the
    // operation again), false when it lets the operation fail with its
    // default result; an Unwind from the handler propagates.
    bool retry(const platform::Status& status, TableStep step);

    // Runs `op` (returning a Status) until it succeeds or the handler lets
    // it fail; returns the last status.
    template <class Op>
    platform::Status run(TableStep step, Op&& op) {
        for (;;) {
            platform::Status st = op();
            if (st.isOk() || !retry(st, step)) return st;
        }
    }

private:
    Error m_error;
};

}  // namespace errors
