// Stands in for the metafile conversion child in the tests: started as
// lumisett-tool would be, it does what LUMISETT_FAKE_CHILD says (crash, hang,
// fail; anything else: exit 0 having written nothing), and first adds a line
// to the file LUMISETT_FAKE_CHILD_LOG names, so that a test sees it ran.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#endif

int main() {
    if (const char* log = std::getenv("LUMISETT_FAKE_CHILD_LOG")) {
        if (std::FILE* f = std::fopen(log, "a")) {
            std::fputs("started\n", f);
            std::fclose(f);
        }
    }
    const char* mode = std::getenv("LUMISETT_FAKE_CHILD");
    const std::string what = mode ? mode : "";
    if (what == "crash") {
#ifdef _WIN32
        SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
        RaiseException(EXCEPTION_ACCESS_VIOLATION, EXCEPTION_NONCONTINUABLE, 0, nullptr);
#else
        std::signal(SIGSEGV, SIG_DFL);  // past a sanitizer's handler
        std::raise(SIGSEGV);
#endif
    }
    if (what == "hang") std::this_thread::sleep_for(std::chrono::seconds(120));
    if (what == "fail") return 1;
    return 0;
}
