// lumisett-tool shown: what customers looked at, from the display's logs of
// items shown ([ShownLog]), most shown first for each source.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "settings/shown_log.h"
#include "tools/commands.h"

namespace tools {
namespace {

constexpr const char* kUsage = "usage: lumisett-tool shown FOLDER [PROFILE] [--from YYYY-MM-DD] [--to YYYY-MM-DD]\n";

bool isDate(const std::string& s) {
    if (s.size() != 10 || s[4] != '-' || s[7] != '-') return false;
    for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (s[i] < '0' || s[i] > '9') return false;
    }
    const int month = std::stoi(s.substr(5, 2)), day = std::stoi(s.substr(8, 2));
    return month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

// The month files of `profile` in `folder` ("" for every profile's), in name order.
std::vector<std::string> logFiles(const std::filesystem::path& folder, const std::string& profile) {
    std::vector<std::string> files;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        // PROFILE-shown-YYYY-MM.csv
        constexpr std::size_t kTail = std::char_traits<char>::length("-shown-YYYY-MM.csv");
        if (name.size() <= kTail || name.compare(name.size() - kTail, 7, "-shown-") != 0) continue;
        std::string lower = name.substr(name.size() - 4);
        std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
        if (lower != ".csv") continue;
        if (!profile.empty() && name.substr(0, name.size() - kTail) != profile) continue;
        if (!it->is_regular_file(ec)) continue;
        files.push_back(it->path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

int cmdShown(const Args& args) {
    std::string folder, profile, from, to;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if ((a == "--from" || a == "--to") && i + 1 < args.size()) {
            (a == "--from" ? from : to) = args[++i];
            if (!isDate(args[i])) {
                std::fprintf(stderr, "shown: %s wants a date as YYYY-MM-DD, not '%s'\n", a.c_str(), args[i].c_str());
                return 2;
            }
        } else if (a.starts_with("--")) {
            std::fputs(kUsage, stderr);
            return 2;
        } else if (folder.empty()) {
            folder = a;
        } else if (profile.empty()) {
            profile = a;
        } else {
            std::fputs(kUsage, stderr);
            return 2;
        }
    }
    if (folder.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) {
        std::fprintf(stderr, "shown: no folder %s\n", folder.c_str());
        return 1;
    }
    const std::vector<std::string> files = logFiles(folder, profile);
    if (files.empty()) {
        std::printf("no items shown are logged in %s%s%s (the parameter file's [ShownLog] section turns the log on)\n",
                    folder.c_str(), profile.empty() ? "" : " for profile ", profile.c_str());
        return 0;
    }
    const settings::ShownCounts counts = settings::countShown(files, from, to);
    std::printf("%ld items shown", counts.lines);
    if (!from.empty()) std::printf(" from %s", from.c_str());
    if (!to.empty()) std::printf(" to %s", to.c_str());
    std::printf(" (%zu log file%s)\n", files.size(), files.size() == 1 ? "" : "s");
    // The sources in the order a shop thinks of them; others (a later
    // version's) after them.
    std::vector<std::string> order = {"till", "slide show", "typed"};
    for (const auto& [source, list] : counts.bySource) {
        if (std::find(order.begin(), order.end(), source) == order.end()) order.push_back(source);
    }
    for (const std::string& source : order) {
        auto found = counts.bySource.find(source);
        if (found == counts.bySource.end()) continue;
        long total = 0;
        for (const auto& entry : found->second) total += entry.second;
        std::printf("\n%s: %ld shown, %zu item%s\n", source.c_str(), total, found->second.size(),
                    found->second.size() == 1 ? "" : "s");
        for (const auto& [code, n] : found->second) std::printf("%8ld  %s\n", n, code.c_str());
    }
    if (counts.skipped > 0) std::printf("\n%ld line%s not understood\n", counts.skipped, counts.skipped == 1 ? " was" : "s were");
    return 0;
}

}  // namespace tools
