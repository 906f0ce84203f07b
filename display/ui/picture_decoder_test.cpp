#include "display/ui/picture_decoder.h"

#include <gtest/gtest.h>

#include <QStandardPaths>
#ifndef _WIN32
#include <sys/stat.h>
#endif
#include <algorithm>
#include <filesystem>
#include <functional>
#include <thread>

#include "display/metafile_child.h"
#include "display/ui/emf_sample.h"
#include "display/ui/metafile_converter.h"
#include "display/ui/test_pictures.h"
#include "platform/system_info.h"
#include "platform/ui/child_process.h"
#include "testsupport/hostile_files.h"

namespace display::ui {
namespace {

using namespace testing;
namespace fs = std::filesystem;

TEST(RasterDecodeSize, DecodesAtTheDrawnSizeNeverAbove) {
    struct Case {
        QSize full, canvas;
        bool autoScale;
        QSize expected;
    } cases[] = {
        {{6000, 4000}, {360, 324}, true, {358, 238}},   // landscape: the canvas width
        {{3000, 4000}, {360, 324}, true, {242, 322}},   // portrait: the canvas height
        {{200, 100}, {360, 324}, true, {200, 100}},     // smaller: its own size
        {{6000, 4000}, {360, 324}, false, {6000, 4000}},  // drawn at its own size
        {{6000, 4000}, {0, 0}, true, {2048, 1365}},     // no canvas yet
    };
    for (const auto& c : cases)
        EXPECT_EQ(rasterDecodeSize(c.full, c.canvas, c.autoScale), c.expected)
            << c.full.width() << "x" << c.full.height();
}

TEST(DecodePicture, ReadsEachRasterFormat) {
    testsupport::TempDir dir;
    const QImage red = solidImage(30, 20, Qt::red);
    struct Case {
        const char* name;
        std::string bytes;
        QSize size;
    } cases[] = {
        {"a.png", encoded(red, "PNG"), {30, 20}},
        {"a.jpg", encoded(red, "JPG"), {30, 20}},
        {"a.bmp", encoded(red, "BMP"), {30, 20}},
        {"a.gif", redGif(), {1, 1}},
        {"jpeg-named.PNG", encoded(red, "JPG"), {30, 20}},  // told apart by content
    };
    for (const auto& c : cases) {
        dir.write(c.name, c.bytes);
        DecodedPicture p = decodePicture(dir.file(c.name), {360, 324});
        ASSERT_EQ(p.kind, PictureKind::Raster) << c.name;
        EXPECT_EQ(p.fullSize, c.size) << c.name;
        EXPECT_EQ(p.image.size(), c.size) << c.name;
        QColor centre = p.image.pixelColor(c.size.width() / 2, c.size.height() / 2);
        EXPECT_GT(centre.red(), 240) << c.name;
        EXPECT_LT(centre.green(), 16) << c.name;
    }
}

// Whatever a file's header says of its size, the decode keeps only the
// picture at the size it is drawn at, and refuses a file whose decoding would
// produce far more than its header reported (a GIF's screen beyond its first
// frame). A top-down BMP is a picture like any other, the logo too.
TEST(DecodePicture, KeepsOnlyTheDrawnSizeWhateverTheHeaderSays) {
    testsupport::TempDir dir;
    const QImage camera = solidImage(2000, 1500, Qt::red);
    struct Case {
        const char* name;
        std::string bytes;
        QSize full;  // empty: refused
    } cases[] = {
        {"screen-bomb.gif", gifWithScreen(10950, 10950), {}},
        {"wide-screen.gif", gifWithScreen(2000, 1500), {2000, 1500}},
        {"top-down.bmp", bmpTopDown(600, 400), {600, 400}},
        {"logo.bmp", bmpTopDown(30, 20), {30, 20}},
        {"huge-top-down.bmp", bmpClaiming(100000, -100000), {}},
        {"camera.jpg", encoded(camera, "JPG"), {2000, 1500}},
        {"camera.png", encoded(camera, "PNG"), {2000, 1500}},
        {"camera.bmp", encoded(camera, "BMP"), {2000, 1500}},
    };
    const QSize canvas(360, 324);
    for (const auto& c : cases) {
        dir.write(c.name, c.bytes);
        const DecodedPicture p = decodePicture(dir.file(c.name), canvas);
        EXPECT_FALSE(p.missing) << c.name;
        EXPECT_EQ(p.isLoaded(), !c.full.isEmpty()) << c.name;
        EXPECT_EQ(p.fullSize, c.full) << c.name;
        if (c.full.isEmpty()) continue;
        const QSize drawn = rasterDecodeSize(c.full, canvas, true);
        EXPECT_LE(p.image.width(), drawn.width()) << c.name;
        EXPECT_LE(p.image.height(), drawn.height()) << c.name;
    }
    // The top-down logo the right way up: its first row on top.
    const DecodedPicture logo = decodePicture(dir.file("logo.bmp"), canvas);
    ASSERT_EQ(logo.image.size(), QSize(30, 20));
    EXPECT_EQ(logo.image.pixelColor(15, 0), QColor(Qt::red));
    EXPECT_EQ(logo.image.pixelColor(15, 19), QColor(Qt::blue));
}

// What a metafile's drawing child wrote is taken only at the size it was
// asked for, stored either way up.
TEST(ReadDrawnPicture, TakesExactlyTheSizeAskedFor) {
    const QSize size(30, 20);
    struct Case {
        const char* what;
        QByteArray bmp;
        bool taken;
    } cases[] = {
        {"bottom-up", QByteArray::fromStdString(encoded(solidImage(30, 20, Qt::blue), "BMP")), true},
        {"top-down", QByteArray::fromStdString(bmpTopDown(30, 20)), true},
        {"other size", QByteArray::fromStdString(encoded(solidImage(31, 20, Qt::blue), "BMP")), false},
        {"claims more", QByteArray::fromStdString(bmpClaiming(30000, 20000)), false},
        {"not a BMP", QByteArray::fromStdString(encoded(solidImage(30, 20, Qt::blue), "PNG")), false},
    };
    for (const auto& c : cases) {
        const QImage image = readDrawnPicture(c.bmp, size);
        EXPECT_EQ(!image.isNull(), c.taken) << c.what;
        if (c.taken) EXPECT_EQ(image.size(), size) << c.what;
    }
}

TEST(DecodePicture, MissingFileIsToldApartFromABadOne) {
    testsupport::TempDir dir;
    DecodedPicture p = decodePicture(dir.file("none.jpg"), {360, 324});
    EXPECT_TRUE(p.missing);
    EXPECT_FALSE(p.isLoaded());
    dir.write("item.txt", "text");  // no picture extension
    p = decodePicture(dir.file("item.txt"), {360, 324});
    EXPECT_FALSE(p.missing);
    EXPECT_FALSE(p.isLoaded());
}

TEST(DecodePicture, RefusesBadPictures) {
    testsupport::TempDir dir;
    const std::string jpeg = encoded(solidImage(64, 48, Qt::green), "JPG");
    const std::string png = encoded(solidImage(64, 48, Qt::green), "PNG");
    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"truncated.jpg", jpeg.substr(0, jpeg.size() * 2 / 3)},
        {"no-end-marker.jpg", jpeg.substr(0, jpeg.size() - 2)},
        {"truncated.png", png.substr(0, png.size() / 2)},
        {"text.png", "This is not a picture.\r\n"},
        {"empty.jpg", ""},
        {"empty.gif", ""},
        {"huge.png", pngClaiming(100000, 100000)},
        {"huge.bmp", bmpClaiming(100000, 100000)},
        {"huge.jpg", jpegClaiming(jpeg, 65000, 65000)},
        {"zero.bmp", bmpClaiming(0, 0)},
        {"empty.emf", ""},
        {"text.emf", "not a metafile"},
    };
#ifndef _WIN32
    // No converter for the metafiles here: only libemf2svg.
    MetafileConverter::instance().setProgram(dir.file("no-such-converter"));
    MetafileConverter::instance().clearCache();
#endif
    for (const auto& c : cases) {
        dir.write(c.name, c.bytes);
        DecodedPicture p = decodePicture(dir.file(c.name), {360, 324});
        EXPECT_FALSE(p.isLoaded()) << c.name;
        EXPECT_FALSE(p.missing) << c.name;
    }
#ifndef _WIN32
    MetafileConverter::instance().setProgram({});
#endif
}

