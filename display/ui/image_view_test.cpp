#include "display/ui/image_view.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QStandardPaths>
#include <filesystem>
#include <thread>

#include "display/ui/emf_sample.h"
#include "display/ui/picture_cache.h"
#include "display/ui/test_pictures.h"

namespace display::ui {
namespace {

using namespace testing;

const QColor kGrey(192, 192, 192);

// A 370 x 334 view: its canvas is 360 x 324.
class ImageViewTest : public ::testing::Test {
protected:
    ImageViewTest() {
        view.resize(370, 334);
        view.show();
    }

    std::string write(const char* name, const QImage& image, const char* format = "PNG") {
        dir.write(name, encoded(image, format));
        return dir.file(name);
    }
    QImage painted() { return view.canvas()->grab().toImage().convertToFormat(QImage::Format_RGB32); }

    // Every pixel inside `rect` is `inside`, every other pixel grey.
    static void expectPictureAt(const QImage& canvas, QRect rect, QColor inside) {
        int wrong = 0;
        QString first;
        for (int y = 0; y < canvas.height(); ++y)
            for (int x = 0; x < canvas.width(); ++x) {
                QColor want = rect.contains(x, y) ? inside : kGrey;
                if (canvas.pixelColor(x, y) != want && wrong++ == 0)
                    first = QStringLiteral("(%1, %2) is %3, not %4")
                                .arg(x).arg(y).arg(canvas.pixelColor(x, y).name(), want.name());
            }
        EXPECT_EQ(wrong, 0) << first.toStdString();
    }

