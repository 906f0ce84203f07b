#pragma once

#include <string>
#include <vector>

// The database engines of the process and the settings their routines read,
// as the start-up set-up (DbeSys) leaves them. Process-wide; any thread.
//
// The engines are names: "DBFDBE", "NTXDBE", "DELDBE" and "SDFDBE" load, and
// the compound "DBFNTX" (DBF tables with NTX orders) is what work_area.h
// implements. Until a set-up has run, DBFNTX counts as available, so tools and
// tests need none; once a set-up ran and could not build it, opening a table
// fails with "DBFNTX database engine not loaded".
namespace tables {

// Loads the engine `name`; false for an unknown name.
bool dbeLoad(const std::string& name, bool hidden);
// Builds compound engine `name` from two loaded engines and makes it the
// default; false when a component is missing or the pair is not DBF + NTX.
bool dbeBuild(const std::string& name, const std::string& dataEngine,
              const std::string& orderEngine);
// Names of the loaded engines (hidden ones included), in load order.
std::vector<std::string> dbeList();
// The default engine ("" when none was built).
std::string dbeDefault();
// Marks the start of a set-up: engines from an earlier one are forgotten and
// DBFNTX is no longer assumed.
void dbeResetForSetup();
// Whether tables can be opened (see above).
bool dbfntxAvailable();

// The settings DbeSys makes.
void setCollation(int collation);
int collation();
void setDateFormat(const std::string& format);
std::string dateFormat();       // "mm/dd/yy" until set
void setCenturyFlag(bool on);   // the program never sets it; tests do
bool centuryFlag();

}  // namespace tables
