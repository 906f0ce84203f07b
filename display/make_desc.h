#pragma once

#include <string>

// The item lookup: from a code to the text of the description box.
namespace display {

// The text the description box shows for `cCode`, looked up in the inventory
// tables of the data path `cPath` (program form, no trailing backslash):
// "Program stopped" while the display is suspended (core::StopDisplay), the
// welcome text for an empty code, the "neither merchandise nor standard
// stock" text for a malformed one (no table touched in these three cases),
// the two "ERROR! ..." texts while table or index files are missing (checked
// only until a first lookup has opened its tables), the not-found text, or
// the item's description with its price (item_text.h). The shop's word comes
// from core::programState().cProgName.
//
// The tables are opened afresh, shared and read-only, in new work areas of
// the calling thread; whatever way MakeDesc leaves (a text, or an
// errors::Unwind), it has closed every table of the calling thread first,
// the slide show list table included.
//
// Records and component lines marked deleted are passed over: the
// point-of-sale marks a superseded record deleted and may enter the code
// again in a new record.
//
// A damaged or stale index (one whose entry leads to a record that holds
// another code, or past the end of the table: tables::Cursor checks every
// record it lands on) gives the missing-index text, so that the shop
// re-indexes; the customer never sees the record it led to, and no dialogue
// comes. The same holds for the isub lines of a merchandise item.
//
// Any other failing open or read is a run-time error and goes to the error handler
// (errors::raise through the table engine). When the handler answers
// Default the item counts as not found; when it unwinds, the errors::Unwind
// leaves MakeDesc (the display turn's recovery point catches it).
//
// Any thread; one lookup at a time per thread (work areas are per thread).
std::string MakeDesc(const std::string& cCode, const std::string& cPath);

// Whether a lookup has passed the file checks and opened its tables since
// the process started (or since the last reset). Once true, it stays true
// and the existence checks of the table and index files are skipped.
// Any thread.
bool tablesFound();

// Test hook: puts tablesFound() back to false, as at start-up. Never called
// by the program.
void resetTablesFoundForTests();

}  // namespace display
