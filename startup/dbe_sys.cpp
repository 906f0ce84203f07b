#include "startup/dbe_sys.h"

#include "platform/dialogs.h"
#include "tables/dbe.h"

namespace startup {

EngineOps realEngineOps() { return {tables::dbeLoad, tables::dbeBuild}; }

void DbeSys() { DbeSys(realEngineOps()); }

void DbeSys(const EngineOps& ops) {
    struct Engine {
        const char* name;
        bool hidden;
    };
    static const Engine kLoadList[] = {
        {"DBFDBE", true}, {"NTXDBE", true}, {"DELDBE", false}, {"SDFDBE", false}};
    struct Compound {
        const char* name;
        int data, order;  // positions in the load list
    };
    static const Compound kCompounds[] = {{"DBFNTX", 0, 1}};

    // Character keys sort in plain byte order (the point-of-sale's collation
    // for item codes). The date format follows the century flag, which the
    // program itself never sets.
    tables::setDateFormat(tables::century() ? "mm/dd/yyyy" : "mm/dd/yy");
    tables::dbeResetForSetup();
    for (const auto& e : kLoadList) {
        if (!ops.load(e.name, e.hidden)) {
            platform::dialogs().alertBox(std::string(e.name) + " database engine not loaded", {"OK"});
        }
    }
    for (const auto& c : kCompounds) {
        if (!ops.build(c.name, kLoadList[c.data].name, kLoadList[c.order].name)) {
            platform::dialogs().alertBox(std::string(c.name) + " database engine could not be created",
                                         {"OK"});
        }
    }
}

}  // namespace startup
