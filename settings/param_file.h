#pragma once

#include <optional>
#include <string>

#include "platform/status.h"

// The parameter file: fourteen CR LF lines of settings in the program folder,
// read once at start-up and rewritten whole by Apply/Save.
namespace settings {

// The values the file carries. An empty optional is an argument "without a
// value": only those receive the defaults of missing sections.
struct Params {
    std::optional<std::string> cBuffer;   // [CodeSpec] code file path
    std::optional<std::string> cPath;     // [Datapath] data path
    std::optional<double> nSlow;          // [SlowTime] tenths of a second
    std::optional<double> nFast;          // [FastTime] tenths of a second
    std::optional<double> posX, posY;     // [StartPos] aPos
    std::optional<double> nFrameState;    // [StartPos] third value: 2 maximised, 3 normal
};

// Reads `paramFile` into `params`: each section found replaces its value;
// a missing section gives its default ("", "", 100, 20) only to a value that
// is empty, and leaves [StartPos] values as they are. A missing or unreadable
// file counts as empty text. Returns the whole text of the file.
std::string ReadParam(const std::string& paramFile, Params& params);

// The fourteen lines SaveParam writes, each ending in CR LF.
std::string paramText(const std::string& cBuffer, const std::string& cPath, double nSlow,
                      double nFast, double posX, double posY, int frameState);

// What SaveParam asks of the main window.
class WindowQuery {
public:
    virtual ~WindowQuery() = default;
    virtual int frameState() const = 0;        // 1 minimised, 2 maximised, 3 normal
    virtual double positionX() const = 0;      // lower-left corner from the screen's
    virtual double positionY() const = 0;
    virtual bool fullScreenTicked() const = 0; // the "Maximize + centre" check box
};

// Writes the parameter file: takes the window's position into aPos when it is
// in its normal state (else aPos keeps its values), the frame state to write
// from the check box, then writes the fourteen lines through a temporary file
// and a rename, so a failed save never leaves a truncated file. Reports
// "Parameters saved." on success; on failure a message box that says the
// parameters were not saved and why. GUI thread. Returns the write's status.
platform::Status SaveParam(const std::string& paramFile, const std::string& cBuffer,
                           const std::string& cPath, double nSlow, double nFast, double& posX,
                           double& posY, const WindowQuery& window);

}  // namespace settings
