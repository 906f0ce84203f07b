#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/dialogs.h"

// The re-index utility: rebuilds the NTX indexes of the three inventory
// tables in the data path, without a window of its own. The Settings page
// (inventory/ui/index_util_ui.h) and lumisett-tool reindex drive it.
namespace inventory {

// One inventory table and its index, as full program-form file names. The
// index's name ("istkcode") lives only in its file name: an NTX header has
// no field known to hold one. Its bytes after the unique flag are kept for
// later engines (a descending flag, a condition, the lock scheme) at offsets
// no source gives, and the point-of-sale shares the file, so they stay zero.
struct IndexFile {
    std::string table;  // cPath + "\istock.dbf"
    std::string index;  // cPath + "\istkcode.ntx"
    std::string alias;  // "istock"
    std::string key;    // "istock->code"
};

// The three tables of data path `cPath` (no trailing backslash), in the order
// standard stock, merchandise, sub-items.
struct IndexFiles {
    IndexFile stock, merch, sub;
};
IndexFiles indexFiles(const std::string& cPath);

// The progress display of a run. create() and destroy() come from the thread
// that runs IndexUtil; setRange() and increment() from the thread that builds
// the indexes.
class ReindexProgress {
public:
    virtual ~ReindexProgress() = default;
    virtual void create() {}
    // Sets the minimum, then the maximum, then the current value, in that order.
    virtual void setRange(double minimum, double maximum, double current) = 0;
    virtual void increment(double n) = 0;
    virtual void destroy() {}
};

// The "Re-indexing:" label shown beside the bar. Thread that runs IndexUtil.
class ReindexLabel {
public:
    virtual ~ReindexLabel() = default;
    virtual void create() = 0;
    virtual void destroy() = 0;
};

// How a run ended.
enum class ReindexResult {
    Done,       // every index rebuilt
    Cancelled,  // the confirmation was not answered OK
    NoTables,   // no standard stock table in the data path
    Stopped,    // a table could not be opened or an index not written (the
                // error handler let the operation fail); old indexes kept
};

// What rebuildIndexes did.
struct RebuildReport {
    ReindexResult result = ReindexResult::Done;
    std::uint32_t count = 0;  // records counted (nCount)
    std::string message;      // for Stopped: what failed, for the user
};

// The table work of a run, on the calling thread: opens the stock table
// exclusively and, when the merchandise table exists, the merchandise and
// sub-item tables; counts their records; gives `progress` the range 1 to the
// count (current 1); builds the sub-item, the merchandise and the stock
// index, in that order, with one increment(1) per record. The tables stay
// open, exclusively, until it returns, also when an error unwinds.
// Failures go through the error handler (errors::TableAction); an open or a
// build that fails with the handler's default result ends the work with
// Stopped (nothing more is built), whose message names the file and the cause
// (missing, held by another program, not written). Each index file is
// replaced only when its new version is complete.
RebuildReport rebuildIndexes(const IndexFiles& files, ReindexProgress& progress);

// Runs `work` and returns when it has ended, rethrowing what it threw. The
// Settings page runs it on a worker thread while the window keeps painting.
using RunWork = std::function<void(const std::function<void()>& work)>;

// Runs `work` on a new thread, waits for it and rethrows what it threw.
// Meanwhile the calling thread runs `whileRunning`, which must return once
// `atEnd` has run; `atEnd` runs on the new thread after `work`, however that
// ended. Without them the calling thread just waits.
void runOnWorkerThread(const std::function<void()>& work,
                       const std::function<void()>& whileRunning = {},
                       const std::function<void()>& atEnd = {});

// Texts and codes of the confirmation.
inline constexpr const char* kReindexTitle = "Re-index files?";
inline constexpr const char* kReindexQuestion =
    "This Utility will create, or re-create, index files for the\r\n"
    "inventory files used by Lumisett. These inventory files will\r\n"
    "be locked for the duration of the indexing process.";
inline constexpr platform::Buttons kReindexButtons = platform::Buttons::OkCancel;
// A warning, with the second button, Cancel, the default.
inline constexpr platform::BoxStyle kReindexStyle{platform::Icon::Warning, 1};
inline constexpr const char* kNoTablesMessage =
    "ERROR! Data files not found. Must set data path.\r\nRe-index may not be required.";
inline constexpr const char* kReindexDone = "Re-indexing complete";

// The utility behind the Settings page's Re-index button. Suspends the
// display and asks for confirmation through platform::dialogs(); on OK with a
// stock table present it creates `label` and `progress`, waits until the
// display has let go of the tables (`releaseDisplayTables`: the display's
// turn in progress has ended and no other starts while suspended), runs
// rebuildIndexes through `runWork`, removes the label, says "Re-indexing
// complete", removes the bar and resumes the display.
//
// On Cancel or a missing stock table nothing is created and the display
// suspension goes back to what it was before the call. A run that stops
// (Stopped) shows what failed; one that unwinds (errors::Unwind from the
// error handler) removes the label and the bar and lets the Unwind pass. In
// both cases the display stays suspended until another action resumes it.
// Without `runWork` the work runs through runOnWorkerThread.
ReindexResult IndexUtil(const std::string& cPath, ReindexLabel& label, ReindexProgress& progress,
                        const RunWork& runWork = {},
                        const std::function<void()>& releaseDisplayTables = {});

}  // namespace inventory
