#pragma once

#include <string>

#include "core/value_cell.h"

namespace core {

// The program-wide values that both threads use, without the widgets (those
// belong to the main window). Each is read and written whole from any thread.
struct ProgramState {
    ValueCell<std::string> cCode{""};             // code of the current item
    ValueCell<std::string> cHost{"(orphaned)"};   // station whose code file is watched
    ValueCell<std::string> cAppPath{""};          // program folder, no trailing separator
    ValueCell<std::string> cLogo{""};             // cAppPath + "\logo.bmp"
    ValueCell<std::string> cProgName{""};         // a word naming the kind of shop + " ", or ""
    ValueCell<std::string> cParamFile{""};        // parameter file
    ValueCell<std::string> cListFile{""};         // slide show list table
};
// The timer period (oGetTime) goes with the display source in
// display::DisplayMode; the code file path and the data path the timer thread
// sees (oBuffer, oPath) are the applied settings the program keeps.

// The one instance of the running program.
ProgramState& programState();

}  // namespace core
