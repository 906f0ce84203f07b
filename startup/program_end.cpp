#include "startup/program_end.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "platform/temporary_file.h"

namespace startup {
namespace {

std::mutex g_exitMutex;
std::function<void()> g_exitProcedure;
std::once_flag g_exitOnce;

}  // namespace

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
        // A save cut short by the error that ends the program leaves no
        // temporary file behind (the procedure has closed the tables).
        platform::removeTemporaryFiles();
    });
    std::fflush(nullptr);
    std::_Exit(exitCode);
}

}  // namespace startup
