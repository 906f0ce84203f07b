#include "tables/dbe.h"

#include <algorithm>
#include <mutex>

namespace tables {
namespace {

struct EngineState {
    std::mutex mutex;
    bool setUpRan = false;
    std::vector<std::string> loaded;
    std::string defaultEngine;
    int collation = 0;
    std::string dateFormat = "mm/dd/yy";
    bool century = false;
};

EngineState& state() {
    static EngineState s;
    return s;
}

bool known(const std::string& name) {
    return name == "DBFDBE" || name == "NTXDBE" || name == "DELDBE" || name == "SDFDBE";
}

}  // namespace

bool dbeLoad(const std::string& name, bool hidden) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    if (!known(name)) return false;
    if (std::find(s.loaded.begin(), s.loaded.end(), name) == s.loaded.end()) {
        s.loaded.push_back(name);
    }
    return true;
}

bool dbeBuild(const std::string& name, const std::string& dataEngine,
              const std::string& orderEngine) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    auto has = [&](const std::string& n) {
        return std::find(s.loaded.begin(), s.loaded.end(), n) != s.loaded.end();
    };
    if (name != "DBFNTX" || dataEngine != "DBFDBE" || orderEngine != "NTXDBE") return false;
    if (!has(dataEngine) || !has(orderEngine)) return false;
    s.defaultEngine = name;
    return true;
}

std::vector<std::string> dbeList() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    return s.loaded;
}

std::string dbeDefault() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    return s.defaultEngine;
}

void dbeResetForSetup() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.setUpRan = true;
    s.loaded.clear();
    s.defaultEngine.clear();
}

bool dbfntxAvailable() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    return !s.setUpRan || s.defaultEngine == "DBFNTX";
}

void setCollation(int collation) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.collation = collation;
}

int collation() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    return s.collation;
}

void setDateFormat(const std::string& format) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.dateFormat = format;
}

std::string dateFormat() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    return s.dateFormat;
}

void setCenturyFlag(bool on) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.century = on;
}

bool centuryFlag() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    return s.century;
}

}  // namespace tables