#ifndef _WIN32
// Raster pictures, metafiles and the logo alike: anything but a regular file
// is a missing picture, read without blocking; a huge one is refused unread.
TEST(DecodePicture, HostileFilesAreMissingOrRefusedAtOnce) {
    for (const char* name : {"item.jpg", "item.emf", "logo.bmp"}) {
        for (const auto& k : testsupport::kHostileKinds) {
            testsupport::TempDir dir;
            testsupport::makeHostile(k.kind, dir.file(name));
            DecodedPicture p;
            EXPECT_TRUE(testsupport::finishesWithin(
                std::chrono::seconds(2), [&] { p = decodePicture(dir.file(name), {360, 324}); },
                dir.file(name)))
                << name << ", " << k.name;
            EXPECT_FALSE(p.isLoaded()) << name << ", " << k.name;
            EXPECT_EQ(p.missing, k.kind != testsupport::Hostile::Huge) << name << ", " << k.name;
            EXPECT_EQ(p.problem.find("larger than") != std::string::npos,
                      k.kind == testsupport::Hostile::Huge)
                << name << ", " << k.name << ": " << p.problem;
        }
    }
}
#endif

TEST(DecodePicture, WorksOnSeveralThreadsAtOnce) {
    testsupport::TempDir dir;
    dir.write("a.jpg", encoded(solidImage(800, 600, Qt::red), "JPG"));
    EmfWriter emf(200, 100);
    emf.filledRect(0, 0, 200, 100, 0x0000FF);
    dir.write("b.emf", emf.bytes());
    std::atomic<int> loaded{0};
    {
        std::vector<std::jthread> threads;
        for (int i = 0; i < 4; ++i)
            threads.emplace_back([&, i] {
                auto p = decodePicture(dir.file(i % 2 ? "a.jpg" : "b.emf"), {360, 324});
                if (p.isLoaded()) ++loaded;
            });
    }
    EXPECT_EQ(loaded, 4);
}

