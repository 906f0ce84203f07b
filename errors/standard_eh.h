#pragma once

#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "errors/call_stack.h"
#include "errors/error.h"
#include "platform/dialogs.h"
#include "platform/file.h"

// The default error handler: the decision table, the dialogue and the end of
// the program after an error.
namespace errors {

// Everything the handler and the error log take from outside. An empty member
// stands for the real thing, so `Services{}` is the program's own set; tests
// replace what they need (scripted dialogs, a fixed clock, a fake end).
struct Services {
    platform::Dialogs* dialogs = nullptr;  // nullptr: platform::dialogs()
    // Call stack of the error, innermost first, starting with the function that
    // raised it. Empty: resolveStack(error.stack).
    std::function<std::vector<Frame>(const Error&)> callStack;
    // Text of an operating-system error code. Empty: osMessage.
    std::function<std::string(int)> osText;
    // Ends the program with the exit code after running the exit procedure
    // (the program's start-up installs startup::endProgram). Empty: ends the
    // process at once. Must not return (a test version throws).
    std::function<void(int)> endProgram;

    // Error log only.
    std::string logFolder;                       // "": the current directory
    std::function<std::string()> programPath;    // empty: platform::programPath
    std::function<std::tm()> now;                // local date and time; empty: the clock
    std::string version;                         // "": programVersion()
    std::string osName;                          // "": platform::osDescription()
};

// The program's version and build as the error log shows them:
// "1.1.0.<build>", the build being the source revision it was built from.
std::string programVersion();

// Text for an operating-system error code. Code 32 is the sharing violation
// the table engine reports on every platform (see kOsSharingViolation), so it
// gets that text everywhere (platform::sharingViolationText); others come
// from platform::osErrorText.
std::string osMessage(int osCode);

// Installs the default handler for the whole process (replacing any earlier
// one): every error raised goes to StandardEH with `services`. Called once at
// start-up.
void ErrorSys(Services services = {});

// The services the ending of an unrecovered error uses (endUnrecovered,
// recovery.h): ErrorSys sets them; tests put theirs and restore the previous
// ones, which this returns. Any thread.
Services setInstalledServices(Services services);

// The handler ErrorSys installs, for installing it some other way.
Handler standardHandler(Services services);

// Decides what becomes of `oError` (rows in order; the first match wins):
// division by zero (genCode 11, or 12 with "/" or "%" in the operation and a
// last argument of 0) gives Default (the result is 0); an open refused because
// another process holds the file (71, osCode 32) and 78 give Default when the
// error can default; anything else asks the user (button set by canRetry and
// canDefault): Retry gives Retry, Ignore gives Default, Cancel followed by No
// throws Unwind; OK, Abort or Cancel followed by Yes writes the error log and
// ends the program with exit code 1 (it does not return). Runs on the raising
// thread and holds it in the dialogue.
Action StandardEH(Error& oError, const Services& services = {});

// The message the dialogue shows, lines separated by ";".
std::string ErrorMessage(const Error& oError);

// The dialogue's title.
inline constexpr const char* kErrorTitle = "Kestrel Error Message";

// The dialogue's icon for a severity: 3 and 2 stop, 1 warning, else information.
platform::Icon errorIcon(int severity);
// The dialogue's buttons for what the error allows: Abort/Retry/Ignore,
// Retry/Cancel, OK/Cancel or OK.
platform::Buttons errorButtons(bool canRetry, bool canDefault);

// Text of a value as the error log and the message print it: ".T."/".F.",
// "NIL", characters as they are, numbers in decimal, arrays as
// "{a, b}", objects by class name.
std::string valueText(const Value& value);

}  // namespace errors
