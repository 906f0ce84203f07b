#include "core/display_state.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace core {
namespace {

std::mutex g_sourceMutex;
std::string g_source = "DATA";
std::atomic<bool> g_stop{false};

std::mutex g_exitMutex;
std::function<void()> g_exitProcedure;
std::once_flag g_exitOnce;

}  // namespace

std::string DataSource() {
    std::lock_guard lock(g_sourceMutex);
    return g_source;
}

std::string DataSource(std::string_view cNew) {
    std::lock_guard lock(g_sourceMutex);
    g_source = std::string(cNew);
    return g_source;
}

bool StopDisplay() { return g_stop.load(); }

bool StopDisplay(bool lNew) {
    g_stop.store(lNew);
    return lNew;
}

void resetDisplayState() {
    DataSource("DATA");
    StopDisplay(false);
}

void setExitProcedure(std::function<void()> procedure) {
    std::lock_guard lock(g_exitMutex);
    g_exitProcedure = std::move(procedure);
}

void endProgram(int exitCode) {
    std::call_once(g_exitOnce, [] {
        std::function<void()> procedure;
        {
            std::lock_guard lock(g_exitMutex);
            procedure = g_exitProcedure;
        }
        if (procedure) procedure();
    });
    std::fflush(nullptr);
    std::_Exit(exitCode);
}

void Quit() { endProgram(0); }

}  // namespace core
