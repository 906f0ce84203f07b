// lumisett-tool doctor [PROGRAM_FOLDER] [PROFILE]: the support check.
#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>

#include "core/profile.h"
#include "platform/file_kind.h"
#include "settings/net_name.h"
#include "tools/commands.h"
#include "tools/doctor.h"

namespace tools {
namespace {

// The program form of a native folder, as the display makes its own folder's
// ("C:\SHOP", "\home\shop"), without a separator at the end.
std::string programFormOf(const std::string& folder) {
    std::error_code ec;
    std::filesystem::path path = std::filesystem::absolute(folder, ec);
    if (ec) path = folder;
    path = path.lexically_normal();
    const std::string root = path.root_name().string();
    std::optional<char> drive;
    if (root.size() == 2 && root[1] == ':') drive = root[0];
    std::string appPath = core::appPathFrom(drive, path.relative_path().string());
    while (appPath.size() > 1 && appPath.back() == '\\' && appPath[appPath.size() - 2] != ':') {
        appPath.pop_back();
    }
    return appPath;
}

}  // namespace

int cmdDoctor(const Args& args) {
    if (args.size() > 2) {
        std::fprintf(stderr, "usage: lumisett-tool doctor [PROGRAM_FOLDER] [PROFILE]\n");
        return 2;
    }
    doctor::Shop shop;
    shop.appPath = args.empty() ? core::currentAppPath() : programFormOf(args[0]);
    std::optional<std::string> profileArg;
    if (args.size() == 2) profileArg = args[1];
    shop.files = core::profileFiles(shop.appPath, core::deriveProfile(profileArg, settings::NetName));

    doctor::Report report(stdout);
    if (platform::fileKindAt(shop.appPath) == platform::FileKind::Missing) {
        report.fail("program folder " + shop.appPath + ": no such folder",
                    "name the folder the display is started in");
        return 1;
    }
    report.ok("program folder " + shop.appPath + ", profile " + shop.files.profile);
    doctor::checkParamFile(shop, report);
    doctor::checkCodeFile(shop, report);
    doctor::checkData(shop, report);
    doctor::checkSlideList(shop, report);
    doctor::checkScreen(shop, report);
    doctor::checkErrorLogs(shop, report);
    std::printf("%s\n", report.failed() ? "Something needs doing: see FAIL above."
                                        : "All is well.");
    return report.failed() ? 1 : 0;
}

}  // namespace tools