    testsupport::TempDir dir;
    ImageView view;
};

TEST_F(ImageViewTest, CanvasIsInsetByFiveAndStartsEmpty) {
    EXPECT_EQ(view.canvasSize(), QSize(360, 324));
    EXPECT_EQ(view.canvasSizeSnapshot(), QSize(360, 324));
    EXPECT_EQ(view.canvas()->mapTo(&view, QPoint(0, 0)), QPoint(5, 5));
    EXPECT_EQ(view.mode(), 0);
    EXPECT_EQ(view.file(), "");
    EXPECT_TRUE(view.autoScale());
    expectPictureAt(painted(), {}, kGrey);
}

TEST_F(ImageViewTest, PicturesLandInTheTargetRectangle) {
    struct Case {
        const char* what;
        QSize size;
        bool autoScale;
        QRect expected;  // on the 360 x 324 canvas, top-left origin
    } cases[] = {
        // T = {1, 72.5, 358, 250.5}: 358 x 179, centred vertically.
        {"landscape", {200, 100}, true, {1, 73, 358, 179}},
        // T = {99.5, 1, 259.5, 322}: 161 x 322, centred horizontally.
        {"portrait", {100, 200}, true, {100, 1, 161, 322}},
        // Own size, centred: T = {160, 152, 199, 171}.
        {"own size", {40, 20}, false, {160, 152, 40, 20}},
        // Own size, larger: from the lower-left corner (1, 1), cut at the top and right.
        {"own size, cut", {400, 400}, false, {1, 323 - 400, 400, 400}},
        // Landscape on a flatter canvas: fills the width, cut at the top.
        {"taller than the canvas", {358, 350}, true, {1, 323 - 350, 358, 350}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        view.setAutoScale(c.autoScale);
        std::string file = write("pic.png", solidImage(c.size.width(), c.size.height(), Qt::red));
        ASSERT_TRUE(view.load(file));
        EXPECT_EQ(view.mode(), 1);
        EXPECT_EQ(view.file(), file);
        expectPictureAt(painted(), c.expected, Qt::red);
    }
}

TEST_F(ImageViewTest, MissingFileKeepsThePreviousPicture) {
    std::string file = write("pic.png", solidImage(200, 100, Qt::red));
    ASSERT_TRUE(view.load(file));
    EXPECT_FALSE(view.load(dir.file("gone.png")));
    EXPECT_EQ(view.mode(), 1);
    EXPECT_EQ(view.file(), file);
    expectPictureAt(painted(), {1, 73, 358, 179}, Qt::red);
}

TEST_F(ImageViewTest, BadPicturesLeaveAnEmptyCanvas) {
    const std::string jpeg = encoded(solidImage(640, 480, Qt::green), "JPG");
    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"truncated.jpg", jpeg.substr(0, jpeg.size() / 2)},
        {"text.png", "hello"},
        {"empty.bmp", ""},
        {"huge.png", pngClaiming(100000, 100000)},
        {"item.tif", encoded(solidImage(10, 10, Qt::green), "PNG")},  // not a picture name
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(view.load(write("good.png", solidImage(200, 100, Qt::red))));
        dir.write(c.name, c.bytes);
        EXPECT_FALSE(view.load(dir.file(c.name)));
        EXPECT_EQ(view.mode(), 0);
        EXPECT_EQ(view.file(), "");
        expectPictureAt(painted(), {}, kGrey);
    }
}

TEST_F(ImageViewTest, BmpInTheFolderNameMakesItARasterPicture) {
    // "C:\A.BMP\item.emf": ".BMP" is found first, so it is read as a raster picture.
    dir.write("A.BMP/item.emf", encoded(solidImage(200, 100, Qt::red), "PNG"));
    EXPECT_TRUE(view.load(dir.file("A.BMP/item.emf")));
    EXPECT_EQ(view.mode(), 1);
    EmfWriter emf(200, 100);
    emf.filledRect(0, 0, 200, 100, 0xFF0000);
    dir.write("B.BMP/item.emf", emf.bytes());
    EXPECT_FALSE(view.load(dir.file("B.BMP/item.emf")));
    EXPECT_EQ(view.mode(), 0);
}

TEST_F(ImageViewTest, EmfIsScaledIntoTheCanvas) {
    EmfWriter emf(200, 100);
    emf.filledRect(0, 0, 200, 100, 0xFF0000);
    emf.filledRect(50, 25, 150, 75, 0x0000FF);
    dir.write("item.emf", emf.bytes());
    ASSERT_TRUE(view.load(dir.file("item.emf")));
    EXPECT_EQ(view.mode(), 2);
    QImage canvas = painted();
    // Scaled like a 200 x 100 raster picture: 358 x 179 from (1, 73).
    EXPECT_EQ(canvas.pixelColor(180, 162), QColor(Qt::blue));  // the inner rectangle
    EXPECT_EQ(canvas.pixelColor(30, 100), QColor(Qt::red));
    EXPECT_EQ(canvas.pixelColor(330, 230), QColor(Qt::red));
    EXPECT_EQ(canvas.pixelColor(180, 60), kGrey);
    EXPECT_EQ(canvas.pixelColor(180, 265), kGrey);

    view.setAutoScale(false);  // its own 200 x 100 pixels, centred
    canvas = painted();
    EXPECT_EQ(canvas.pixelColor(90, 162), QColor(Qt::red));
    EXPECT_EQ(canvas.pixelColor(75, 162), kGrey);
    EXPECT_EQ(canvas.pixelColor(180, 100), kGrey);
}

TEST_F(ImageViewTest, WideEmfFitsAFlatCanvasBothWays) {
    EmfWriter emf(200, 180);
    emf.filledRect(0, 0, 200, 180, 0xFF0000);
    dir.write("item.emf", emf.bytes());
    view.resize(370, 110);  // canvas 360 x 100: the picture fits its height, 98 pixels
    ASSERT_TRUE(view.load(dir.file("item.emf")));
    QImage canvas = painted();
    EXPECT_EQ(canvas.pixelColor(180, 50), QColor(Qt::red));
    EXPECT_EQ(canvas.pixelColor(180, 2), QColor(Qt::red));
    EXPECT_EQ(canvas.pixelColor(20, 50), kGrey);   // about 109 wide, centred
    EXPECT_EQ(canvas.pixelColor(340, 50), kGrey);
}

TEST_F(ImageViewTest, Os2MetafileThroughLibreOffice) {
    if (QStandardPaths::findExecutable("soffice").isEmpty())
        GTEST_SKIP() << "LibreOffice is not installed (scripts/deps installs it)";
    dir.write("item.met", metSample());
    ASSERT_TRUE(view.load(dir.file("item.met")));
    EXPECT_EQ(view.mode(), 2);
    // About 358 x 180 in the middle; the box covers its middle 80 % each way.
    QImage canvas = painted();
    EXPECT_LT(canvas.pixelColor(180, 162).lightness(), 40);
    EXPECT_LT(canvas.pixelColor(60, 100).lightness(), 40);
    EXPECT_LT(canvas.pixelColor(300, 225).lightness(), 40);
    EXPECT_EQ(canvas.pixelColor(20, 162), kGrey);   // picture, outside the box
    EXPECT_EQ(canvas.pixelColor(180, 60), kGrey);   // above the picture
    EXPECT_EQ(canvas.pixelColor(180, 270), kGrey);  // below it
}

TEST_F(ImageViewTest, PicturesDecodedOnAnotherThreadArriveInOrder) {
    std::string red = write("pic.jpg", solidImage(1200, 600, Qt::red), "JPG");
    std::string blue = write("pic.png", solidImage(60, 30, Qt::blue));
    view.hide();
    std::thread([&] {
        view.showPictureQueued(red);
        view.showPictureQueued(blue);
    }).join();
    EXPECT_EQ(view.mode(), 0);  // decoded, but not yet taken by the GUI thread
    QApplication::processEvents();
    EXPECT_TRUE(view.isVisible());
    EXPECT_EQ(view.file(), blue);
    EXPECT_EQ(view.mode(), 1);
    EXPECT_GT(painted().pixelColor(180, 162).blue(), 240);

    std::thread([&] { view.showPictureQueued(dir.file("gone.jpg")); }).join();
    QApplication::processEvents();
    EXPECT_EQ(view.file(), blue);  // a missing file keeps the picture
}

// A slide prepared ahead is in the program's cache at the size the view will
// draw it; metafiles are left to their own converter.
TEST_F(ImageViewTest, PreparedPicturesWaitInTheCache) {
    const std::string jpeg = write("next.jpg", solidImage(1200, 600, Qt::green), "JPG");
    dir.write("next.met", metSample());
    for (const char* name : {"next.jpg", "next.met"}) {
        std::filesystem::last_write_time(dir.path() / name,
                                         std::filesystem::file_time_type::clock::now() - std::chrono::minutes(1));
    }
    PictureCache& cache = PictureCache::shared();
    view.preparePicture(jpeg);
    view.preparePicture(dir.file("next.met"));
    ASSERT_TRUE(view.waitPrepared(std::chrono::seconds(30)));
    EXPECT_TRUE(cache.holds(jpeg, view.canvasSizeSnapshot()));
    EXPECT_FALSE(cache.holds(dir.file("next.met"), view.canvasSizeSnapshot()));
    ASSERT_TRUE(view.load(jpeg));
    EXPECT_EQ(view.decodedSize(), QSize(358, 179));
    EXPECT_GT(painted().pixelColor(180, 162).green(), 200);
}

TEST_F(ImageViewTest, GrowingCanvasGetsASharperDecode) {
    std::string file = write("big.jpg", solidImage(2400, 1600, Qt::red), "JPG");
    ASSERT_TRUE(view.load(file));
    EXPECT_EQ(view.decodedSize(), QSize(358, 238));
    view.resize(1210, 810);  // canvas 1200 x 800: drawn 1198 x 799
    QElapsedTimer waited;
    waited.start();
    while (view.decodedSize().width() < 1198 && waited.elapsed() < 60000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(view.decodedSize(), QSize(1198, 799));
    // A new picture meanwhile is not replaced by a late decode of the old one.
    view.resize(370, 334);
    ASSERT_TRUE(view.load(file));
    view.resize(1210, 810);
    ASSERT_TRUE(view.load(write("small.png", solidImage(20, 10, Qt::blue))));
    QApplication::processEvents(QEventLoop::AllEvents, 200);
    EXPECT_EQ(view.decodedSize(), QSize(20, 10));
}

}  // namespace
}  // namespace display::ui
