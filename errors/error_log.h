#pragma once

#include <string>

#include "errors/error.h"
#include "errors/standard_eh.h"

namespace errors {

// Writes the error log of `oError` to "KRLERROR.LOG" in services.logFolder
// (the current directory), replacing an earlier log, and tells the user the
// file's name in a message box once every byte is on the disk (written and
// flushed). A name that cannot be opened (read-only, held open elsewhere, not
// a regular file, or a symbolic link, which is never followed) is skipped for
// "KRLERROR.001", "KRLERROR.002" ... "KRLERROR.999". The log is written
// beside the name and takes its place only when complete, so a failing disk
// leaves an earlier log whole and no partial file behind. When all 1,000
// names fail, or the log cannot be written or flushed, the box "Unable to
// open error log file" is shown and the program ends with exit code 1
// (services.endProgram). Raises no error, so it never comes back to itself
// through the handler.
// The call stack is listed from level nLevel + 1 counted from ErrorLog (level
// 0); levels 1 and 2 are the handler and its installed block, so nLevel 2
// starts with the function that raised the error. Any thread.
void ErrorLog(const Error& oError, int nLevel, const Services& services = {});

// The bytes ErrorLog writes: every line is CR LF followed by its text.
std::string errorLogText(const Error& oError, int nLevel, const Services& services = {});

// Ends the program with exit code `code` through services.endProgram or, when
// that is empty, at once (no exit procedure). Does not return.
[[noreturn]] void endWith(const Services& services, int code);

// The file name for attempt `n` (0: "KRLERROR.LOG", 1: "KRLERROR.001", ...).
std::string errorLogName(int n);

}  // namespace errors
