#include "platform/ui/svg_drawing.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace {

using platform::ui::kSvgDrawing;
using platform::ui::SvgDrawing;

// 20 x 10 pixels: red on the left, green on the right.
const char* kTwoHalves =
    R"(<svg xmlns="http://www.w3.org/2000/svg" width="20" height="10" viewBox="0 0 20 10">)"
    R"(<rect x="0" y="0" width="10" height="10" fill="#ff0000"/>)"
    R"(<rect x="10" y="0" width="10" height="10" fill="#00ff00"/></svg>)";

TEST(SvgDrawingTest, OnlyDocumentsThatCanBeDrawnAreValid) {
    const std::string twoHalves = kTwoHalves;
    const struct {
        const char* name;
        std::string svg;
        bool valid;  // where the build draws SVG at all
        QSize size;
    } cases[] = {
        {"two halves", twoHalves, true, {20, 10}},
        {"no size", R"(<svg xmlns="http://www.w3.org/2000/svg"/>)", true, {}},
        {"cut short", twoHalves.substr(0, twoHalves.size() / 2), false, {}},
        {"text", "This is not a picture.", false, {}},
        {"empty", "", false, {}},
    };
    for (const auto& c : cases) {
        const SvgDrawing drawing(QByteArray::fromStdString(c.svg));
        EXPECT_EQ(drawing.isValid(), c.valid && kSvgDrawing) << c.name;
        if (c.size.isEmpty() || !kSvgDrawing)
            EXPECT_TRUE(drawing.defaultSize().isEmpty()) << c.name;
        else
            EXPECT_EQ(drawing.defaultSize(), c.size) << c.name;
    }
}

QImage drawn(SvgDrawing& drawing, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    drawing.render(painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return image;
}

TEST(SvgDrawingTest, DrawsItsViewBoxIntoTheTarget) {
    if (!kSvgDrawing) GTEST_SKIP() << "this build draws no SVG";
    SvgDrawing drawing(kTwoHalves);
    QImage whole = drawn(drawing, {40, 20});  // scaled to twice its size
    EXPECT_EQ(whole.pixelColor(2, 10), QColor(Qt::red));
    EXPECT_EQ(whole.pixelColor(18, 10), QColor(Qt::red));
    EXPECT_EQ(whole.pixelColor(22, 10), QColor(Qt::green));
    EXPECT_EQ(whole.pixelColor(38, 10), QColor(Qt::green));
    drawing.setViewBox(QRectF(10, 0, 10, 10));  // the right half only
    QImage right = drawn(drawing, {20, 20});
    EXPECT_EQ(right.pixelColor(2, 10), QColor(Qt::green));
    EXPECT_EQ(right.pixelColor(18, 18), QColor(Qt::green));
}

}  // namespace
