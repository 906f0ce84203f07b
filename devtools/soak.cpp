// lumisett-soak MINUTES: the display following a busy till for a long time.
// A demo shop is written to a temporary folder; a simulated till writes a new
// code every 0.2 seconds; another thread rewrites the inventory tables and
// their indexes over and over (each new file written beside the old one and
// renamed over it, as a point-of-sale that saves whole files does); the
// display runs its data monitor with period 5. Every turn's description is
// compared with the one the code must have. At the end it prints the turns
// run, the errors seen (any box of the error handler), wrong descriptions and
// the process's memory at the start and the end. Exit code 1 when an error or
// a wrong description was seen.
#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <thread>

#include "app/display_page.h"
#include "app/program.h"
#include "app/widget_style.h"
#include "platform/ui/qt_text.h"
#include "inventory/make_desc.h"
#include "errors/standard_eh.h"
#include "startup/dbe_sys.h"
#include "platform/dialogs.h"
#include "testsupport/temp_dir.h"
#include "devtools/demo_shop.h"

namespace fs = std::filesystem;

namespace {

// Counts every box; answers error dialogues with Ignore/Cancel so nothing waits.
class CountingDialogs : public platform::Dialogs {
public:
    void messageBox(const std::string& text, const std::string&) override {
        if (text != "Parameters saved.") ++errors;
    }
    platform::Answer confirmBox(const std::string& text, const std::string&,
                                platform::Buttons buttons, platform::BoxStyle) override {
        ++errors;
        std::fprintf(stderr, "error dialogue: %s\n", text.c_str());
        return buttons == platform::Buttons::AbortRetryIgnore ? platform::Answer::Ignore
                                                               : platform::Answer::Cancel;
    }
    int alertBox(const std::string&, const std::vector<std::string>&) override {
        ++errors;
        return 1;
    }
    std::atomic<int> errors{0};
};

long residentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    }
    return 0;
}

std::string shown(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    double minutes = argc >= 2 ? std::atof(argv[1]) : 10;
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen"
                                                                       : qgetenv("QT_QPA_PLATFORM"));
    QApplication qapp(argc, argv);
    app::installFontSubstitutes();
    CountingDialogs dialogs;
    platform::setDialogs(&dialogs);
    startup::DbeSys();
    errors::ErrorSys();

    testsupport::TempDir dir, spare;
    if (!devtools::writeDemoShop(dir.str(), "SOAK") || !devtools::writeDemoShop(spare.str(), "SOAK")) return 1;
    const fs::path data = dir.path() / "data";
    const std::vector<std::string> codes = {"CH--123", "1200345", "RG--001", "ER--010", "1300001",
                                            "BR--777", "PN--404", "1400002", "WA--200", "XX--999"};
    std::map<std::string, std::string> expected;
    for (const auto& c : codes) expected[c] = shown(inventory::InventoryLookup().MakeDesc(c, data.string()));

    fs::current_path(dir.path() / "app");
    app::Program program(std::string("SOAK"), std::nullopt);
    program.start(0);
    program.watchAction();  // the demo's data monitor period is 5

    std::atomic<bool> stop{false};
    std::thread till([&] {
        std::mt19937 rng(7);
        const fs::path file = dir.path() / "till1" / "image.tmp";
        while (!stop) {
            std::string code = codes[rng() % codes.size()];
            { std::ofstream(file.string() + ".new", std::ios::binary) << code << "\r\n"; }
            fs::rename(file.string() + ".new", file);
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
    });
    std::atomic<long> rewrites{0};
    std::thread writer([&] {
        const char* names[] = {"istock.dbf", "istkcode.ntx", "imerch.dbf", "imercode.ntx",
                               "isub.dbf", "isubcode.ntx"};
        while (!stop) {
            for (const char* n : names) {
                fs::copy_file(spare.path() / "data" / n, data / (std::string(n) + ".new"),
                              fs::copy_options::overwrite_existing);
                fs::rename(data / (std::string(n) + ".new"), data / n);
            }
            ++rewrites;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    });

    long memStart = 0;
    long turns = 0, wrong = 0;
    std::string lastDesc;
    app::DisplayPage& page = program.displayPage();
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, [&] {
        std::string desc = page.description();
        if (desc == lastDesc) return;
        lastDesc = desc;
        ++turns;
        // The title names the code whose description is shown (or says why not).
        std::string title = page.title();
        std::string code = title.rfind("Picture not found for ", 0) == 0 ? title.substr(22) : title;
        auto it = expected.find(code);
        if (it != expected.end() && it->second != desc) {
            // The title is set after the description in the same turn; look again later.
            QTimer::singleShot(300, [&, code, desc] {
                std::string now = page.description();
                std::string t = page.title();
                if (now == desc && t.find(code) != std::string::npos && expected[code] != now) {
                    ++wrong;
                    std::fprintf(stderr, "wrong description for %s:\n%s\n", code.c_str(), now.c_str());
                }
            });
        }
    });
    check.start(20);
    QTimer::singleShot(5000, [&] { memStart = residentKb(); });
    QEventLoop loop;
    QTimer::singleShot(int(minutes * 60000), &loop, &QEventLoop::quit);
    loop.exec();
    long memEnd = residentKb();
    stop = true;
    till.join();
    writer.join();
    program.finish();
    std::printf("soak %.1f min: %ld descriptions shown, %ld table rewrites, %d errors seen, %ld wrong "
                "descriptions, memory %.1f MB after 5 s and %.1f MB at the end (growth %.1f MB)\n",
                minutes, turns, rewrites.load(), dialogs.errors.load(), wrong, memStart / 1024.0,
                memEnd / 1024.0, (memEnd - memStart) / 1024.0);
    platform::setDialogs(nullptr);
    return dialogs.errors == 0 && wrong == 0 ? 0 : 1;
}
