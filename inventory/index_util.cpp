#include "inventory/index_util.h"

#include <exception>
#include <memory>
#include <thread>
#include <vector>

#include "core/display_state.h"
#include "errors/table_errors.h"
#include "platform/dialogs.h"
#include "platform/fs.h"
#include "tables/table.h"
#include "tables/table_index.h"

namespace inventory {

namespace {

IndexFile indexFile(const std::string& cPath, const char* alias, const char* tag) {
    std::string a = alias;
    return {cPath + "\\" + a + ".dbf", cPath + "\\" + tag + ".ntx", a, a + "->code"};
}

// Removes the label and the bar unless the run got to its end.
struct RemoveWidgetsUnlessDone {
    ReindexLabel* label;
    ReindexProgress* progress;
    ~RemoveWidgetsUnlessDone() {
        if (label) label->destroy();
        if (progress) progress->destroy();
    }
};

RebuildReport stopped(RebuildReport report, std::string message) {
    report.result = ReindexResult::Stopped;
    report.message = std::move(message);
    return report;
}

std::string openFailure(const IndexFile& f, const platform::Status& st) {
    if (st.code() == platform::Status::Code::NotFound) {
        return "Re-index stopped: " + f.table + " is missing.\r\n" +
               "Check the data path; the index files there are unchanged.";
    }
    return "Re-index stopped: " + f.table + " could not be opened for exclusive use.\r\n" +
           "Close the point-of-sale and any other program that uses it, then try again.";
}

std::string buildFailure(const IndexFile& f) {
    return "Re-index stopped: " + f.index + " could not be written.\r\n" +
           "The index file there before is unchanged.";
}

// A table of the run, open exclusively until the run ends, however it ends.
struct HeldTable {
    const IndexFile* file;
    std::unique_ptr<tables::Table> table;
};

}  // namespace

IndexFiles indexFiles(const std::string& cPath) {
    return {indexFile(cPath, "istock", "istkcode"), indexFile(cPath, "imerch", "imercode"),
            indexFile(cPath, "isub", "isubcode")};
}

RebuildReport rebuildIndexes(const IndexFiles& files, ReindexProgress& progress) {
    RebuildReport report;
    const bool withMerch = platform::isFile(files.merch.table);
    std::vector<HeldTable> held;
    for (const IndexFile* f : {&files.stock, &files.merch, &files.sub}) {
        if (f == &files.stock || withMerch) held.push_back({f, nullptr});
    }
    for (HeldTable& h : held) {
        platform::Status st = errors::TableAction("DbUseArea").run(errors::TableStep::Open, [&] {
            return tables::Table::open(h.file->table, false, false, &h.table);
        });
        std::uint32_t count = 0;
        if (st.isOk()) {
            st = errors::TableAction("LastRec").run(errors::TableStep::Read,
                                                    [&] { return h.table->recordCount(&count); });
        }
        if (!st.isOk()) return stopped(report, openFailure(*h.file, st));
        report.count += count;
    }

    progress.setRange(1, report.count, 1);

    auto each = [&progress](std::uint32_t) { progress.increment(1); };
    // Built in the order sub-items, merchandise, stock.
    std::vector<const HeldTable*> built;
    if (withMerch) built = {&held[2], &held[1]};
    built.push_back(&held[0]);
    for (const HeldTable* h : built) {
        errors::TableAction action("DbCreateIndex");
        for (;;) {
            tables::BuiltIndex index;
            platform::Status st = tables::buildIndex(*h->table, h->file->index, h->file->key, each, &index);
            if (st.isOk()) st = index.install();
            if (st.isOk()) break;
            // Reading the table failed, or writing the index.
            const errors::TableStep step = st.file() == h->table->path() ? errors::TableStep::Read
                                                                        : errors::TableStep::CreateIndex;
            if (!action.retry(st, step)) return stopped(report, buildFailure(*h->file));
        }
    }
    return report;
}

void runOnWorkerThread(const std::function<void()>& work, const std::function<void()>& whileRunning,
                       const std::function<void()>& atEnd) {
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        if (atEnd) atEnd();
    });
    if (whileRunning) whileRunning();
    worker.join();
    if (failure) std::rethrow_exception(failure);
}

ReindexResult IndexUtil(const std::string& cPath, ReindexLabel& label, ReindexProgress& progress,
                        const RunWork& runWork, const std::function<void()>& releaseDisplayTables) {
    const IndexFiles files = indexFiles(cPath);
    const bool wasStopped = core::StopDisplay();
    core::StopDisplay(true);

    platform::Dialogs& dialogs = platform::dialogs();
    if (dialogs.confirmBox(kReindexQuestion, kReindexTitle, kReindexButtons, kReindexStyle) !=
        platform::Answer::Ok) {
        core::StopDisplay(wasStopped);
        return ReindexResult::Cancelled;
    }
    if (!platform::isFile(files.stock.table)) {
        dialogs.messageBox(kNoTablesMessage);
        core::StopDisplay(wasStopped);
        return ReindexResult::NoTables;
    }

    RemoveWidgetsUnlessDone remove{&label, &progress};
    label.create();
    progress.create();
    if (releaseDisplayTables) releaseDisplayTables();

    RebuildReport report;
    auto work = [&] { report = rebuildIndexes(files, progress); };
    if (runWork) runWork(work);
    else runOnWorkerThread(work);

    remove.label = nullptr;
    label.destroy();
    dialogs.messageBox(report.result == ReindexResult::Done ? std::string(kReindexDone)
                                                            : report.message);
    remove.progress = nullptr;
    progress.destroy();
    if (report.result == ReindexResult::Done) core::StopDisplay(false);
    return report.result;
}

}  // namespace inventory
