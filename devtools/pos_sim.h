#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "platform/status.h"

// A busy point-of-sale on a shared data folder (istock, imerch, isub and
// their NTX indexes, devtools/demo_tables.h), for the end-to-end tests and
// benchmarks that run displays against it. Each action does to the files what
// a till does, with the locks of dbf.md and ntx.md (section 7), and every
// version of every record it writes goes into a journal. No Qt.
namespace devtools {

enum class PosAction {
    Rewrite,        // one record, whole, in one write under its record lock
    RewritePieces,  // one record in two writes, a pause between, under its record lock
    Append,         // a new record under the header lock, then its index brought up to date
    HoldIndex,      // the index lock held for a while
    Exclusive,      // a table and its index open exclusively for a while
    Reindex,        // an index rebuilt in place under the index lock
    Replace,        // a table or an index written beside and renamed over
    Delete,         // a table or an index gone for a while, then written again
};
inline constexpr int kPosActionCount = 8;

// The action's name on the command line and in the journal ("rewrite",
// "rewrite-pieces", "append", "hold-index", "exclusive", "reindex",
// "replace", "delete").
const char* actionName(PosAction action);

// How an append brings the index up to date, under the index lock.
enum class IndexUpdate {
    InPlace,  // the rebuilt index written over the old one, in the same file
    Rename,   // the rebuilt index written beside ("NAME.new") and renamed over
};

struct PosSimConfig {
    std::string dataFolder;
    // Which of "istock", "imerch", "isub" the actions choose from.
    std::vector<std::string> tables = {"istock", "imerch", "isub"};
    // Actions per second, on average (0: never), indexed by PosAction.
    double rates[kPosActionCount] = {};
    double piecePause = 0.2;        // seconds between the two writes of RewritePieces
    double holdSeconds = 1;         // HoldIndex
    double exclusiveSeconds = 1;    // Exclusive
    double goneSeconds = 0.5;       // Delete
    IndexUpdate indexUpdate = IndexUpdate::InPlace;
    std::uint64_t seed = 1;         // the same seed makes the same actions in the same order
};

// A moment of an action, for watchers (tests, --verbose). Each action sends
// "begin", then "held" while what it does is in effect (Rewrite: the record
// written, its lock still held; RewritePieces: the first piece written, the
// second not yet, the lock held; Append: the record appended, the index lock
// taken, the index not yet updated; HoldIndex: the lock held; Exclusive: both
// files open exclusively; Reindex: the lock taken, the index not yet written;
// Replace: the new file written beside, not yet renamed; Delete: the file
// gone), then "end" (also when it failed).
struct PosEvent {
    PosAction action;
    std::string phase;      // "begin", "held", "end"
    std::string table;      // "istock"
    std::string file;       // the file it concerns, full path ("" at "begin" and "end")
    std::uint32_t recno = 0;  // the record concerned, or 0
};

// What a run did.
struct PosCounts {
    std::uint64_t done[kPosActionCount] = {};
    // Found a file locked by someone else, or missing: tried again later.
    std::uint64_t busy[kPosActionCount] = {};
    std::uint64_t failed[kPosActionCount] = {};
};

// The simulator. One thread at a time; `stop` (when given) may be set from
// any thread or a signal handler: pauses end early and the action in hand
// is completed, so no file is left half written or away.
class PosSim {
public:
    // Checks the configuration and that each table and index is in the data
    // folder (NotFound naming the first missing one; Invalid for a bad
    // table name or rate), and opens the journal `journalPath` for appending
    // (a header line goes into a new or empty one). The journal is CSV:
    //   time,table,code,recno,version,description,price,action
    // time: seconds since 1970 (UTC) when the version was whole in the table
    // (for "found": when it was read);
    // version: the number at the end of the description (" V7") and, as a
    // whole amount, in the price (PRICE, or MASS in isub); action: the
    // action that wrote it, or "found" for the version a record had before
    // the first change of this run. Quotes as in RFC 4180; a line per version.
    // A version that no longer fits the price field (MASS holds 99999)
    // makes its action fail.
    [[nodiscard]] static platform::Status open(const PosSimConfig& config,
                                               const std::string& journalPath,
                                               const std::atomic<bool>* stop,
                                               std::unique_ptr<PosSim>* out);
    ~PosSim();

    void setObserver(std::function<void(const PosEvent&)> observer) {
        m_observer = std::move(observer);
    }

    // Runs one action now on a table chosen at random. Locked or NotFound
    // when a file was held or missing (another program's turn); any other
    // failure names its file.
    [[nodiscard]] platform::Status run(PosAction action);

    // Runs the actions with a rate at their rates, in an order fixed by the
    // seed, until `stop`, until `seconds` have passed (0: no limit) or
    // `maxActions` have run (0: no limit). Failures go to stderr and into
    // counts(); the run goes on. Actions run one after another, as at one
    // till: pauses inside an action (pieces, held locks) delay the next, so
    // the rates are reached only where the pauses leave room. Several
    // simulators on one folder act as several tills.
    void runSchedule(double seconds, std::uint64_t maxActions);

    const PosCounts& counts() const { return m_counts; }

private:
    struct Layout;

    PosSim() = default;
    std::string path(const std::string& name) const;
    const char* indexOf(const std::string& table) const;
    std::uint64_t draw(std::uint64_t n) { return n == 0 ? 0 : m_rng() % n; }
    double exponential(double rate);
    void send(PosAction action, const char* phase, const std::string& table,
              const std::string& file = "", std::uint32_t recno = 0);
    void pause(double seconds) const;

    platform::Status rewrite(const std::string& table, bool pieces);
    platform::Status append(const std::string& table);
    enum class IndexWrite { Over, Truncated, Beside };
    platform::Status writeIndex(PosAction action, const std::string& table, IndexWrite how);
    platform::Status holdIndex(const std::string& table);
    platform::Status exclusive(const std::string& table);
    platform::Status replace(const std::string& table);
    platform::Status removeForAWhile(const std::string& table);

    // Makes `record` (the current bytes of record `recno`) the record's next
    // version, journalling the version it had first when this run had not
    // seen the record yet.
    platform::Status nextVersion(const std::string& table, const Layout& layout,
                                 std::uint32_t recno, std::string* record, std::uint32_t* version);
    // One line of the journal; IoError when it cannot be written.
    platform::Status journal(const std::string& table, const Layout& layout, std::uint32_t recno,
                             const std::string& record, std::uint32_t version,
                             const char* action);
    platform::Status newCode(const std::string& table, std::string* code);

    PosSimConfig m_config;
    const std::atomic<bool>* m_stop = nullptr;
    std::mt19937_64 m_rng;
    std::FILE* m_journal = nullptr;
    std::function<void(const PosEvent&)> m_observer;
    PosCounts m_counts;
    std::set<std::pair<std::string, std::uint32_t>> m_seen;  // (table, recno) journalled
    std::map<std::string, std::set<std::string>> m_codes;  // codes seen in each table, for appends
};

}  // namespace devtools
