#include "errors/call_stack.h"

#include <unwind.h>

#include "core/xbase_values.h"

#if LUMISETT_HAVE_LIBBACKTRACE
#include <backtrace.h>
#include <cxxabi.h>

#include <cstdlib>
#include <mutex>
#endif

namespace errors {
namespace {

struct CaptureState {
    std::vector<std::uintptr_t>* out;
    int skip;
};

_Unwind_Reason_Code onFrame(_Unwind_Context* context, void* arg) {
    auto* state = static_cast<CaptureState*>(arg);
    std::uintptr_t pc = _Unwind_GetIP(context);
    if (pc == 0) return _URC_END_OF_STACK;
    if (state->skip > 0) {
        --state->skip;
    } else {
        state->out->push_back(pc);
    }
    return state->out->size() < 128 ? _URC_NO_REASON : _URC_END_OF_STACK;
}

#if LUMISETT_HAVE_LIBBACKTRACE
// Naming frames needs the library that reads the debug information: without
// it (the Windows build) addresses stay unnamed, and none of this is used.

bool startsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

// Frames that belong to the language's and the system's machinery rather
// than to the program: the standard library, the C runtime's start-up code,
// the thread start.
bool isRuntimeFrame(const std::string& name) {
    return startsWith(name, "std::") || startsWith(name, "__") || startsWith(name, "_") ||
           name == "start_thread" || startsWith(name, "clone");
}

bool isOutermost(const std::string& name) {
    return name == "main" || name == "start_thread" || startsWith(name, "clone");
}

std::string demangle(const char* name) {
    int status = 0;
    char* out = abi::__cxa_demangle(name, nullptr, nullptr, &status);
    std::string result = status == 0 && out ? out : name;
    std::free(out);
    return result;
}

std::mutex g_lookupMutex;

void onError(void*, const char*, int) {}

backtrace_state* state() {
    // Created once, on first use, and kept for the run (libbacktrace cannot
    // free it). Lookups run under g_lookupMutex.
    static backtrace_state* s = backtrace_create_state(nullptr, 0, onError, nullptr);
    return s;
}

struct Lookup {
    std::vector<Frame>* frames;
    bool done = false;
    bool any = false;
};

int onPcInfo(void* data, std::uintptr_t, const char*, int line, const char* function) {
    auto* lookup = static_cast<Lookup*>(data);
    if (!function || lookup->done) return 0;
    lookup->any = true;
    std::string name = demangle(function);
    if (!isRuntimeFrame(name)) lookup->frames->push_back({shortFunctionName(name), line});
    if (isOutermost(name)) lookup->done = true;
    return 0;
}

void onSymbol(void* data, std::uintptr_t, const char* symbol, std::uintptr_t, std::uintptr_t) {
    auto* lookup = static_cast<Lookup*>(data);
    if (!symbol) return;
    std::string name = demangle(symbol);
    if (!isRuntimeFrame(name)) lookup->frames->push_back({shortFunctionName(name), 0});
    if (isOutermost(name)) lookup->done = true;
}

#endif

}  // namespace

[[gnu::noinline]] std::vector<std::uintptr_t> captureStack(int skip) {
    std::vector<std::uintptr_t> out;
    CaptureState state{&out, skip + 1};  // + captureStack itself
    _Unwind_Backtrace(onFrame, &state);
    return out;
}

std::vector<Frame> resolveStack(const std::vector<std::uintptr_t>& stack) {
    std::vector<Frame> frames;
#if LUMISETT_HAVE_LIBBACKTRACE
    std::lock_guard lock(g_lookupMutex);
    backtrace_state* s = state();
    if (!s) return frames;
    Lookup lookup{&frames};
    for (std::uintptr_t pc : stack) {
        if (lookup.done) break;
        // A return address points past the call; the call's line is at pc - 1.
        lookup.any = false;
        backtrace_pcinfo(s, pc - 1, onPcInfo, onError, &lookup);
        if (!lookup.any) backtrace_syminfo(s, pc - 1, onSymbol, onError, &lookup);
    }
#endif
    return frames;
}

std::string shortFunctionName(const std::string& demangled) {
    std::string name = demangled;
    // Drop trailing qualifiers and the parameter list: walk back from the last
    // ')' to its matching '('.
    std::size_t close = name.rfind(')');
    if (close == std::string::npos) return name;
    int depth = 0;
    for (std::size_t i = close + 1; i-- > 0;) {
        if (name[i] == ')') ++depth;
        if (name[i] == '(' && --depth == 0) {
            // A bare "operator()" (an inlined lambda's name) keeps its own
            // parentheses: they are not a parameter list.
            if (name.compare(i, std::string::npos, "()") == 0 && i >= 8 &&
                name.compare(i - 8, 8, "operator") == 0) {
                return name;
            }
            name.resize(i);
            return name;
        }
    }
    return name;
}

std::string calledFromLine(const Frame& frame) {
    return "Called from " + core::rtrim(frame.name) + "(" + std::to_string(frame.line) + ")";
}

}  // namespace errors
