#include "tables/dbe.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

namespace tables {
namespace {

struct EngineState {
    std::mutex mutex;
    bool setUpRan = false;
    std::vector<std::string> loaded;
    std::string defaultEngine;
    std::string dateFormat = "mm/dd/yy";
    bool century = false;
};

EngineState& state() {
    static EngineState s;
    return s;
}

// Runs `f` on the state under its lock.
template <class F>
auto locked(F f) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    return f(s);
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

void dbeResetForSetup() {
    locked([](EngineState& s) {
        s.setUpRan = true;
        s.loaded.clear();
        s.defaultEngine.clear();
        return 0;
    });
}

bool dbfntxAvailable() {
    return locked([](EngineState& s) { return !s.setUpRan || s.defaultEngine == "DBFNTX"; });
}

void setDateFormat(const std::string& format) {
    locked([&](EngineState& s) { return s.dateFormat = format; });
}

std::string dateFormat() {
    return locked([](EngineState& s) { return s.dateFormat; });
}

void setCentury(bool on) {
    locked([&](EngineState& s) { return s.century = on; });
}

bool century() {
    return locked([](EngineState& s) { return s.century; });
}

}  // namespace tables
