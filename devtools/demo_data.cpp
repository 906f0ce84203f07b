// lumisett-demo-data FOLDER [PROFILE]: writes a demo shop for trying the
// display (see devtools/demo_shop.h) and prints its folder.
#include <QGuiApplication>
#include <cstdio>
#include <filesystem>

#include "devtools/demo_shop.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: lumisett-demo-data FOLDER [PROFILE]\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (!devtools::writeDemoShop(argv[1], argc >= 3 ? argv[2] : "DEMO")) return 1;
    std::printf("%s\n", std::filesystem::absolute(argv[1]).string().c_str());
    return 0;
}
