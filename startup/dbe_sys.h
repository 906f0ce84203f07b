#pragma once

#include <functional>
#include <string>

// Database engine set-up, run once at start-up before Main.
namespace startup {

// The engine operations DbeSys uses; tests replace them to make a load or
// the build fail.
struct EngineOps {
    std::function<bool(const std::string& name, bool hidden)> load;
    std::function<bool(const std::string& name, const std::string& data,
                       const std::string& order)> build;
};

// The table engine's own operations (tables/dbe.h).
EngineOps realEngineOps();

// Sets the date format (tables::dateFormat) "mm/dd/yyyy" when the century
// flag is on, else "mm/dd/yy"; loads DBFDBE and NTXDBE (hidden), DELDBE and
// SDFDBE; builds DBFNTX from the first two, which becomes the default. A
// failed load shows "<name> database engine not loaded", a failed build
// "DBFNTX database engine could not be created", each in an alert with the
// one button "OK" (platform::dialogs()), and set-up goes on. GUI thread.
void DbeSys();
void DbeSys(const EngineOps& ops);

}  // namespace startup
