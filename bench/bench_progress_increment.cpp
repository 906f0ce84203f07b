// What ProgressBar::increment costs the thread that reports progress while the
// bar's own thread keeps drawing, against a bare atomic counter measured in the
// same run. Offscreen Qt; no display needed.
#include <QApplication>
#include <atomic>
#include <chrono>
#include <cstdio>

#include "inventory/ui/progress_bar.h"

namespace {

constexpr int kSteps = 3000000;

template <typename F>
double nsPerCall(F&& call) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kSteps; ++i)
        call();
    const std::chrono::duration<double, std::nano> took = std::chrono::steady_clock::now() - start;
    return took.count() / kSteps;
}

// ns per increment; `every` receives the bar's wake-up interval.
double barIncrement(QWidget& page, double maximum, double* every) {
    inventory::ProgressBar bar(&page, {150, 318}, {400, 24});
    bar.setMaxWait(1);  // redraw all the time, the worst case for contention
    bar.create();
    bar.setMinimum(1);
    bar.setMaximum(maximum);
    bar.setCurrent(1);
    *every = bar.every();
    const double ns = nsPerCall([&] { bar.increment(1); });
    bar.destroy();
    return ns;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QWidget page;
    page.resize(600, 400);

    std::atomic<double> counter{0};
    const double baseline = nsPerCall([&] { counter.fetch_add(1); });
    double interval = 0;
    const double every = barIncrement(page, kSteps, &interval);
    double none = 0;
    const double always = barIncrement(page, 10, &none);  // every 0: wakes on every call

    std::printf("%d increments each\n", kSteps);
    std::printf("atomic counter (baseline)        %6.1f ns/call\n", baseline);
    std::printf("increment, wakes every %6.0f    %6.1f ns/call  (%.1fx baseline)\n",
                interval, every, every / baseline);
    std::printf("increment, wakes on every call   %6.1f ns/call  (%.1fx baseline)\n", always,
                always / baseline);
    return 0;
}
