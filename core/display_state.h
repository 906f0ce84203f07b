#pragma once

// The display suspension, shared by the GUI thread, the display timer thread
// and whoever needs the tables for itself (the slide show list save, the
// re-index). Safe from any thread; the value is read and replaced whole. The
// display source and its period are display::DisplayMode.
namespace core {

// The display suspension flag: while it is true every turn of the display
// cycle closes its tables and returns. Initially false.
bool StopDisplay();
bool StopDisplay(bool lNew);  // stores, then returns it

// Puts the flag back to false (for tests).
void resetDisplayState();

}  // namespace core