TEST(DecodePicture, EmfKeepsItsOwnSize) {
    testsupport::TempDir dir;
    EmfWriter emf(200, 100);
    emf.filledRect(0, 0, 200, 50, 0xFF0000);  // red above blue
    emf.filledRect(0, 50, 200, 100, 0x0000FF);
    dir.write("item.emf", emf.bytes());
    MetafileConverter::instance().clearCache();  // through the conversion child
    DecodedPicture p = decodePicture(dir.file("item.emf"), {360, 324});
    ASSERT_EQ(p.kind, PictureKind::Metafile);
    EXPECT_EQ(p.svgSize, QSize(200, 100));
#ifdef _WIN32
    // Drawn by GDI in the child at the size it is shown at, not its own.
    ASSERT_EQ(p.image.size(), QSize(358, 179));
    EXPECT_EQ(p.image.pixelColor(2, 2), QColor(Qt::red));
    EXPECT_EQ(p.image.pixelColor(179, 40), QColor(Qt::red));
    EXPECT_EQ(p.image.pixelColor(179, 140), QColor(Qt::blue));
    EXPECT_EQ(p.image.pixelColor(355, 176), QColor(Qt::blue));
#else
    EXPECT_TRUE(p.viewBox.isNull());
#endif
}

#ifndef _WIN32
// The conversion child writes its picture beside OUT and renames it over OUT:
// a link there is replaced, never written through; a FIFO there is replaced
// without a wait; a folder there fails the conversion and stays.
TEST(ConvertMetafileChild, NeverWritesThroughWhatIsAtItsOutput) {
    struct Case {
        const char* name;
        std::function<void(const fs::path& out, const fs::path& target)> plant;
        int exitCode;
    };
    const Case cases[] = {
        {"a link to another file", [](const fs::path& out, const fs::path& target) {
             fs::create_symlink(target, out);
         }, kMetafileConverted},
        {"a FIFO", [](const fs::path& out, const fs::path&) { ::mkfifo(out.c_str(), 0666); },
         kMetafileConverted},
        {"a folder", [](const fs::path& out, const fs::path&) { fs::create_directory(out); }, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::TempDir dir;
        EmfWriter emf(20, 10);
        emf.filledRect(0, 0, 20, 10, 0xFF0000);
        dir.write("in.emf", emf.bytes());
        dir.write("target", "not the converter's");
        const fs::path out = dir.path() / "out.svg";
        c.plant(out, dir.path() / "target");
        // As the display runs it (a QProcess would fork this threaded test).
        const platform::ui::ChildEnd end = platform::ui::runChild(
            LUMISETT_TOOL_FOR_TESTS, {kConvertMetafileCommand, dir.file("in.emf"), out.string()},
            std::chrono::seconds(10));
        ASSERT_NE(end.kind, platform::ui::ChildEnd::Kind::TimedOut) << "the child waited on a FIFO";
        ASSERT_EQ(end.kind, platform::ui::ChildEnd::Kind::Exited);
        EXPECT_EQ(end.exitCode, c.exitCode);
        EXPECT_EQ(dir.read("target"), "not the converter's");
        if (c.exitCode == kMetafileConverted) {
            EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(out)));
            EXPECT_NE(dir.read("out.svg").find("<svg"), std::string::npos);
        } else {
            EXPECT_TRUE(fs::is_directory(fs::symlink_status(out)));
        }
        std::size_t entries = 0;
        for (const auto& e : fs::directory_iterator(dir.path())) (void)e, ++entries;
        EXPECT_EQ(entries, 3u) << "a file left beside the output";
    }
}
#endif

