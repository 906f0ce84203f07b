#include "core/profile.h"

#include <algorithm>

#include "core/xbase_values.h"
#include "platform/fs.h"

namespace core {
namespace {

bool forbiddenInFileName(char c) {
    auto u = static_cast<unsigned char>(c);
    return u < 32 || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' || c == '>' ||
           c == '|';
}

std::string clean(std::string text) {
    for (const char* what : {"\\", "/", ".INI", ".Ini", ".ini", "."}) {
        text = replaceAll(text, what, "");
    }
    std::string out;
    for (char c : text) {
        if (!forbiddenInFileName(c)) out += c;
    }
    return out;
}

}  // namespace

std::string deriveProfile(const std::optional<std::string>& arg,
                          const std::function<std::string()>& netName) {
    std::string profile = clean(arg.value_or(""));
    if (profile.empty() && netName) profile = clean(netName());
    return profile;
}

std::string appPathFrom(std::optional<char> drive, const std::string& dirWithoutDrive) {
    std::string dir = replaceAll(dirWithoutDrive, "/", "\\");
    std::size_t i = 0;
    while (i < dir.size() && dir[i] == '\\') ++i;
    dir.erase(0, i);
    if (drive && ((*drive >= 'A' && *drive <= 'Z') || (*drive >= 'a' && *drive <= 'z'))) {
        return std::string(1, *drive) + ":\\" + dir;
    }
    return "\\" + dir;
}

std::string currentAppPath() {
    return appPathFrom(platform::currentDrive(), platform::currentDirectoryWithoutDrive());
}

ProfileFiles profileFiles(const std::string& appPath, const std::string& profile) {
    return {profile, appPath + "\\" + profile + ".ini", appPath + "\\" + profile + ".dbf"};
}

Position centredPosition(int screenWidth, int screenHeight) {
    // Integer division truncates toward zero, as INT() does.
    return {double((screenWidth - 600) / 2), double((screenHeight - 400) / 2)};
}

Position checkStartPosition(Position saved, Position centre, const ScreenArea& home,
                            const std::vector<ScreenArea>& screens) {
    // Written as conditions that hold, so that a NaN (which compares false)
    // fails them.
    const bool withinHome = saved.x <= home.width - 600 && saved.y <= home.height - 400;
    if (!withinHome) return centre;
    const double left = home.left + saved.x;
    const double top = home.top + home.height - saved.y - 400;
    for (const ScreenArea& s : screens) {
        const double from = std::max(left, s.left), to = std::min(left + 600, s.left + s.width);
        const double upper = std::max(top, s.top), lower = std::min(top + kGrabHeight, s.top + s.height);
        if (to - from >= kGrabWidth && lower - upper >= kGrabHeight) return saved;
    }
    return centre;
}

bool startsSlideShow(const std::optional<std::string>& cMode) {
    std::string mode = upper(cMode.value_or("DATA"));
    if (mode.empty()) return false;  // an empty text is contained in nothing, as with $
    return std::string_view("SLIDES SHOW SLIDE SHOW").find(mode) != std::string_view::npos;
}

}  // namespace core
