#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "platform/path.h"

namespace platform {
namespace {

std::mutex g_uncMutex;
std::optional<std::string> g_uncRoot;  // nullopt: not yet read from the environment

std::string uncRoot() {
    std::lock_guard lock(g_uncMutex);
    if (!g_uncRoot) {
        const char* env = std::getenv("LUMISETT_UNC_ROOT");
        g_uncRoot = env ? std::string(env) : std::string();
    }
    return *g_uncRoot;
}

bool exists(const std::string& native) {
    struct stat st;
    return ::lstat(native.c_str(), &st) == 0;
}

char foldAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool equalNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (foldAscii(a[i]) != foldAscii(b[i])) return false;
    }
    return true;
}

// Finds `name` in folder `dir` without regard to case. Several matches (only
// possible on a case-sensitive file system) resolve to the lowest in byte order
// so the choice is stable.
std::optional<std::string> findNoCase(const std::string& dir, std::string_view name) {
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return std::nullopt;
    std::optional<std::string> best;
    while (dirent* e = ::readdir(d)) {
        std::string_view entry(e->d_name);
        if (equalNoCase(entry, name) && (!best || entry < *best)) best = std::string(entry);
    }
    ::closedir(d);
    return best;
}

std::vector<std::string_view> splitComponents(std::string_view p) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= p.size(); ++i) {
        if (i == p.size() || p[i] == '\\' || p[i] == '/') {
            if (i > start) parts.push_back(p.substr(start, i - start));
            start = i + 1;
        }
    }
    return parts;
}

}  // namespace

bool isSeparator(char c) { return c == '\\' || c == '/'; }

void setUncRoot(std::string root) {
    std::lock_guard lock(g_uncMutex);
    g_uncRoot = std::move(root);
}

std::optional<std::string> toNative(std::string_view p) {
    std::string base;  // native prefix the components are appended to
    bool rooted = false;

    if (p.size() >= 2 && std::isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':') {
        p.remove_prefix(2);  // drive letters have no meaning here
    }
    std::vector<std::string_view> parts = splitComponents(p);

    if (p.size() >= 2 && isSeparator(p[0]) && isSeparator(p[1]) && parts.size() >= 2) {
        std::string root = uncRoot();
        if (root.empty()) return std::nullopt;
        while (root.size() > 1 && root.back() == '/') root.pop_back();
        base = root;
        rooted = true;
    } else if (!p.empty() && isSeparator(p[0])) {
        rooted = true;
    }

    std::string out = rooted ? (base.empty() ? std::string("/") : base + "/") : std::string();
    bool searching = true;  // once a component is missing, nothing below it can exist
    for (std::size_t i = 0; i < parts.size(); ++i) {
        std::string_view part = parts[i];
        std::string candidate = out + std::string(part);
        if (searching && part != "." && part != ".." && !exists(candidate)) {
            std::string dir = out;
            if (dir.size() > 1 && dir.back() == '/') dir.pop_back();
            if (auto found = findNoCase(dir, part)) {
                candidate = out + *found;
            } else {
                searching = false;
            }
        }
        out = candidate;
        if (i + 1 < parts.size()) out += '/';
    }
    if (out.empty()) out = rooted ? "/" : ".";
    // Keep a trailing separator, which callers use for folders ("...\images\").
    if (!p.empty() && isSeparator(p.back()) && out.back() != '/') out += '/';
    return out;
}

}  // namespace platform
