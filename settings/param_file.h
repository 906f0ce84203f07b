#pragma once

#include <optional>
#include <string>

#include "platform/status.h"

// The parameter file: fourteen lines of settings in the program folder, read
// once at start-up (whatever its line ends) and rewritten whole by Apply/Save
// (with CR LF).
namespace settings {

// What the price line says for an item at or above [PriceOnRequest] when the
// file gives no text.
inline constexpr const char* kPriceOnRequestDefault = "Price on request";

// The shop's settings: what the parameter file keeps, with the values the
// program starts from where the file has none. One value, copied whole.
struct Settings {
    std::string cBuffer =  // [CodeSpec] code file path
        "Enter the path to the 'image.temp' file here. Click on HELP for more.";
    std::string cPath = "\\\\SERVER\\home\\jewel";  // [Datapath] data path
    double nSlow = 100;          // [SlowTime] slide show period, tenths of a second
    double nFast = 10;           // [FastTime] data monitor period, tenths of a second
    double posX = 0, posY = 0;   // [StartPos] aPos: the window's lower-left corner from
                                 // the screen's (start-up puts the centred place here)
    int nFrameState = 3;         // [StartPos] third value: 2 maximised, 3 normal
    // Additions, kept after the fourteen lines and only when not the default:
    std::string screen;          // [Screen] the screen to open on: its number (1 for
                                 // the first) or name; "" the primary screen
    double idleSlides = 0;       // [IdleSlides] seconds without a new code before the
                                 // data monitor hands over to the slide show; 0 never
    bool watchdog = false;       // [Watchdog] 1: started again when it ends abnormally
    bool kiosk = false;          // [Kiosk] 1: the screen kept awake, the pointer hidden
    double pictureStoreMb = 0;   // [PictureStore] megabytes of local picture copies; 0 off
    double viewSeconds = 0;      // [Views] seconds per view of an item; 0 the first only
    // [PriceOnRequest] the amount from which the price line shows
    // priceOnRequestText instead of the figure (the line after the amount);
    // none: the price as always.
    std::optional<double> priceOnRequest;
    std::string priceOnRequestText = kPriceOnRequestDefault;
    bool shownLog = false;       // [ShownLog] 1: the items shown are logged
};

// The limits of [IdleSlides] (seconds), as its field on the Settings page has
// them; a value read from the file is brought within them.
// ([PictureStore] and [Views] are brought within kPictureStoreMaxMb and
// kViewSecondsMax, and to no less than 0.)
inline constexpr double kPictureStoreMaxMb = 1024 * 1024;
inline constexpr double kViewSecondsMax = 3600;
inline constexpr double kViewSecondsMin = 1;  // for a value above 0
inline constexpr double kIdleSlidesMin = 0;
inline constexpr double kIdleSlidesMax = 3600;
// The limits of the Settings page's two periods' spin buttons (tenths of a
// second).
inline constexpr int kSlowMin = 20, kSlowMax = 300;
inline constexpr int kFastMin = 5, kFastMax = 100;
// The most characters the page's two path fields take, and SaveParam keeps.
inline constexpr int kPathFieldWidth = 250;

// Reads `paramFile` into `settings`: each section found replaces its values,
// a missing one leaves them as they are. Lines may end in CR LF, LF or CR, also
// mixed in one file, and the last line needs no end. A period read is rounded to whole
// tenths and brought within its field's limits (kSlowMin..kSlowMax,
// kFastMin..kFastMax; text that is no number counts as 0), so that what the
// Settings page shows is what runs. A missing or unreadable file counts
// as empty text, as does anything that is not a regular file and a file
// beyond platform::kParamFileLimit; the latter is also told in a message box
// (kParamFileTooLarge, the file and the limit), since Apply/Save would
// replace it. Returns the whole text of the file.
std::string ReadParam(const std::string& paramFile, Settings& settings);

inline constexpr const char* kParamFileTooLarge =
    "The parameter file is too large to be one and was not read; the settings keep their "
    "defaults.";

// The fourteen lines SaveParam writes, each ending in CR LF, with the frame
// state `frameState` (the check box's, not settings.nFrameState); after them,
// each after an empty line and only when it is not its default, [Screen],
// [IdleSlides], [Watchdog], [Kiosk], [PictureStore], [Views],
// [PriceOnRequest] (the amount, then its text) and [ShownLog]. A shop that
// uses none of them keeps the fourteen lines.
std::string paramText(const Settings& settings, int frameState);

// What SaveParam asks of the main window.
class WindowQuery {
public:
    virtual ~WindowQuery() = default;
    virtual int frameState() const = 0;        // 1 minimised, 2 maximised, 3 normal
    virtual double positionX() const = 0;      // lower-left corner from the screen's
    virtual double positionY() const = 0;
    virtual bool fullScreenTicked() const = 0; // the "Maximize + centre" check box
};

// Writes the parameter file: takes the window's position into settings'
// aPos when it is in its normal state (else aPos keeps its values), the frame
// state to write from the check box, then writes the fourteen lines through a
// temporary file and a rename, so a failed save never leaves a truncated
// file. Reports "Parameters saved." on success; on failure a message box that
// says the parameters were not saved and why. A code file path or data path
// longer than kPathFieldWidth, or holding a line break, is never cut: the
// file is left as it was and the message names the path and the reason. GUI thread. Returns the write's
// status.
platform::Status SaveParam(const std::string& paramFile, Settings& settings,
                           const WindowQuery& window);

}  // namespace settings
