#include "inventory/ui/progress_bar.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <atomic>
#include <functional>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace inventory {
namespace {

const QRgb kRed = qRgb(255, 0, 0);

// Runs the GUI thread's events until `done` holds; false after 20 s. The
// deadline only turns a hang into a failure; nothing here measures speed.
bool eventually(const std::function<bool()>& done) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > 20000)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// Runs of red pixels, {first, length}, along a row (or a column) of the image.
std::vector<std::pair<int, int>> redRuns(const QImage& image, int line, bool column) {
    std::vector<std::pair<int, int>> runs;
    const int n = column ? image.height() : image.width();
    for (int i = 0; i < n; ++i) {
        const bool red = (column ? image.pixel(line, i) : image.pixel(i, line)) == kRed;
        if (!red)
            continue;
        if (!runs.empty() && runs.back().first + runs.back().second == i)
            ++runs.back().second;
        else
            runs.push_back({i, 1});
    }
    return runs;
}

struct Page {
    QWidget widget;
    Page() {
        widget.resize(600, 400);
        widget.show();
    }
};

// A bar that only redraws when woken: its timed sleep is an hour.
std::unique_ptr<ProgressBar> sleepyBar(QWidget* parent, graphics::Size size) {
    auto bar = std::make_unique<ProgressBar>(parent, graphics::Point{150, 318}, size);
    bar->setMaxWait(360000);
    bar->create();
    return bar;
}

TEST(ProgressBar, DrawsTheSquaresIntoItsBackingImage) {
    struct Case {
        const char* name;
        graphics::Size size;
        double progress;
        bool column;
        std::size_t squares;
    };
    const Case cases[] = {
        {"zero", {400, 24}, 1, false, 1},
        {"half", {400, 24}, 500, false, 9},
        {"full", {400, 24}, 1000, false, 17},
        {"tall, full", {24, 400}, 1000, true, 17},
    };
    Page page;
    for (const auto& c : cases) {
        auto bar = sleepyBar(&page.widget, c.size);
        bar->setMinimum(1);
        bar->setMaximum(1000);
        bar->setCurrent(c.progress);
        bar->display();
        const QImage image = bar->snapshot();
        const auto runs = redRuns(image, 12, c.column);
        ASSERT_EQ(runs.size(), c.squares) << c.name;
        // Square sides of 20 (21 pixels, both corners inside), 23 apart.
        const int first = c.column ? 400 - 1 - 26 : 6;  // rows count from the top
        EXPECT_EQ(runs[c.column ? runs.size() - 1 : 0], std::make_pair(first, 21)) << c.name;
        if (!c.column) {
            for (std::size_t i = 1; i < runs.size(); ++i)
                EXPECT_EQ(runs[i].first - runs[i - 1].first, 23) << c.name;
            EXPECT_LT(runs.back().first + runs.back().second, 398) << c.name;
        }
        bar->destroy();
    }
}

TEST(ProgressBar, PaintShowsTheBackingImageInAFrame) {
    Page page;
    auto bar = sleepyBar(&page.widget, {400, 24});
    bar->setCurrent(100);
    bar->display();
    const QImage painted = bar->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(redRuns(painted, 12, false), redRuns(bar->snapshot(), 12, false));
    EXPECT_NE(painted.pixel(0, 0), bar->snapshot().pixel(0, 0));  // the frame
    bar->destroy();
}

TEST(ProgressBar, ItsThreadShowsItAndDestroyHidesIt) {
    Page page;
    ProgressBar bar(&page.widget, {150, 318}, {400, 24});
    EXPECT_FALSE(bar.isVisible());
    EXPECT_EQ(bar.geometry(), QRect(150, 58, 400, 24));  // lower-left origin
    page.widget.resize(600, 500);
    bar.setMaxWait(360000);
    bar.create();
    EXPECT_EQ(bar.geometry(), QRect(150, 158, 400, 24));  // placed on the parent as it is now
    EXPECT_TRUE(bar.active());
    EXPECT_TRUE(eventually([&] { return bar.isVisible(); }));
    bar.destroy();  // would sleep for the hour if the wake-up were lost
    EXPECT_FALSE(bar.active());
    EXPECT_FALSE(bar.isVisible());
    QApplication::processEvents();  // a late show from the thread stays ignored
    EXPECT_FALSE(bar.isVisible());
}

TEST(ProgressBar, IncrementsWakeTheDrawingThread) {
    Page page;
    auto bar = sleepyBar(&page.widget, {400, 24});
    bar->setMinimum(1);
    bar->setMaximum(1000);
    bar->setCurrent(1);
    int redraws = 0;
    QObject::connect(bar.get(), &ProgressBar::redrawn, [&] { ++redraws; });
    for (int i = 1; i < 1000; ++i)
        bar->increment(1);
    // Only a wake-up can redraw this bar within the hour.
    EXPECT_TRUE(eventually([&] { return redRuns(bar->snapshot(), 12, false).size() == 17; }));
    EXPECT_TRUE(eventually([&] { return redraws > 0; }));  // and the GUI thread heard of it
    bar->destroy();
}

// Destroys itself from its own drawing thread after the first redraw.
class SelfStoppingBar : public ProgressBar {
public:
    using ProgressBar::ProgressBar;
    std::atomic<bool> returned{false};

protected:
    void execute() override {
        ProgressBar::execute();
        destroy();
        returned = true;
    }
};

TEST(ProgressBar, DestroyFromTheDrawingThreadDoesNotWaitForItself) {
    Page page;
    auto bar = std::make_unique<SelfStoppingBar>(&page.widget, graphics::Point{150, 318},
                                                 graphics::Size{400, 24});
    bar->setMaxWait(1);
    bar->create();
    EXPECT_TRUE(eventually([&] { return bar->returned && !bar->active(); }));
    EXPECT_TRUE(eventually([&] { return !bar->isVisible(); }));
    bar.reset();  // joins the ended thread
}

TEST(ProgressBar, CountsIncrementsFromAnotherThreadWhileDrawing) {
    Page page;
    ProgressBar bar(&page.widget, {150, 318}, {400, 24});
    bar.setMaxWait(1);
    bar.create();
    constexpr int kSteps = 200000;
    bar.setMinimum(1);
    bar.setMaximum(kSteps);
    bar.setCurrent(1);

    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (int i = 1; i < kSteps; ++i)
            bar.increment(1);
        done = true;
    });
    // The GUI thread keeps painting meanwhile.
    EXPECT_TRUE(eventually([&] {
        bar.repaint();
        return done.load();
    }));
    worker.join();
    EXPECT_EQ(bar.progress(), kSteps);
    EXPECT_TRUE(eventually([&] { return redRuns(bar.snapshot(), 12, false).size() == 17; }));
    bar.destroy();
}

TEST(ProgressBar, SetSizeClearsAndKeepsTheLowerLeftCorner) {
    Page page;
    auto bar = sleepyBar(&page.widget, {400, 24});
    bar->setCurrent(100);
    bar->display();
    bar->setSize({200, 48});
    EXPECT_EQ(bar->geometry(), QRect(150, 34, 200, 48));
    const QImage image = bar->snapshot();
    EXPECT_EQ(image.size(), QSize(200, 48));
    EXPECT_TRUE(redRuns(image, 24, false).empty());
    bar->destroy();
}

}  // namespace
}  // namespace inventory
