#include "display/ui/stored_pictures.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "display/ui/local_pictures.h"
#include "display/ui/picture_cache.h"
#include "display/ui/test_pictures.h"

namespace display::ui {
namespace {

using namespace testing;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

// A picture written into the shop's folder a while ago (settled).
void writePicture(testsupport::TempDir& dir, const std::string& name, const std::string& bytes) {
    dir.write(name, bytes);
    fs::last_write_time(dir.file(name), fs::file_time_type::clock::now() - 1min);
}

QColor centre(const QImage& image) { return image.pixelColor(image.width() / 2, image.height() / 2); }

// Through the program's cache: a picture shown once is copied while the
// display is idle and shown from the copy afterwards, at the size it is drawn
// at and laid out as the original; a changed picture is never shown from the
// store, whatever changed.
TEST(StoredPictures, ShowsTheCopyOnlyOfTheVersionShown) {
    struct Case {
        const char* what;
        std::function<void(testsupport::TempDir&)> change;
        QColor shown;
        bool fromStore;
    } cases[] = {
        {"unchanged", [](testsupport::TempDir&) {}, Qt::red, true},
        {"rewritten",
         [](testsupport::TempDir& d) { writePicture(d, "ring.jpg", encoded(solidImage(1600, 1200, Qt::blue), "JPG")); },
         Qt::blue, false},
        {"replaced by a PNG of the same name",
         [](testsupport::TempDir& d) {
             writePicture(d, "new.png", encoded(solidImage(1600, 1200, Qt::green), "PNG"));
             fs::rename(d.file("new.png"), d.file("ring.jpg"));
         },
         Qt::green, false},
    };
    const QSize canvas(360, 324);
    for (const auto& c : cases) {
        testsupport::TempDir dir;
        writePicture(dir, "ring.jpg", encoded(solidImage(1600, 1200, Qt::red), "JPG"));
        PictureCache::shared().clear();
        LocalPictures local;
        local.applyIn(dir.str(), {"store"}, 10, dir.str(), {});
        ASSERT_TRUE(local.isOn());
        const std::string file = dir.file("ring.jpg");

        // The first showing reads the file; the copy follows in the background.
        ASSERT_TRUE(PictureCache::shared().decode(file, canvas).isLoaded());
        ASSERT_TRUE(local.waitFilled(10s));
        ASSERT_EQ(local.store()->count(), 1u) << c.what;

        c.change(dir);
        PictureCache::shared().clear();
        auto stamp = platform::fileStamp(file);
        ASSERT_TRUE(stamp);
        // Whether the store has a copy of the picture as it is now.
        EXPECT_EQ(local.store()->lookup(file, *stamp).has_value(), c.fromStore) << c.what;
        const DecodedPicture p = PictureCache::shared().decode(file, canvas);
        ASSERT_TRUE(p.isLoaded()) << c.what;
        EXPECT_EQ(p.fullSize, QSize(1600, 1200)) << c.what;
        EXPECT_EQ(p.image.size(), QSize(358, 268)) << c.what;
        const QColor shown = centre(p.image);
        EXPECT_LT(std::abs(shown.red() - c.shown.red()) + std::abs(shown.green() - c.shown.green()) +
                      std::abs(shown.blue() - c.shown.blue()),
                  24)
            << c.what << ": " << shown.name().toStdString();
    }
    PictureCache::shared().clear();
}

// Copies are made for the largest canvas seen: a larger canvas is served
// from the file (and copied again), never from a copy too small for it; a
// picture drawn at its own size never from a copy smaller than itself.
TEST(StoredPictures, ACopyServesOnlyCanvasesItIsLargeEnoughFor) {
    testsupport::TempDir dir;
    writePicture(dir, "ring.jpg", encoded(solidImage(1600, 1200, Qt::red), "JPG"));
    writePicture(dir, "clear.png", encoded(solidImage(200, 100, Qt::transparent), "PNG"));
    std::string why;
    auto pictures = std::make_shared<StoredPictures>(
        PictureStore::open(dir.str(), {"store"}, 10 << 20, &why));
    const std::string file = dir.file("ring.jpg");
    const auto stamp = *platform::fileStamp(file);
    pictures->noteCanvas({360, 324});
    ASSERT_EQ(pictures->copy(file, StorePriority::Shown, [] {}), CopyResult::Held);
    ASSERT_EQ(pictures->copy(dir.file("clear.png"), StorePriority::Shown, [] {}), CopyResult::Held);
    EXPECT_EQ(pictures->store().lookup(dir.file("clear.png"), *platform::fileStamp(dir.file("clear.png")))->width,
              200) << "a picture smaller than the canvas is kept whole";
    struct Case {
        QSize canvas;
        bool autoScale;
        bool fromStore;
    } cases[] = {
        {{360, 324}, true, true},
        {{200, 200}, true, true},
        {{800, 600}, true, false},
        {{360, 324}, false, false},
    };
    for (const auto& c : cases) {
        const auto p = pictures->decode(file, stamp, c.canvas, c.autoScale);
        EXPECT_EQ(p.has_value(), c.fromStore) << c.canvas.width();
        if (p) {
            EXPECT_EQ(p->fullSize, QSize(1600, 1200));
            EXPECT_LE(p->image.width(), rasterDecodeSize({1600, 1200}, c.canvas, true).width());
        }
    }
    // The canvas grew: the copy is made again at the larger size.
    pictures->noteCanvas({800, 600});
    ASSERT_EQ(pictures->copy(file, StorePriority::Shown, [] {}), CopyResult::Held);
    EXPECT_TRUE(pictures->decode(file, stamp, {800, 600}, true));
    EXPECT_EQ(pictures->store().count(), 2u);
}

}  // namespace
}  // namespace display::ui
