// lumisett-demo-data [--items N] FOLDER [PROFILE]: writes a demo shop for
// trying the display (see devtools/demo_shop.h) and prints its folder.
#include <QGuiApplication>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "devtools/demo_shop.h"

namespace {

const char kUsage[] =
    "usage: lumisett-demo-data [--items N] FOLDER [PROFILE]\n"
    "Writes a demo shop into FOLDER: data/ (istock, imerch, isub, their indexes and\n"
    "pictures), app/ (PROFILE.ini, default DEMO, the slide show list, logo, help)\n"
    "and till1/image.tmp, then prints the folder.\n"
    "  --items N   items in istock and imerch together: the 11 hand-written ones\n"
    "              (the default) and generated ones, up to 1000000\n"
    "  --help      this text\n";

int usageError(const std::string& message) {
    std::fprintf(stderr, "lumisett-demo-data: %s\n%s", message.c_str(), kUsage);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> positional;
    std::uint32_t items = devtools::kDemoItems;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--items") {
            if (i + 1 >= argc) return usageError("--items needs a number");
            std::string n = argv[++i];
            bool digits = !n.empty() && n.size() <= 9 &&
                          n.find_first_not_of("0123456789") == std::string::npos;
            unsigned long value = digits ? std::stoul(n) : 0;
            if (value < devtools::kDemoItems || value > devtools::kMaxDemoItems) {
                return usageError("--items takes " + std::to_string(devtools::kDemoItems) + " to " +
                                  std::to_string(devtools::kMaxDemoItems) + " items, not " + n);
            }
            items = std::uint32_t(value);
        } else if (arg.size() > 1 && arg[0] == '-') {
            return usageError("unknown option " + arg);
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.empty() || positional.size() > 2 || positional[0].empty()) {
        return usageError("give a folder and maybe a profile");
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const std::string& folder = positional[0];
    if (!devtools::writeDemoShop(folder, positional.size() == 2 ? positional[1] : "DEMO", items)) {
        return 1;
    }
    std::printf("%s\n", std::filesystem::absolute(folder).string().c_str());
    return 0;
}
