#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "tables/table.h"

// The work areas: what the rest of the program calls to use tables, in the
// xBase manner, over the table engine (tables/table.h, tables/cursor.h).
//
// Every open table lives in a numbered work area (1, 2, ...) of the thread
// that opened it, under an alias (kept in upper case, compared without regard
// to case). Each thread has its own areas and its own current area; nothing
// here touches another thread's areas except commitAndCloseEverything().
//
// Paths are in program form ("C:\POS\istock"); a name without an extension
// gets ".dbf" (tables) or ".ntx" (indexes).
//
// Failures are not returned: each failed engine Status fills an errors::Error
// (subsystem "DBFNTX", generic code, sub-code, description, file, operation,
// the operating system's code) and goes through errors::raise(). When the handler
// answers Retry the operation runs again; Default makes it fail with the
// default result named below; Unwind propagates (errors::Unwind). An open
// refused because another program holds the file carries genCode 71 and
// osCode 32, with canDefault true.
// A damaged or stale index (an entry that leads to a record with another key
// or past the end of the table, a broken tree, a header that is no NTX
// header) carries genCode errors::kGenCorrupt and sub-code kSubDamagedIndex,
// naming the index file: re-indexing mends it.
//
// Cursor rules: moving past the last record (or the last key of the
// controlling order) gives end of file, where the record number is
// lastRec() + 1 and every field reads blank; moving before the first gives
// bof() and stays on the first. Deleted records are visible like others.
//
// Writes: fieldPut changes the current record in memory; the record is
// written when the cursor moves, on commit, append or close. Tables with an
// open order cannot be written (this engine does not update NTX files in
// place; rebuild the index with createIndex instead).
namespace errors {
struct Error;
}

namespace workareas {

using FieldSpec = tables::FieldSpec;

// Sub-code (subsystem "DBFNTX") of a damaged or stale index, see above.
inline constexpr int kSubDamagedIndex = 1013;

// Whether `error` is a damaged or stale index raised by the work areas.
bool isDamagedIndex(const errors::Error& error);

// --- areas ---

// Opens the table at `path` in the first free work area of this thread and
// makes that area current (even when the open fails). `alias` "" means the
// file name without its extension. Shared opens allow other programs to
// open and change the file; exclusive ones fail while anybody has it open.
// Default result: false, and no table is open in the area.
bool useArea(const std::string& path, const std::string& alias, bool shared, bool readOnly);

// Makes the area with `alias` current. Default result: false, current area
// unchanged.
bool selectArea(std::string_view alias);
// Makes area `number` current; 0 selects the first free area.
void selectArea(int number);
// The current area's number (1 when nothing was selected yet).
int currentArea();
// The current area's alias ("" when it is not in use).
std::string currentAlias();
// Whether `alias` is open in this thread.
bool isAliasOpen(std::string_view alias);
// Whether the current area holds a table.
bool isUsed();

// Commits and closes the current area / every area of this thread. Errors
// are raised as usual; the area is closed afterwards in any case.
void closeArea();
void closeAll();

// Commits and closes every table of every thread, in thread and then area
// order, swallowing every error: a failed commit drops the pending change and
// the table is closed anyway. For the exit procedure, when no other thread
// uses tables any more; another thread's later table calls find its areas
// empty. A thread still inside a table operation after `patience` keeps its
// tables (false); the calling thread's are always closed. Any thread.
bool commitAndCloseEverything(
    std::chrono::milliseconds patience = std::chrono::milliseconds(250));

// --- orders (indexes) ---

// Closes the current area's index.
void ordListClear();
// Opens the NTX index at `path` (with the table's sharing) as the current
// area's controlling order and goes to its first key. Default result: false,
// no order.
bool ordListAdd(const std::string& path);

// --- moving ---

// Exact seek in the controlling order (not soft): goes to the first record
// whose key begins with `key` (a key longer than the key size is cut) and
// returns true; otherwise goes to end of file and returns false.
// Default result: false.
bool seek(std::string_view key);
// The result of the last seek.
bool found();
void goTop();
void goBottom();
// Goes to record `recno`; outside 1..lastRec(): end of file.
void goTo(std::uint32_t recno);
// Moves `count` records (negative: backwards) in the controlling order, or in
// record order when there is none.
void skip(long count = 1);

std::uint32_t recNo();    // 0 in an unused area
std::uint32_t lastRec();  // record count (re-read for shared opens)
bool eof();               // true in an unused area
bool bof();               // true in an unused area
bool deleted();

// --- fields of the current record (names without regard to case) ---

// The raw text, blank-padded to the field width. Default result: "".
std::string fieldGetString(std::string_view name);
// Numeric value (blank or unparsable text: 0). Default result: 0.
double fieldGetNumber(std::string_view name);
// "YYYYMMDD", or 8 blanks for an empty date. Default result: "".
std::string fieldGetDate(std::string_view name);
bool fieldGetLogical(std::string_view name);

// Stores a value in the current record: text is cut or blank-padded to the
// width; a number that does not fit is refused (error) rather than cut.
void fieldPut(std::string_view name, std::string_view text);
void fieldPutNumber(std::string_view name, double value);
void fieldPutLogical(std::string_view name, bool value);

// Marks the current record deleted (its flag byte becomes "*"); it stays in
// place, visible, with its number and index keys.
void deleteRecord();

// Appends a blank record and goes to it. Default result: false.
bool appendBlank();
// Writes the pending change and flushes the table to disk.
void commit();

// --- creating ---

// Creates (or replaces) the table at `path` with `fields`, empty; it stays
// closed. Default result: false.
bool createTable(const std::string& path, const std::vector<FieldSpec>& fields);

// Builds the NTX index `path` over the current table. `keyExpression`
// ("istock->code", or just "code") names the key field, a character or date
// field of the current table, and is stored in the index as written.
// `eachRecord`, when set, is called once per record in table order with the
// record number (progress display). The index is built in a temporary file
// beside `path` and renamed over it only when complete; a failed build leaves
// any old index as it was. Afterwards the new index is the controlling order
// and the cursor is on its first key. Default result: false.
bool createIndex(const std::string& path, const std::string& keyExpression,
                 const std::function<void(std::uint32_t)>& eachRecord = {});

// Field layout of the current table, in order (empty when unused).
std::vector<FieldSpec> tableStructure();

}  // namespace workareas
