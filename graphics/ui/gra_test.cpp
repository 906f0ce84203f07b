#include "graphics/ui/gra.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "graphics/color_codes.h"

namespace graphics {
namespace {

// Records every call; returns recognisable values.
class RecordingPS final : public PresSpace {
public:
    std::vector<std::string> calls;

    AreaAttrs setAttrArea() override {
        calls.push_back("setAttrArea()");
        return AreaAttrs{7};
    }
    AreaAttrs setAttrArea(const AreaAttrs& a) override {
        calls.push_back("setAttrArea(" + std::to_string(int(a.color.value_or(-999))) + ")");
        return AreaAttrs{8};
    }
    void fillBox(Point, Point) override { calls.push_back("fillBox"); }
};

TEST(GraSetAttrArea, CallsTheGivenOrElseTheApplicationWindowsPresentationSpace) {
    RecordingPS given, app;
    setAppPresSpace(&app);
    EXPECT_EQ(GraSetAttrArea(&given, AreaAttrs{kClrRed}).color, 8);
    EXPECT_EQ(GraSetAttrArea(&given).color, 7);
    EXPECT_EQ(given.calls, (std::vector<std::string>{"setAttrArea(2)", "setAttrArea()"}));
    EXPECT_TRUE(app.calls.empty());

    GraSetAttrArea(nullptr, AreaAttrs{kClrRed});
    GraSetAttrArea(nullptr);
    EXPECT_EQ(app.calls, (std::vector<std::string>{"setAttrArea(2)", "setAttrArea()"}));

    // With no presentation space at all nothing is called.
    setAppPresSpace(nullptr);
    EXPECT_EQ(GraSetAttrArea(nullptr, AreaAttrs{kClrRed}), AreaAttrs{});
}

}  // namespace
}  // namespace graphics
