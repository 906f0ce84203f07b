#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Names and line numbers of the calling functions, for the error dialogue
// ("Called from NAME(LINE)") and the error log. Built on libbacktrace, which
// reads the program's own debug information; without it (a build without the
// library) the stack comes out empty.
namespace errors {

struct Frame {
    std::string name;  // function name, namespaces kept, parameter list dropped
    int line = 0;      // current line in that function, 0 when unknown
};

// Return addresses of the calling thread, innermost first. `skip` drops that
// many frames above the caller of captureStack (0: the list starts with the
// caller itself). Cheap: nothing is looked up here. Any thread.
std::vector<std::uintptr_t> captureStack(int skip);

// The frames behind `stack` (as captureStack gives it), innermost first, with
// inlined calls as frames of their own. Frames without a name and the
// standard library's and C runtime's own frames are left out; the list ends
// after `main` or at the start of a thread. Any thread (lookups are
// serialised).
std::vector<Frame> resolveStack(const std::vector<std::uintptr_t>& stack);

// The name as the lists show it: a demangled C++ name without its parameter
// list and qualifiers ("display::HangPicture" for
// "display::HangPicture(std::string const&) const").
std::string shortFunctionName(const std::string& demangled);

// "Called from NAME(LINE)" for each frame, name trimmed of trailing blanks.
std::string calledFromLine(const Frame& frame);

}  // namespace errors
