#include "inventory/index_util.h"

#include <exception>
#include <thread>
#include <vector>

#include "core/display_state.h"
#include "errors/recovery.h"
#include "platform/dialogs.h"
#include "platform/fs.h"
#include "workareas/work_area.h"

namespace inventory {

namespace {

IndexFile indexFile(const std::string& cPath, const char* alias, const char* tag) {
    std::string a = alias;
    return {cPath + "\\" + a + ".dbf", cPath + "\\" + tag + ".ntx", a, a + "->code"};
}

// Closes the calling thread's tables when the work ends, however it ends; on
// an unwinding error the close itself may fail only silently.
struct CloseTablesAtEnd {
    int unwinding = std::uncaught_exceptions();
    ~CloseTablesAtEnd() {
        if (std::uncaught_exceptions() > unwinding) {
            errors::AbortEachStep quiet;
            quiet.run([] { workareas::closeAll(); });
        }
    }
};

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

std::string openFailure(const IndexFile& f) {
    return "Re-index stopped: " + f.table + " could not be opened for exclusive use.\r\n" +
           "Close the point-of-sale and any other program that uses it, then try again.";
}

std::string buildFailure(const IndexFile& f) {
    return "Re-index stopped: " + f.index + " could not be written.\r\n" +
           "The index file there before is unchanged.";
}

}  // namespace

IndexFiles indexFiles(const std::string& cPath) {
    return {indexFile(cPath, "istock", "istkcode"), indexFile(cPath, "imerch", "imercode"),
            indexFile(cPath, "isub", "isubcode")};
}

RebuildReport rebuildIndexes(const IndexFiles& files, ReindexProgress& progress) {
    CloseTablesAtEnd closeAtEnd;
    RebuildReport report;
    workareas::closeAll();

    const bool withMerch = platform::isFile(files.merch.table);
    std::vector<const IndexFile*> opened{&files.stock};
    if (withMerch) {
        opened.push_back(&files.merch);
        opened.push_back(&files.sub);
    }
    for (const IndexFile* f : opened) {
        if (!workareas::useArea(f->table, f->alias, false, false)) {
            workareas::closeAll();
            return stopped(report, openFailure(*f));
        }
        report.count += workareas::lastRec();
    }

    progress.setRange(1, report.count, 1);

    auto each = [&progress](std::uint32_t) { progress.increment(1); };
    std::vector<const IndexFile*> built;
    if (withMerch) built = {&files.sub, &files.merch};
    built.push_back(&files.stock);
    for (const IndexFile* f : built) {
        if (!workareas::selectArea(f->alias) || !workareas::createIndex(f->index, f->key, each)) {
            workareas::closeAll();
            return stopped(report, buildFailure(*f));
        }
    }
    workareas::closeAll();
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
                        const RunWork& runWork) {
    const IndexFiles files = indexFiles(cPath);
    workareas::closeAll();
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
