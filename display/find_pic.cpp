#include "display/find_pic.h"

#include <algorithm>
#include <array>

#include "platform/fs.h"
#include "platform/path.h"

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

std::vector<std::string> FindViews(const std::string& first) {
    std::vector<std::string> views;
    const std::size_t sep = platform::lastSeparator(first);
    const std::size_t dot = first.rfind('.');
    if (dot == std::string::npos || (sep != std::string::npos && dot < sep)) return views;
    const std::string stem = first.substr(0, dot);
    for (int n = 2; n <= kMaxViews; ++n) {
        const std::string name = stem + "_" + std::to_string(n);
        const auto ext = std::find_if(kPreferenceOrder.begin(), kPreferenceOrder.end(),
                                      [&](const char* e) { return platform::isFile(name + e); });
        if (ext == kPreferenceOrder.end()) break;
        views.push_back(name + *ext);
    }
    return views;
}

}  // namespace display
