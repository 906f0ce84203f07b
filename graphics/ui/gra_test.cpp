#include "graphics/ui/gra.h"

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "graphics/color_codes.h"

namespace graphics {
namespace {

std::string arg(const std::optional<double>& v) {
    return v ? std::to_string(int(*v)) : "-";
}

// Records every method call with its arguments; returns recognisable values.
class RecordingPS final : public PresSpace {
public:
    std::vector<std::string> calls;

    AreaAttrs setAttrArea() override { return log("setAttrArea()", AreaAttrs{7}); }
    AreaAttrs setAttrArea(const AreaAttrs& a) override {
        return log("setAttrArea(" + arg(a.color) + "," + arg(a.backColor) + ")", AreaAttrs{8});
    }
    LineAttrs setAttrLine() override { return log("setAttrLine()", LineAttrs{}); }
    LineAttrs setAttrLine(const LineAttrs& a) override {
        return log("setAttrLine(" + arg(a.color) + ")", LineAttrs{});
    }
    MarkerAttrs setAttrMarker() override { return log("setAttrMarker()", MarkerAttrs{}); }
    MarkerAttrs setAttrMarker(const MarkerAttrs& a) override {
        return log("setAttrMarker(" + arg(a.color) + ")", MarkerAttrs{});
    }
    StringAttrs setAttrString() override { return log("setAttrString()", StringAttrs{}); }
    StringAttrs setAttrString(const StringAttrs& a) override {
        return log("setAttrString(" + arg(a.color) + ")", StringAttrs{});
    }
    QFont setFont() override { return log("setFont()", QFont()); }
    QFont setFont(const QFont& f) override {
        return log("setFont(" + f.family().toStdString() + ")", QFont());
    }
    int drawMode() override { return log("drawMode()", 1); }
    int drawMode(int m) override { return log("drawMode(" + std::to_string(m) + ")", 2); }
    Colors setColor() override { return log("setColor()", Colors{}); }
    Colors setColor(double fg) override { return log("setColor(" + arg(fg) + ")", Colors{}); }
    Colors setColor(double fg, double bg) override {
        return log("setColor(" + arg(fg) + "," + arg(bg) + ")", Colors{});
    }
    int lastError() override { return log("lastError()", 42); }
    void box(Point, Point, bool) override { calls.push_back("box"); }

private:
    template <typename T>
    T log(std::string call, T result) {
        calls.push_back(std::move(call));
        return result;
    }
};

struct FamilyCase {
    const char* name;
    std::function<void(PresSpace*)> call;
    const char* expected;
};

TEST(GraFamily, CallsTheMethodWithOrWithoutTheArguments) {
    const FamilyCase cases[] = {
        {"area", [](PresSpace* ps) { GraSetAttrArea(ps, AreaAttrs{kClrRed}); }, "setAttrArea(2,-)"},
        {"area()", [](PresSpace* ps) { GraSetAttrArea(ps); }, "setAttrArea()"},
        {"line", [](PresSpace* ps) { GraSetAttrLine(ps, LineAttrs{4}); }, "setAttrLine(4)"},
        {"line()", [](PresSpace* ps) { GraSetAttrLine(ps); }, "setAttrLine()"},
        {"marker", [](PresSpace* ps) { GraSetAttrMarker(ps, MarkerAttrs{5}); }, "setAttrMarker(5)"},
        {"marker()", [](PresSpace* ps) { GraSetAttrMarker(ps); }, "setAttrMarker()"},
        {"string", [](PresSpace* ps) { GraSetAttrString(ps, StringAttrs{6}); }, "setAttrString(6)"},
        {"string()", [](PresSpace* ps) { GraSetAttrString(ps); }, "setAttrString()"},
        {"font", [](PresSpace* ps) { GraSetFont(ps, QFont("Courier")); }, "setFont(Courier)"},
        {"font()", [](PresSpace* ps) { GraSetFont(ps); }, "setFont()"},
        {"mode", [](PresSpace* ps) { GraSegDrawMode(ps, 2); }, "drawMode(2)"},
        {"mode()", [](PresSpace* ps) { GraSegDrawMode(ps); }, "drawMode()"},
        {"color()", [](PresSpace* ps) { GraSetColor(ps); }, "setColor()"},
        {"color(fg)", [](PresSpace* ps) { GraSetColor(ps, 2); }, "setColor(2)"},
        {"color(fg,bg)", [](PresSpace* ps) { GraSetColor(ps, 2, -2); }, "setColor(2,-2)"},
        {"error", [](PresSpace* ps) { GraError(ps); }, "lastError()"},
    };
    for (const auto& c : cases) {
        RecordingPS given, app;
        setAppPresSpace(&app);
        c.call(&given);
        EXPECT_EQ(given.calls, std::vector<std::string>{c.expected}) << c.name;
        EXPECT_TRUE(app.calls.empty()) << c.name;

        // Without a presentation space the application window's takes the call.
        c.call(nullptr);
        EXPECT_EQ(app.calls, std::vector<std::string>{c.expected}) << c.name;
        setAppPresSpace(nullptr);
    }
}

TEST(GraFamily, ReturnsTheMethodsResult) {
    RecordingPS ps;
    EXPECT_EQ(GraSetAttrArea(&ps).color, 7);
    EXPECT_EQ(GraSetAttrArea(&ps, AreaAttrs{1}).color, 8);
    EXPECT_EQ(GraSegDrawMode(&ps, 1), 2);
    EXPECT_EQ(GraError(&ps), 42);
}

TEST(GraFamily, NoPresentationSpaceAtAllIsHarmless) {
    setAppPresSpace(nullptr);
    EXPECT_EQ(GraSetAttrArea(nullptr, AreaAttrs{kClrRed}), AreaAttrs{});
    EXPECT_EQ(GraError(nullptr), 0);
}

}  // namespace
}  // namespace graphics
