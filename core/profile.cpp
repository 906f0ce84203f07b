#include "core/profile.h"

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

Position checkStartPosition(Position saved, Position centre, int screenWidth, int screenHeight) {
    // Written as "inside", so that a NaN (which compares false) is outside.
    const bool inside = saved.x >= 0 && saved.x <= screenWidth - 600 && saved.y >= 0 &&
                        saved.y <= screenHeight - 400;
    return inside ? saved : centre;
}

bool startsSlideShow(const std::optional<std::string>& cMode) {
    std::string mode = upper(cMode.value_or("DATA"));
    if (mode.empty()) return false;  // an empty text is contained in nothing, as with $
    return std::string_view("SLIDES SHOW SLIDE SHOW").find(mode) != std::string_view::npos;
}

}  // namespace core
