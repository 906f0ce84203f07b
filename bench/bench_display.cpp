// The display following the till: time from a new code in image.tmp to its
// picture on screen, at the data monitor period of 5 tenths (target: 95th
// percentile under 0.1 s: the change notification, not the poll), and the
// process's CPU use while the display waits with nothing new to show
// (target: under 1 % of one core); then the time for the till to take over
// again from the idle slide show ([IdleSlides]) with its next write. Also
// the time from Show to its first slide, which the timer thread shows.
#include <QApplication>
#include <QElapsedTimer>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "app/display_page.h"
#include "app/main_window.h"
#include "app/program.h"
#include "app/settings_page.h"
#include "app/widget_style.h"
#include "display/ui/image_view.h"
#include "testsupport/temp_dir.h"
#include "devtools/demo_shop.h"

namespace fs = std::filesystem;

namespace {

double cpuSeconds() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
           double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    app::installFontSubstitutes();
    testsupport::TempDir dir;
    if (!devtools::writeDemoShop(dir.str(), "BENCH")) return 1;
    fs::current_path(dir.path() / "app");
    app::Program program(std::string("BENCH"), std::nullopt);
    program.start(0);
    program.watchAction();  // period 5 from the demo's parameter file
    const fs::path codeFile = dir.path() / "till1" / "image.tmp";

    const char* codes[] = {"RG--001", "CH--123", "ER--010", "1200345", "BR--777", "1400002"};
    const char* files[] = {"RG--001.png", "CH--123.jpg", "ER--010.gif", "1200345.jpg",
                           "BR--777.bmp", "1400002.png"};
    std::vector<double> latencies;
    display::ui::ImageView* view = &program.displayPage().pictureView();
    QTest::qWait(1500);
    for (int i = 0; i < 30; ++i) {
        int k = i % 6;
        QElapsedTimer t;
        {
            std::ofstream(codeFile.string() + ".new", std::ios::binary) << codes[k] << "\r\n";
        }
        t.start();
        fs::rename(codeFile.string() + ".new", codeFile);
        while (view->file().find(files[k]) == std::string::npos || !view->isVisible()) {
            QApplication::processEvents(QEventLoop::AllEvents, 5);
            if (t.elapsed() > 5000) break;
        }
        view->repaint();  // the picture painted on screen
        latencies.push_back(t.nsecsElapsed() / 1e9);
        QTest::qWait(200 + 37 * k);  // tills do not write in step with the timer
    }
    std::sort(latencies.begin(), latencies.end());
    double p50 = latencies[latencies.size() / 2];
    double p95 = latencies[std::size_t(double(latencies.size()) * 0.95)];
    std::printf("code to picture, period 5: median %.3f s, 95th percentile %.3f s "
                "(target < 0.100 s: %s)\n",
                p50, p95, p95 < 0.1 ? "met" : "MISSED");

    // Show: the GUI thread only hands the turn to the timer thread; the
    // first slide appears when that turn posts it. Between the rounds the
    // timer runs no turn of its own (manual entry, then Apply/Save).
    std::vector<double> handed, shown;
    for (int i = 0; i < 10; ++i) {
        program.freezeAction();
        QTest::qWait(300);
        program.applySaveAction();
        QTest::qWait(200);
        const std::string before = program.displayPage().title();
        QElapsedTimer t;
        t.start();
        program.showAction();
        handed.push_back(t.nsecsElapsed() / 1e9);
        while (program.displayPage().title() == before && t.elapsed() < 5000) {
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        view->repaint();
        shown.push_back(t.nsecsElapsed() / 1e9);
    }
    std::sort(handed.begin(), handed.end());
    std::sort(shown.begin(), shown.end());
    std::printf("Show: the GUI thread busy median %.4f s, slowest %.4f s; the slide on screen "
                "median %.3f s, slowest %.3f s (%.2f times the till's median)\n",
                handed[handed.size() / 2], handed.back(), shown[shown.size() / 2], shown.back(),
                shown[shown.size() / 2] / p50);
    program.watchAction();

    QTest::qWait(1000);
    double cpu0 = cpuSeconds();
    QElapsedTimer idle;
    idle.start();
    {
        QEventLoop loop;  // the program's own event loop, not a polling wait
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        loop.exec();
    }
    double used = (cpuSeconds() - cpu0) / (idle.nsecsElapsed() / 1e9) * 100.0;
    std::printf("idle CPU while the display waits: %.2f %% of one core (target < 1 %%: %s)\n",
                used, used < 1.0 ? "met" : "MISSED");

    // [IdleSlides] 1: the slide show takes over after a second without a new
    // code; the till's next write, of the same code, brings it back.
    program.window().findChild<QSpinBox*>("oIdleSlides")->setValue(1);
    program.applySaveAction();
    std::vector<double> returns;
    for (int i = 0; i < 8; ++i) {
        QElapsedTimer wait;
        wait.start();
        while (program.displayPage().title2() != "" && wait.elapsed() < 5000) QTest::qWait(5);
        if (program.displayPage().title2() != "") {
            std::printf("till back from the idle slide show: MISSED, no slide show came\n");
            return 1;
        }
        QTest::qWait(150 + 41 * i);  // a slide on screen for a while
        QElapsedTimer t;
        {
            std::ofstream(codeFile.string() + ".new", std::ios::binary) << "RG--001\r\n";
        }
        t.start();
        fs::rename(codeFile.string() + ".new", codeFile);
        while (program.displayPage().title2() == "" || view->file().find("RG--001.png") == std::string::npos) {
            QApplication::processEvents(QEventLoop::AllEvents, 5);
            if (t.elapsed() > 5000) break;
        }
        view->repaint();
        returns.push_back(t.nsecsElapsed() / 1e9);
    }
    std::sort(returns.begin(), returns.end());
    std::printf("till back from the idle slide show, period 5: median %.3f s, slowest %.3f s "
                "(%zu rounds)\n",
                returns[returns.size() / 2], returns.back(), returns.size());
    program.finish();
    return 0;
}