// Runs the conversion child's stand-in (fake_metafile_child.cpp), which is
// built beside this test, in the way a test case names.
class ConversionChildTest : public ::testing::Test {
protected:
    void SetUp() override {
        MetafileConverter::instance().clearCache();
        const fs::path self = fs::path(platform::programPath()).parent_path();
#ifdef _WIN32
        const fs::path child = self / "fake_metafile_child.exe";
#else
        const fs::path child = self / "fake_metafile_child";
#endif
        MetafileConverter::instance().setChildProgram(child.string());
        MetafileConverter::instance().setChildTimeLimit(kLimit);
        qputenv("LUMISETT_FAKE_CHILD_LOG", QByteArray::fromStdString(dir.file("started.log")));
        EmfWriter emf(200, 100);
        emf.filledRect(0, 0, 200, 100, 0xFF0000);
        dir.write("item.emf", emf.bytes());
    }
    void TearDown() override {
        qunsetenv("LUMISETT_FAKE_CHILD");
        qunsetenv("LUMISETT_FAKE_CHILD_LOG");
        MetafileConverter::instance().setChildProgram({});
        MetafileConverter::instance().setChildTimeLimit(std::chrono::seconds(10));
        MetafileConverter::instance().clearCache();
    }
    // How often the child was started so far.
    int starts() const {
        if (!fs::exists(dir.file("started.log"))) return 0;
        const std::string log = dir.read("started.log");
        return int(std::count(log.begin(), log.end(), '\n'));
    }
    // Wine starts a process in about a second.
    static constexpr std::chrono::milliseconds kLimit{3000};
    testsupport::TempDir dir;
};

