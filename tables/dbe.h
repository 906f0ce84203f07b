#pragma once

#include <string>

// The database engines of the process and the date format, as the start-up
// set-up (DbeSys) leaves them. Process-wide; any thread.
//
// The engines are names: "DBFDBE", "NTXDBE", "DELDBE" and "SDFDBE" load, and
// the compound "DBFNTX" (DBF tables with NTX orders) is what this engine
// implements. Until a set-up has run, DBFNTX counts as available, so tools and
// tests need none; once a set-up ran and could not build it, Table::open
// refuses every table with "DBFNTX database engine not loaded".
namespace tables {

// Loads the engine `name`; false for an unknown name.
bool dbeLoad(const std::string& name, bool hidden);
// Builds compound engine `name` from two loaded engines and makes it the
// default; false when a component is missing or the pair is not DBF + NTX.
bool dbeBuild(const std::string& name, const std::string& dataEngine,
              const std::string& orderEngine);
// Marks the start of a set-up: engines from an earlier one are forgotten and
// DBFNTX is no longer assumed.
void dbeResetForSetup();
// Whether tables can be opened (see above).
bool dbfntxAvailable();

// The date format DbeSys sets for the program's dates ("mm/dd/yy" until set):
// "mm", "dd", "yy" and "yyyy" stand for the month, the day and the year with
// two or four digits. The error log's date follows it.
void setDateFormat(const std::string& format);
std::string dateFormat();
// The century flag: whether years are written with four digits. Off unless
// set; DbeSys reads it to choose the date format.
void setCentury(bool on);
bool century();

}  // namespace tables
