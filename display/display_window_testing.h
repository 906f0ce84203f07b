#pragma once

#include <atomic>

#include "display/display_cycle.h"

namespace display::testing {

// A Display page that shows nothing; tests override what they watch.
class QuietWindow : public DisplayWindow {
public:
    void showFreezeButton() override {}
    void hideFreezeButton() override {}
    void showFlasher() override {}
    void hideFlasher() override {}
    void hidePicture() override {}
    void showPicture(const std::string&) override {}
    void setTitle(const std::string&) override {}
    void setTitle2(const std::string&) override {}
    void setDescription(const std::string&) override {}
};

// A slide show period field that holds what the test puts there.
class FixedSlidePeriod : public SlidePeriodField {
public:
    explicit FixedSlidePeriod(double v = 20) : period(v) {}
    double value() const override { return period; }
    std::atomic<double> period;
};

}  // namespace display::testing
