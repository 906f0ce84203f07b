#pragma once

// The exit procedure, run once when the program ends (startup::setExitProcedure).
namespace startup {

// Commits and closes every open table of every thread of the program
// (workareas::commitAndCloseEverything): for each thread in the order it first
// used tables, each work area in number order; a commit that fails drops its
// pending change and the table is closed anyway. No error is shown or raised,
// and the error handler is not touched (other threads keep theirs in force).
// A thread that stays inside a table operation for more than a quarter of a
// second (a read that a dead network share never answers) keeps its tables, so
// that the end of the program never waits for it. Any thread.
void AppExit();

}  // namespace startup
