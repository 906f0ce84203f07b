#include "display/find_pic.h"

#include <algorithm>
#include <array>

#include "platform/fs.h"

namespace display {
namespace {

// Any of the four pictures counts when deciding which place to search...
constexpr std::array<const char*, 4> kPresenceOrder = {".jpg", ".bmp", ".png", ".gif"};
// ...but within the place chosen a .gif is preferred to a .png.
constexpr std::array<const char*, 4> kPreferenceOrder = {".jpg", ".bmp", ".gif", ".png"};

bool anyExists(const std::string& path, const std::string& stem) {
    return std::any_of(kPresenceOrder.begin(), kPresenceOrder.end(),
                       [&](const char* ext) { return platform::isFile(path + stem + ext); });
}

}  // namespace

std::string FindPic(std::string cCode, std::string cPath) {
    cPath += "\\";
    std::erase_if(cCode, [](char c) { return c == '*' || c == '/'; });

    std::string stem = cCode;
    if (!anyExists(cPath, stem)) {
        stem = "images\\" + cCode;
        if (!anyExists(cPath, stem)) {
            std::string prefix = cCode.substr(0, cCode.size() == 5 ? 1 : 2);
            stem = "images\\" + prefix + "\\" + cCode;
        }
    }
    for (const char* ext : kPreferenceOrder) {
        std::string candidate = cPath + stem + ext;
        if (platform::isFile(candidate)) return candidate;
    }
    return {};
}

}  // namespace display
