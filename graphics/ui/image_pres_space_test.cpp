#include "graphics/ui/image_pres_space.h"

#include <gtest/gtest.h>

#include "graphics/color_codes.h"
#include "graphics/ui/gra.h"
#include "graphics/ui/qt_color.h"

namespace graphics {
namespace {

QImage whiteImage(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

TEST(ImagePresSpace, FillsBoxesInTheAreaColourFromTheLowerLeft) {
    QImage image = whiteImage(10, 6);
    ImagePresSpace ps(&image, QPalette());
    GraSetAttrArea(&ps, AreaAttrs{kClrRed});
    ps.fillBox({1, 0}, {3, 1});  // two bottom rows, columns 1..3

    const QRgb red = qRgb(255, 0, 0);
    for (int x = 0; x < 10; ++x)
        for (int y = 0; y < 6; ++y) {
            const bool inside = x >= 1 && x <= 3 && y >= 4;
            EXPECT_EQ(image.pixel(x, y) == red, inside) << x << "," << y;
        }
}

TEST(ImagePresSpace, AttributesMergeAndReturnThePreviousValues) {
    QImage image = whiteImage(4, 4);
    ImagePresSpace ps(&image, QPalette());
    const AreaAttrs before = GraSetAttrArea(&ps);
    EXPECT_EQ(before.color, kClrBlack);

    EXPECT_EQ(GraSetAttrArea(&ps, AreaAttrs{kClrRed}), before);
    AreaAttrs expected = before;
    expected.color = kClrRed;
    EXPECT_EQ(GraSetAttrArea(&ps), expected);  // empty elements kept what was there
}

TEST(ImagePresSpace, UnknownColourOrNoImageDrawsNothing) {
    QImage image = whiteImage(4, 4);
    ImagePresSpace ps(&image, QPalette());
    GraSetAttrArea(&ps, AreaAttrs{-100});
    ps.fillBox({0, 0}, {3, 3});
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 255, 255));

    ps.setImage(nullptr);
    GraSetAttrArea(&ps, AreaAttrs{kClrRed});
    ps.fillBox({0, 0}, {3, 3});  // must not crash
}

TEST(ToQColor, FixedColoursAndDesktopRoles) {
    QPalette palette;
    palette.setColor(QPalette::Button, QColor(1, 2, 3));
    palette.setColor(QPalette::Base, QColor(4, 5, 6));
    palette.setColor(QPalette::ButtonText, QColor(7, 8, 9));
    EXPECT_EQ(toQColor(kClrRed, palette), QColor(255, 0, 0));
    EXPECT_EQ(toQColor(kClrWhite, palette), QColor(255, 255, 255));
    EXPECT_EQ(toQColor(kClrPaleGray, palette), QColor(192, 192, 192));
    EXPECT_EQ(toQColor(33521664, palette), QColor(0, 128, 255));
    EXPECT_EQ(toQColor(kSysClrButtonFace, palette), QColor(1, 2, 3));
    EXPECT_EQ(toQColor(kSysClrEntryField, palette), QColor(4, 5, 6));
    EXPECT_EQ(toQColor(kSysClrButtonText, palette), QColor(7, 8, 9));
    EXPECT_FALSE(toQColor(-100, palette).isValid());
}

}  // namespace
}  // namespace graphics
