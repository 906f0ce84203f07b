#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "errors/standard_eh.h"
#include "testsupport/scripted_dialogs.h"
#include "testsupport/temp_dir.h"

// What the handler and error log tests share: services with scripted
// dialogs, a fixed clock, version, OS and call stack, and an end of the
// program that throws instead of exiting.
namespace errors::test {

struct ProgramEnded {
    int code;
};

// Installs `handler` for the whole process while the scope lasts.
struct HandlerScope {
    explicit HandlerScope(Handler handler) : previous(setHandler(std::move(handler))) {}
    ~HandlerScope() { setHandler(previous); }
    HandlerScope(const HandlerScope&) = delete;
    HandlerScope& operator=(const HandlerScope&) = delete;
    Handler previous;
};

inline std::tm fixedTime() {
    std::tm t{};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 2;  // March
    t.tm_mday = 7;
    t.tm_hour = 9;
    t.tm_min = 5;
    t.tm_sec = 3;
    return t;
}

inline std::vector<Frame> fixedFrames() {
    return {{"display::HangPicture", 212}, {"app::TimerThread", 48}, {"main", 9}};
}

inline Services testServices(testsupport::ScriptedDialogs& dialogs,
                             const testsupport::TempDir& dir) {
    Services s;
    s.dialogs = &dialogs;
    s.callStack = [](const Error&) { return fixedFrames(); };
    s.osText = [](int code) { return "os text " + std::to_string(code); };
    s.endProgram = [](int code) { throw ProgramEnded{code}; };
    s.logFolder = dir.str();
    s.programPath = [] { return std::string("C:\\SHOP\\LUMISETT.EXE"); };
    s.now = fixedTime;
    s.version = "1.1.0.abc1234";
    s.osName = "TestOS 4.2";
    return s;
}

}  // namespace errors::test