// A conversion child that crashes or hangs costs the picture, never the
// display: the canvas stays empty within the time limit, stderr says why,
// and the verdict is kept.
TEST_F(ConversionChildTest, ChildThatCrashesOrHangsGivesAnEmptyCanvas) {
    const struct {
        const char* mode;
        const char* note;
    } cases[] = {
        {"crash", "crashed"},
        {"hang", "ran out of time"},
        {"fail", "failed"},
        {"silent", "wrote no picture"},
    };
    for (const auto& c : cases) {
        MetafileConverter::instance().clearCache();
        qputenv("LUMISETT_FAKE_CHILD", c.mode);
        const int before = starts();
        const auto start = std::chrono::steady_clock::now();
        ::testing::internal::CaptureStderr();
        DecodedPicture p = decodePicture(dir.file("item.emf"), {360, 324});
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_LT(std::chrono::steady_clock::now() - start, kLimit + std::chrono::seconds(3))
            << c.mode;
        EXPECT_EQ(starts(), before + 1) << c.mode;
        EXPECT_FALSE(p.isLoaded()) << c.mode;
        EXPECT_FALSE(p.missing) << c.mode;
        EXPECT_NE(err.find(c.note), std::string::npos) << c.mode << ": " << err;
        EXPECT_NE(err.find("item.emf"), std::string::npos) << err;
        // Kept: the same picture shown again does not start the child again.
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(decodePicture(dir.file("item.emf"), {360, 324}).isLoaded());
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << c.mode;
        EXPECT_EQ(starts(), before + 1) << c.mode;
    }
}

// A malformed EMF is refused by the structure check: no converter runs.
TEST_F(ConversionChildTest, MalformedEmfNeverReachesTheChild) {
    MetafileConverter::instance().setProgram(dir.file("no-such-converter"));
    EmfWriter emf(200, 100);
    emf.filledRect(0, 0, 200, 100, 0xFF0000);
    std::string bytes = emf.bytes();
    bytes[88 + 4] = 0;  // the first record after the header: size 0
    dir.write("bad.emf", bytes);
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(decodePicture(dir.file("bad.emf"), {360, 324}).isLoaded());
    const std::string err = ::testing::internal::GetCapturedStderr();
    MetafileConverter::instance().setProgram({});
    EXPECT_NE(err.find("not a sound EMF"), std::string::npos) << err;
    EXPECT_EQ(starts(), 0);
    // The sound one does start it.
    EXPECT_FALSE(decodePicture(dir.file("item.emf"), {360, 324}).isLoaded());
    EXPECT_EQ(starts(), 1);
}

#ifdef _WIN32
TEST(DecodePicture, Os2MetafileIsNotReadOnWindows) {
    // No converter on a shop PC: the canvas stays empty, as for a bad picture.
    testsupport::TempDir dir;
    dir.write("item.met", metSample());
    DecodedPicture p = decodePicture(dir.file("item.met"), {360, 324});
    EXPECT_FALSE(p.isLoaded());
    EXPECT_FALSE(p.missing);
}
#else

// Stands in for LibreOffice: writes, into the folder after --outdir, an SVG
// named after the last argument, laid out as LibreOffice's are.
const char* kFakeConverter = R"(#!/bin/sh
prev=""; out=""; last=""
for a in "$@"; do [ "$prev" = "--outdir" ] && out="$a"; prev="$a"; last="$a"; done
[ -f "$last" ] || exit 1
mkdir -p "$out"; name=$(basename "$last")
cat > "$out/${name%.*}.svg" <<'EOF'
<svg xmlns="http://www.w3.org/2000/svg" width="210mm" height="297mm" viewBox="0 0 21000 29700">
 <g class="Graphic"><g id="id3">
  <rect class="BoundingBox" stroke="none" fill="none" x="1000" y="2000" width="5292" height="2646"/>
  <rect x="1000" y="2000" width="5292" height="2646" fill="#00ff00"/>
 </g></g>
