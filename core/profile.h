#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

// Start-up rules that need no window: the profile name and the two files it
// names, the program folder, the start position and the start mode.
namespace core {

// cProf from the first command-line argument (nullopt when there is none):
// every "\", "/", ".INI", ".Ini", ".ini" and then every "." removed, in that
// order, case-sensitive, anywhere in the text. Characters that no file name may
// hold (":", "*", "?", '"', "<", ">", "|" and control characters) go too, so a
// profile always makes a valid file name: C:\x\shop.INI gives Cxshop. An empty
// result is replaced by `netName()` (cleaned the same way).
std::string deriveProfile(const std::optional<std::string>& arg,
                          const std::function<std::string()>& netName);

// cAppPath from the current drive and directory: "X:\" + directory when the
// drive is a letter, else "\" + directory; the directory without drive and
// leading separator. On POSIX the directory's "/" become "\", the form the
// program keeps its paths in. C:\SHOP\DISPLAY gives C:\SHOP\DISPLAY; /home/shop
// gives \home\shop; the root of a drive gives "C:\" (or "\").
std::string appPathFrom(std::optional<char> drive, const std::string& dirWithoutDrive);
// cAppPath of this process (current drive and directory).
std::string currentAppPath();

struct ProfileFiles {
    std::string profile;    // cProf
    std::string paramFile;  // cParamFile: cAppPath + "\" + cProf + ".ini"
    std::string listFile;   // cListFile:  cAppPath + "\" + cProf + ".dbf"
};
ProfileFiles profileFiles(const std::string& appPath, const std::string& profile);

// A window position: pixels of the lower-left corner from the screen's
// lower-left corner.
struct Position {
    double x = 0;
    double y = 0;
    bool operator==(const Position&) const = default;
};

// aCentre for a screen of W x H: { INT((W - 600) / 2), INT((H - 400) / 2) },
// truncated toward zero.
Position centredPosition(int screenWidth, int screenHeight);

// A screen's place on the desktop: left, top, width, height in pixels, y
// downwards (as the window system has it).
struct ScreenArea {
    double left = 0, top = 0, width = 0, height = 0;
};

// How much of a window's top edge (its title bar) a screen must show for the
// window to be grabbed and moved.
inline constexpr double kGrabWidth = 100;
inline constexpr double kGrabHeight = 28;

// The saved position `saved` (the lower-left corner of a 600 x 400 window,
// from the lower-left corner of `home`, the screen positions count from),
// when the window opens where it can be seen and moved: it does not reach
// past the right edge or above the top edge of `home`, and one of `screens`
// (every connected screen, `home` among them) shows at least kGrabWidth x
// kGrabHeight of its top edge. A position left of or below `home` stays so
// (a customer's screen beside or under the primary one has negative
// positions). Otherwise, also for a huge or non-finite value, the centre, so
// the window never opens where nobody can reach it.
Position checkStartPosition(Position saved, Position centre, const ScreenArea& home,
                            const std::vector<ScreenArea>& screens);

// The start mode word: true when UPPER(cMode) occurs in "SLIDES SHOW SLIDE SHOW"
// (so "slide show", "Slides" and "SHOW" start the slide show). A missing word
// counts as "DATA".
bool startsSlideShow(const std::optional<std::string>& cMode);

}  // namespace core
