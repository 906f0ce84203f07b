#include "display/ui/picture_cache.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "display/ui/test_pictures.h"

namespace display::ui {
namespace {

namespace fs = std::filesystem;
using namespace testing;

class PictureCacheTest : public ::testing::Test {
protected:
    // A picture written a minute ago, as one copied into the shop's folder.
    std::string write(const std::string& name, QColor colour, int w = 200, int h = 100) {
        dir.write(name, encoded(solidImage(w, h, colour), "PNG"));
        age(name);
        return dir.file(name);
    }
    void age(const std::string& name, std::chrono::seconds by = std::chrono::seconds(60)) {
        fs::last_write_time(dir.path() / name, fs::file_time_type::clock::now() - by);
    }
    static QColor colourOf(const DecodedPicture& p) { return p.image.pixelColor(0, 0); }

    testsupport::TempDir dir;
    PictureCache cache{1 << 20};
};

// The same decoded image comes back only for the same file, unchanged, at the
// same canvas size and scaling; anything else is decoded again.
TEST_F(PictureCacheTest, DecodesAgainWhenFileOrTargetChanges) {
    const QSize canvas(100, 50);
    struct Case {
        const char* name;
        std::function<void(const std::string& file)> between;
        QSize canvas;
        bool autoScale;
        bool fromCache;
        QColor colour;
    } cases[] = {
        {"shown before", [](const std::string&) {}, canvas, true, true, Qt::red},
        {"another canvas size", [](const std::string&) {}, QSize(60, 30), true, false, Qt::red},
        {"without autoScale", [](const std::string&) {}, canvas, false, false, Qt::red},
        {"rewritten with a new picture of the same size",
         [&](const std::string&) {
             write("a.png", Qt::blue);
             age("a.png", std::chrono::seconds(30));  // half a minute after the first
         },
         canvas, true, false, Qt::blue},
        {"the same bytes written again later",
         [&](const std::string&) { age("a.png", std::chrono::seconds(30)); }, canvas, true, false,
         Qt::red},
        {"another size at the same time",
         [&](const std::string& file) {
             const auto time = fs::last_write_time(file);
             dir.write("a.png", encoded(solidImage(200, 100, Qt::green), "BMP"));
             fs::last_write_time(file, time);
         },
         canvas, true, false, Qt::green},
        // A writer that puts the old modification time back cannot put back
        // the change time.
        {"rewritten in place at the same size, its old time put back",
         [&](const std::string& file) {
             const auto time = fs::last_write_time(file);
             const std::string size = dir.read("a.png");
             std::string other = encoded(solidImage(200, 100, QColor(Qt::darkGreen)), "PNG");
             ASSERT_EQ(other.size(), size.size()) << "the same size, so that only the times tell";
             dir.write("a.png", other);
             fs::last_write_time(file, time);
         },
         canvas, true, false, QColor(Qt::darkGreen)},
        {"replaced by a rename at the same size and time",
         [&](const std::string& file) {
             const auto time = fs::last_write_time(file);
             dir.write("b.png", encoded(solidImage(200, 100, QColor(Qt::darkRed)), "PNG"));
             fs::last_write_time(dir.path() / "b.png", time);
             fs::rename(dir.path() / "b.png", file);
         },
         canvas, true, false, QColor(Qt::darkRed)},
    };
    for (const Case& c : cases) {
        cache.clear();
        const std::string file = write("a.png", Qt::red);
        const DecodedPicture first = cache.decode(file, canvas, true);
        ASSERT_TRUE(first.isLoaded()) << c.name;
        c.between(file);
        EXPECT_EQ(cache.holds(file, c.canvas, c.autoScale), c.fromCache) << c.name;
        const DecodedPicture again = cache.decode(file, c.canvas, c.autoScale);
        EXPECT_EQ(again.image.cacheKey() == first.image.cacheKey(), c.fromCache) << c.name;
        EXPECT_EQ(colourOf(again), c.colour) << c.name;
    }
}

TEST_F(PictureCacheTest, KeepsNeitherFailuresNorFreshFiles) {
    const QSize canvas(100, 50);
    dir.write("broken.jpg", "not a picture");
    age("broken.jpg");
    dir.write("fresh.png", encoded(solidImage(20, 20, Qt::red), "PNG"));  // written just now
    struct Case {
        const char* name;
        std::string file;
        bool loaded;
    } cases[] = {
        {"a missing file", dir.file("missing.png"), false},
        {"a file that is no picture", dir.file("broken.jpg"), false},
        {"a file written a moment ago (its stamp may not show a rewrite yet)", dir.file("fresh.png"), true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(cache.decode(c.file, canvas).isLoaded(), c.loaded) << c.name;
        EXPECT_FALSE(cache.holds(c.file, canvas)) << c.name;
    }
    EXPECT_TRUE(cache.decode(dir.file("missing.png"), canvas).missing);
    EXPECT_EQ(cache.count(), 0u);
}

// Decode threads, the preparer and the GUI thread use one cache at once; run
// under ThreadSanitizer too.
TEST_F(PictureCacheTest, SeveralThreadsAtOnce) {
    PictureCache small(200 * 1024);  // room for two pictures: constant eviction
    std::vector<std::string> files;
    for (int i = 0; i < 4; ++i) files.push_back(write("t" + std::to_string(i) + ".png", Qt::red));
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 40; ++i) {
                const QSize canvas = (i + t) % 2 ? QSize(300, 300) : QSize(100, 50);
                const DecodedPicture p = small.decode(files[std::size_t(i + t) % files.size()], canvas);
                if (!p.isLoaded() || p.image.pixelColor(0, 0) != QColor(Qt::red)) ++wrong;
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(wrong, 0);
    EXPECT_LE(small.bytes(), small.capacity());
}

}  // namespace
}  // namespace display::ui