</svg>
EOF
)";

class ConverterTest : public ::testing::Test {
protected:
    void SetUp() override {
        MetafileConverter::instance().clearCache();
        dir.write("convert.sh", kFakeConverter);
        fs::permissions(dir.file("convert.sh"), fs::perms::owner_all);
        EmfWriter rle(200, 100);
        rle.filledRect(0, 0, 200, 100, 0xFF0000);
        rle.rleBitmap(10, 10, 50, 40, 0x00FF00);
        dir.write("rle.emf", rle.bytes());
    }
    void TearDown() override {
        MetafileConverter::instance().setProgram({});
        MetafileConverter::instance().setChildProgram({});
        MetafileConverter::instance().setChildTimeLimit(std::chrono::seconds(10));
        MetafileConverter::instance().setTimeLimit(std::chrono::seconds(30));
        MetafileConverter::instance().clearCache();
    }
    void useConverter(const std::string& name) {
        MetafileConverter::instance().setProgram(dir.file(name));
    }
    testsupport::TempDir dir;
};

TEST_F(ConverterTest, RefusedEmfGoesThroughTheConverterCroppedToThePicture) {
    useConverter("convert.sh");
    DecodedPicture p = decodePicture(dir.file("rle.emf"), {360, 324});
    ASSERT_EQ(p.kind, PictureKind::Metafile);
    EXPECT_EQ(p.viewBox, QRectF(1000, 2000, 5292, 2646));
    EXPECT_EQ(p.svgSize, QSize(200, 100));
}

TEST_F(ConverterTest, MissingConverterFailsTheLoad) {
    useConverter("no-such-converter");
    EXPECT_FALSE(decodePicture(dir.file("rle.emf"), {360, 324}).isLoaded());
    dir.write("os2.met", std::string("\x00\x10\xD3\xA8\xA8\x00\x00\x00", 8));
    EXPECT_FALSE(decodePicture(dir.file("os2.met"), {360, 324}).isLoaded());
}

TEST_F(ConverterTest, ResultsAreKeptPerFileAndContent) {
    useConverter("convert.sh");
    ASSERT_TRUE(decodePicture(dir.file("rle.emf"), {360, 324}).isLoaded());
    useConverter("no-such-converter");
    EXPECT_TRUE(decodePicture(dir.file("rle.emf"), {360, 324}).isLoaded()) << "from the cache";
    EmfWriter other(200, 100);
    other.filledRect(0, 0, 200, 100, 0x00FF00);
    other.rleBitmap(10, 10, 50, 40, 0x0000FF);
    dir.write("rle.emf", other.bytes());
    EXPECT_FALSE(decodePicture(dir.file("rle.emf"), {360, 324}).isLoaded())
        << "a changed file is converted again";
}

TEST_F(ConverterTest, ConverterThatHangsIsStopped) {
    dir.write("hang.sh", "#!/bin/sh\nsleep 60\n");
    fs::permissions(dir.file("hang.sh"), fs::perms::owner_all);
    useConverter("hang.sh");
    MetafileConverter::instance().setTimeLimit(std::chrono::milliseconds(300));
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(decodePicture(dir.file("rle.emf"), {360, 324}).isLoaded());
    // Far below the sleep: the converter was not waited for.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

TEST_F(ConverterTest, LibreOfficeConvertsWhatLibemf2svgRefuses) {
    if (QStandardPaths::findExecutable("soffice").isEmpty())
        GTEST_SKIP() << "LibreOffice is not installed (scripts/deps installs it)";
    DecodedPicture p = decodePicture(dir.file("rle.emf"), {360, 324});
    ASSERT_EQ(p.kind, PictureKind::Metafile);
    EXPECT_NEAR(p.svgSize.width(), 200, 2);
    EXPECT_NEAR(p.svgSize.height(), 100, 2);
}

#endif

}  // namespace
}  // namespace display::ui
