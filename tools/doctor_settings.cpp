// doctor: the parameter file, the code file and the chosen screen.
#include <cmath>
#include <cstdio>
#include <limits>

#include "core/xbase_values.h"
#include "display/code_file.h"
#include "platform/change_notice.h"
#include "platform/file_kind.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "platform/read_limits.h"
#include "tools/doctor.h"

namespace tools::doctor {
namespace {

constexpr const char* kSetCodeFile =
    "on the Settings page, point the first field at the code file the till writes (image.tmp), "
    "then Apply/Save";

// A period in tenths of a second as seconds for a person.
std::string seconds(double tenths) {
    char text[32];
    std::snprintf(text, sizeof text, "%g s", tenths / 10);
    return text;
}

std::string folderOf(const std::string& path) {
    const std::size_t sep = platform::lastSeparator(path);
    if (sep == std::string::npos) return ".";
    // The root keeps its separator: "\", "C:\".
    const bool root = sep == 0 || (sep == 2 && path[1] == ':');
    return path.substr(0, root ? sep + 1 : sep);
}

}  // namespace

void checkParamFile(Shop& shop, Report& report) {
    const std::string& file = shop.files.paramFile;
    std::string text;
    const platform::Status read = platform::readFile(file, &text, platform::kParamFileLimit);
    if (!read.isOk()) {
        using Code = platform::Status::Code;
        if (read.code() == Code::NotFound && platform::fileKindAt(file) != platform::FileKind::Missing) {
            report.fail("parameter file " + file + ": not a regular file",
                        "remove what stands at its name, then set the Settings page and Apply/Save");
        } else if (read.code() == Code::NotFound) {
            report.fail("parameter file " + file + ": not there",
                        "start 'lumisett " + shop.files.profile +
                            "' in the program folder, set the Settings page and Apply/Save (or "
                            "start the display with the profile whose file this is)");
        } else if (read.code() == Code::TooLarge) {
            report.fail("parameter file " + file + ": too large to be one (over " +
                            sizeText(platform::kParamFileLimit) + "), not read",
                        "move it away, then set the Settings page and Apply/Save");
        } else {
            report.fail("parameter file " + file + ": cannot be read: " + read.message(),
                        "give the clerk's account the right to read and write it");
        }
        return;
    }
    // A position the file does not give is the screen's centre, as the display places it.
    shop.settings.posX = shop.settings.posY = std::numeric_limits<double>::quiet_NaN();
    settings::ReadParam(file, shop.settings);
    const settings::Settings& s = shop.settings;
    const bool placed = !std::isnan(s.posX) && !std::isnan(s.posY);
    const char* state = s.nFrameState == 1 ? ", minimised" : s.nFrameState == 2 ? ", maximised" : ", normal";
    shop.codeFileSet = !core::alltrim(s.cBuffer).empty() && s.cBuffer != settings::Settings{}.cBuffer;
    report.ok("parameter file " + file + ": code file " + s.cBuffer + "; data path " + s.cPath +
              "; slide show every " + seconds(s.nSlow) + ", till watched every " + seconds(s.nFast) +
              (placed ? "; window at " + core::formatNumberTrimmed(s.posX, 0) + "," +
                            core::formatNumberTrimmed(s.posY, 0) + state
                      : std::string("; window centred") + state) +
              "; slide show when idle: " +
              (s.idleSlides > 0 ? core::formatNumberTrimmed(s.idleSlides, 0) + " s" : "never"));
    if (!shop.codeFileSet) report.fail("parameter file " + file + ": no code file is set", kSetCodeFile);
}

void checkCodeFile(const Shop& shop, Report& report) {
    if (!shop.codeFileSet) return;
    const std::string& file = shop.settings.cBuffer;
    const std::string folder = folderOf(file);
    if (!platform::toNative(file)) {
        report.fail("code file " + file + ": the network path cannot be reached here",
                    "set LUMISETT_UNC_ROOT to the folder where \\\\server\\share is mounted");
        return;
    }
    if (platform::fileKindAt(folder) == platform::FileKind::Missing) {
        report.fail("code file " + file + ": its folder " + folder + " does not exist",
                    std::string(kSetCodeFile) + "; on a share, check that it is connected");
        return;
    }
    std::string content;
    const platform::Status read = platform::readFile(file, &content, platform::kCodeFileLimit);
    using Code = platform::Status::Code;
    if (read.isOk()) {
        const display::ParsedEntry parsed =
            display::parseEntry(core::replaceAll(core::rtrim(content), "/", "\\"), shop.settings.cPath);
        report.ok("code file " + file + ": " + sizeText(content.size()) + ", names " +
                  (parsed.code.empty() ? std::string("no item") : "item " + parsed.code));
    } else if (read.code() == Code::NotFound && platform::fileKindAt(file) == platform::FileKind::Missing) {
        report.warn("code file " + file + ": not there now",
                    "the till writes it when it shows an item; if it never appears, the path names "
                    "the wrong file or folder");
    } else if (read.code() == Code::TooLarge) {
        report.fail("code file " + file + ": over " + sizeText(platform::kCodeFileLimit) +
                        ", so it is no till's code file",
                    kSetCodeFile);
    } else if (platform::fileKindAt(file) == platform::FileKind::Folder ||
               platform::fileKindAt(file) == platform::FileKind::Other) {
        report.fail("code file " + file + ": not a regular file", kSetCodeFile);
    } else {
        report.fail("code file " + file + ": cannot be read: " + read.message(),
                    "give the clerk's account the right to read the till's folder");
    }

    platform::ChangeNotice notice;
    const platform::Status asked = platform::changeNotice(folder, &notice);
    if (!asked.isOk()) {
        report.warn("code file's folder " + folder + ": cannot tell whether changes are notified: " +
                    asked.message());
    } else if (notice.notified) {
        report.ok("code file's folder " + folder + ": changes are notified (" + notice.where +
                  "), the display follows the till at once");
    } else {
        report.ok("code file's folder " + folder + ": " + notice.where +
                  ", changes are not notified; the display looks every " +
                  seconds(shop.settings.nFast));
    }
}

void checkScreen(const Shop& shop, Report& report) {
    if (shop.settings.screen.empty()) {
        report.ok("screen: none chosen, the display opens on the primary screen");
    } else {
        report.ok("screen: " + shop.settings.screen +
                  " chosen ([Screen]; whether it is connected only the display can see)");
    }
}

std::string sizeText(unsigned long long bytes) {
    char text[32];
    if (bytes < 1024) {
        std::snprintf(text, sizeof text, "%llu bytes", bytes);
    } else if (bytes < 1024 * 1024) {
        std::snprintf(text, sizeof text, "%llu KB", (bytes + 512) / 1024);
    } else {
        std::snprintf(text, sizeof text, "%.1f MB", double(bytes) / (1024 * 1024));
    }
    return text;
}

}  // namespace tools::doctor
