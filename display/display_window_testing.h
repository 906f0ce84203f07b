#pragma once

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
    double slowFieldValue() const override { return slow; }

    double slow = 20;
};

}  // namespace display::testing
