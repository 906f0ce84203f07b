#pragma once

// The exit procedure, run once when the program ends (startup::setExitProcedure).
namespace startup {

// Commits and closes every open table of every thread of the program
// (workareas::commitAndCloseEverything): for each thread in the order it first
// used tables, each work area in number order; a commit that fails drops its
// pending change and the table is closed anyway. No error is shown or raised,
// and the error handler is not touched (other threads keep theirs in force).
// Any thread; call it when no other thread still works with tables.
void AppExit();

}  // namespace startup
