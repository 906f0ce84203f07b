#include "settings/param_file.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/dialogs.h"
#include "testsupport/hostile_files.h"
#include "testsupport/temp_dir.h"

namespace {

using settings::Settings;

Settings values(std::string cBuffer, std::string cPath, double nSlow, double nFast,
                double posX = 0, double posY = 0, int frame = 3) {
    Settings s;
    s.cBuffer = std::move(cBuffer);
    s.cPath = std::move(cPath);
    s.nSlow = nSlow;
    s.nFast = nFast;
    s.posX = posX;
    s.posY = posY;
    s.nFrameState = frame;
    return s;
}

class RecordingDialogs : public platform::Dialogs {
public:
    void messageBox(const std::string& text, const std::string&) override { messages.push_back(text); }
    platform::Answer confirmBox(const std::string&, const std::string&, platform::Buttons,
                                platform::BoxStyle) override {
        return platform::Answer::Ok;
    }
    int alertBox(const std::string&, const std::vector<std::string>&) override { return 1; }
    std::vector<std::string> messages;
};

struct FakeWindow : settings::WindowQuery {
    int state = 3;
    double x = 212, y = 184;
    bool ticked = true;
    int frameState() const override { return state; }
    double positionX() const override { return x; }
    double positionY() const override { return y; }
    bool fullScreenTicked() const override { return ticked; }
};

class ParamFileTest : public ::testing::Test {
protected:
    void SetUp() override { previous = platform::setDialogs(&dialogs); }
    void TearDown() override { platform::setDialogs(previous); }
    std::string file() const { return dir.file("TILL2.ini"); }

    testsupport::TempDir dir;
    RecordingDialogs dialogs;
    platform::Dialogs* previous = nullptr;
};

const char kSaved[] =
    "[CodeSpec]\r\nC:\\POS\\image.tmp\r\n\r\n[Datapath]\r\nC:\\POS\r\n\r\n[SlowTime]\r\n100\r\n\r\n"
    "[FastTime]\r\n10\r\n\r\n[StartPos]\r\n212,184,2\r\n";

TEST_F(ParamFileTest, SaveWritesTheFourteenLinesByteForByte) {
    FakeWindow window;
    Settings s = values("C:\\POS\\image.tmp", "C:\\POS", 100, 10);
    ASSERT_TRUE(settings::SaveParam(file(), s, window).isOk());
    EXPECT_EQ(dir.read("TILL2.ini"), kSaved);
    EXPECT_EQ(s.posX, 212);
    EXPECT_EQ(s.posY, 184);
    EXPECT_EQ(s.nFrameState, 3);  // the check box's state is written, not kept
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{"Parameters saved."});
}

TEST_F(ParamFileTest, ReadBackGivesTheSavedValues) {
    dir.write("TILL2.ini", kSaved);
    Settings p = values("other", "other", 5, 6, 1, 2, 3);
    EXPECT_EQ(settings::ReadParam(file(), p), kSaved);
    EXPECT_EQ(p.cBuffer, "C:\\POS\\image.tmp");
    EXPECT_EQ(p.cPath, "C:\\POS");
    EXPECT_EQ(p.nSlow, 100);
    EXPECT_EQ(p.nFast, 10);
    EXPECT_EQ(p.posX, 212);
    EXPECT_EQ(p.posY, 184);
    EXPECT_EQ(p.nFrameState, 2);
}

TEST_F(ParamFileTest, MaximisedWindowKeepsTheOldPosition) {
    FakeWindow window;
    window.state = 2;
    window.ticked = false;
    Settings s = values(" a ", "", 20, 5, 10, -20);
    ASSERT_TRUE(settings::SaveParam(file(), s, window).isOk());
    EXPECT_EQ(s.posX, 10);
    EXPECT_EQ(s.posY, -20);
    std::string text = dir.read("TILL2.ini");
    EXPECT_NE(text.find("\r\n[StartPos]\r\n10,-20,3\r\n"), std::string::npos);
    Settings p;
    settings::ReadParam(file(), p);
    EXPECT_EQ(p.cBuffer, " a ");  // blanks kept both ways
}

TEST_F(ParamFileTest, PeriodFormatting) {
    struct Case {
        double period;
        const char* line;
    } cases[] = {{100, "100"}, {20, "20"}, {5, "5"}, {1000, "***"}, {2.5, "3"}, {-5, "-5"}};
    for (const auto& c : cases) {
        std::string text = settings::paramText(values("", "", c.period, 10), 3);
        EXPECT_NE(text.find(std::string("[SlowTime]\r\n") + c.line + "\r\n"), std::string::npos)
            << c.period;
    }
}

TEST_F(ParamFileTest, MisformedFiles) {
    struct Case {
        const char* name;
        const char* text;
        Settings start;
        Settings expected;
    } cases[] = {
        {"missing file keeps every value", nullptr, values("a", "b", 7, 8, 1, 2, 3),
         values("a", "b", 7, 8, 1, 2, 3)},
        {"missing sections keep their values", "", values("a", "b", 7, 8, 1, 2, 3),
         values("a", "b", 7, 8, 1, 2, 3)},
        {"heads in any case and order",
         "[starttime]\r\n[fasttime]\r\n15\r\n[DATApath]\r\nD:\\x\r\n[codespec]\r\nX:\\i.tmp\r\n",
         values("a", "b", 7, 8), values("X:\\i.tmp", "D:\\x", 7, 15)},
        {"head at the end of the file gives an empty value", "[SlowTime]",
         values("a", "b", 7, 8), values("a", "b", 20, 8)},
        {"a last value without a line end after it", "[SlowTime]\r\n200",
         values("a", "b", 7, 8), values("a", "b", 200, 8)},
        // Periods read are held within the spin buttons' limits, so the
        // Settings page shows what runs.
        {"asterisk periods read as 0, the lower limits",
         "[SlowTime]\r\n***\r\n[FastTime]\r\n***\r\n", values("a", "b", 7, 8),
         values("a", "b", 20, 5)},
        {"periods beyond the upper limits", "[SlowTime]\r\n999\r\n[FastTime]\r\n99999999999\r\n",
         values("a", "b", 7, 8), values("a", "b", 300, 100)},
        {"negative and non-numeric periods", "[SlowTime]\r\n-40\r\n[FastTime]\r\nNaN\r\n",
         values("a", "b", 7, 8), values("a", "b", 20, 5)},
        {"fractional periods round to whole tenths",
         "[SlowTime]\r\n25.6\r\n[FastTime]\r\n60.4\r\n", values("a", "b", 7, 8),
         values("a", "b", 26, 60)},
        {"start position without commas", "[StartPos]\r\n212 184\r\n", values("", "", 7, 8, 5, 6, 3),
         values("", "", 7, 8, 5, 6, 3)},
        {"start position with one comma", "[StartPos]\r\n212,184\r\n", values("", "", 7, 8, 5, 6, 3),
         values("", "", 7, 8, 212, 184, 3)},
        {"frame state 3", "[StartPos]\r\n-5,7,3\r\n", values("", "", 7, 8, 5, 6, 2),
         values("", "", 7, 8, -5, 7, 3)},
        // Any other frame state opens the window normal; a huge one too.
        {"frame state out of range", "[StartPos]\r\n5,7,99999999999\r\n",
         values("", "", 7, 8, 5, 6, 2), values("", "", 7, 8, 5, 7, 0)},
        {"frame state negative", "[StartPos]\r\n5,7,-1e300\r\n", values("", "", 7, 8, 5, 6, 2),
         values("", "", 7, 8, 5, 7, 0)},
    };
    for (const auto& c : cases) {
        if (c.text) {
            dir.write("TILL2.ini", c.text);
        } else {
            std::filesystem::remove(file());
        }
        Settings p = c.start;
        settings::ReadParam(file(), p);
        EXPECT_EQ(p.cBuffer, c.expected.cBuffer) << c.name;
        EXPECT_EQ(p.cPath, c.expected.cPath) << c.name;
        EXPECT_EQ(p.nSlow, c.expected.nSlow) << c.name;
        EXPECT_EQ(p.nFast, c.expected.nFast) << c.name;
        EXPECT_EQ(p.posX, c.expected.posX) << c.name;
        EXPECT_EQ(p.posY, c.expected.posY) << c.name;
        EXPECT_EQ(p.nFrameState, c.expected.nFrameState) << c.name;
    }
}

// A file edited with a Linux editor (LF), or passed through a tool that
// changed its line ends (CR), or a mix of them, reads as the CR LF file does,
// every section of it; the file is still written with CR LF.
TEST_F(ParamFileTest, AnyLineEndReadsAlike) {
    const std::vector<std::string> lines = {
        "[CodeSpec]", "C:\\POS\\TILL1\\image.tmp", "", "[Datapath]", "C:\\POS\\DATA", "",
        "[SlowTime]", "120", "", "[FastTime]", "15", "", "[StartPos]", "100,-200,2", "",
        "[Screen]", "HDMI-2", "", "[IdleSlides]", "60"};
    struct Case {
        const char* name;
        std::vector<const char*> ends;  // taken in turn, line after line
    } cases[] = {
        {"CR LF", {"\r\n"}},
        {"LF", {"\n"}},
        {"CR", {"\r"}},
        {"mixed", {"\n", "\r", "\r\n"}},
        {"mixed the other way", {"\r", "\n", "\r", "\r\n", "\n"}},
    };
    for (const Case& c : cases) {
        for (const bool lastLineEnded : {true, false}) {
            SCOPED_TRACE(std::string(c.name) + (lastLineEnded ? "" : ", last line without end"));
            std::string text;
            for (std::size_t i = 0; i < lines.size(); ++i) {
                text += lines[i];
                if (i + 1 < lines.size() || lastLineEnded) text += c.ends[i % c.ends.size()];
            }
            dir.write("TILL2.ini", text);
            Settings p = values("a", "b", 7, 8, 1, 2, 3);
            EXPECT_EQ(settings::ReadParam(file(), p), text) << "the text is returned as read";
            EXPECT_EQ(p.cBuffer, "C:\\POS\\TILL1\\image.tmp");
            EXPECT_EQ(p.cPath, "C:\\POS\\DATA");
            EXPECT_EQ(p.nSlow, 120);
            EXPECT_EQ(p.nFast, 15);
            EXPECT_EQ(p.posX, 100);
            EXPECT_EQ(p.posY, -200);
            EXPECT_EQ(p.nFrameState, 2);
            EXPECT_EQ(p.screen, "HDMI-2");
            // The last line counts also when the file ends without its line end.
            EXPECT_EQ(p.idleSlides, 60);

            ASSERT_TRUE(settings::SaveParam(file(), p, FakeWindow()).isOk());
            std::string crLf;
            for (const std::string& line : lines) crLf += line + "\r\n";
            crLf.replace(crLf.find("100,-200,2"), 10, "212,184,2");
            EXPECT_EQ(dir.read("TILL2.ini"), crLf);
        }
    }
}

TEST_F(ParamFileTest, ScreenAndIdleSlidesFollowTheFourteenLinesOnlyWhenSet) {
    struct Case {
        const char* screen;
        double idle;
        std::string tail;  // what follows the fourteen lines
    } cases[] = {
        {"", 0, ""},
        {"DP-2,left", 0, "\r\n[Screen]\r\nDP-2,left\r\n"},
        {"", 45, "\r\n[IdleSlides]\r\n45\r\n"},
        {"2", 600, "\r\n[Screen]\r\n2\r\n\r\n[IdleSlides]\r\n600\r\n"},
    };
    for (const auto& c : cases) {
        Settings s = values("C:\\POS\\image.tmp", "C:\\POS", 100, 10);
        s.screen = c.screen;
        s.idleSlides = c.idle;
        ASSERT_TRUE(settings::SaveParam(file(), s, FakeWindow()).isOk());
        EXPECT_EQ(dir.read("TILL2.ini"), kSaved + c.tail) << c.screen;
        Settings p = values("", "", 1, 1, 1, 1, 3);
        settings::ReadParam(file(), p);
        EXPECT_EQ(p.screen, c.screen);
        EXPECT_EQ(p.idleSlides, c.idle);
        EXPECT_EQ(p.posX, 212);
        EXPECT_EQ(p.posY, 184);
        EXPECT_EQ(p.nFrameState, 2) << c.screen;
    }
}

// The shop's additions: each written after the fourteen lines only when it
// is not its default, each read back as written, in any case of its head,
// behind [StartPos] without disturbing it.
TEST_F(ParamFileTest, AdditionsFollowTheFourteenLinesOnlyWhenSet) {
    struct Case {
        const char* what;
        std::function<void(Settings&)> set;
        std::string tail;
    } cases[] = {
        {"none", [](Settings&) {}, ""},
        {"watchdog", [](Settings& s) { s.watchdog = true; }, "\r\n[Watchdog]\r\n1\r\n"},
        {"kiosk", [](Settings& s) { s.kiosk = true; }, "\r\n[Kiosk]\r\n1\r\n"},
        {"picture store", [](Settings& s) { s.pictureStoreMb = 1024; }, "\r\n[PictureStore]\r\n1024\r\n"},
        {"views", [](Settings& s) { s.viewSeconds = 2.5; }, "\r\n[Views]\r\n2.5\r\n"},
        {"price on request",
         [](Settings& s) { s.priceOnRequest = 5000; },
         "\r\n[PriceOnRequest]\r\n5000\r\nPrice on request\r\n"},
        {"price on request, own text",
         [](Settings& s) {
             s.priceOnRequest = 2500.5;
             s.priceOnRequestText = "Ask us";
         },
         "\r\n[PriceOnRequest]\r\n2500.50\r\nAsk us\r\n"},
        {"shown log", [](Settings& s) { s.shownLog = true; }, "\r\n[ShownLog]\r\n1\r\n"},
        {"all, in their order",
         [](Settings& s) {
             s.idleSlides = 30;
             s.watchdog = s.kiosk = s.shownLog = true;
             s.viewSeconds = 4;
         },
         "\r\n[IdleSlides]\r\n30\r\n\r\n[Watchdog]\r\n1\r\n\r\n[Kiosk]\r\n1\r\n"
         "\r\n[Views]\r\n4\r\n\r\n[ShownLog]\r\n1\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Settings s = values("C:\\POS\\image.tmp", "C:\\POS", 100, 10);
        c.set(s);
        ASSERT_TRUE(settings::SaveParam(file(), s, FakeWindow()).isOk());
        EXPECT_EQ(dir.read("TILL2.ini"), kSaved + c.tail);
        Settings p = values("", "", 1, 1, 1, 1, 3);
        settings::ReadParam(file(), p);
        EXPECT_EQ(p.watchdog, s.watchdog);
        EXPECT_EQ(p.kiosk, s.kiosk);
        EXPECT_EQ(p.pictureStoreMb, s.pictureStoreMb);
        EXPECT_EQ(p.viewSeconds, s.viewSeconds);
        EXPECT_EQ(p.priceOnRequest, s.priceOnRequest);
        EXPECT_EQ(p.priceOnRequestText, s.priceOnRequestText);
        EXPECT_EQ(p.shownLog, s.shownLog);
        EXPECT_EQ(p.posX, 212);
        EXPECT_EQ(p.nFrameState, 2);
    }
    // Read as a shop may write them by hand.
    const struct {
        const char* text;
        std::function<bool(const Settings&)> holds;
    } read[] = {
        {"[watchdog]\r\n1\r\n", [](const Settings& p) { return p.watchdog; }},
        {"[Watchdog]\r\n0\r\n", [](const Settings& p) { return !p.watchdog; }},
        {"[Kiosk]\nyes\n", [](const Settings& p) { return !p.kiosk; }},
        {"[PictureStore]\r\n-5\r\n", [](const Settings& p) { return p.pictureStoreMb == 0; }},
        {"[PictureStore]\r\n99999999999\r\n",
         [](const Settings& p) { return p.pictureStoreMb == settings::kPictureStoreMaxMb; }},
        {"[Views]\r\nsoon\r\n", [](const Settings& p) { return p.viewSeconds == 0; }},
        {"[Views]\r\n0.2\r\n", [](const Settings& p) { return p.viewSeconds == settings::kViewSecondsMin; }},
        {"[PriceOnRequest]\r\n10000\r\n",
         [](const Settings& p) {
             return p.priceOnRequest == 10000 && p.priceOnRequestText == settings::kPriceOnRequestDefault;
         }},
        {"[PriceOnRequest]\r\n10000\r\n[ShownLog]\r\n1\r\n",
         [](const Settings& p) {
             return p.priceOnRequestText == settings::kPriceOnRequestDefault && p.shownLog;
         }},
        {"[PriceOnRequest]\r\n\r\n", [](const Settings& p) { return !p.priceOnRequest; }},
    };
    for (const auto& r : read) {
        SCOPED_TRACE(r.text);
        dir.write("TILL2.ini", std::string("[StartPos]\r\n10,20,3\r\n\r\n") + r.text);
        Settings p;
        settings::ReadParam(file(), p);
        EXPECT_TRUE(r.holds(p));
        EXPECT_EQ(p.posX, 10);
        EXPECT_EQ(p.posY, 20);
        EXPECT_EQ(p.nFrameState, 3);
    }
}

TEST_F(ParamFileTest, ReadingScreenAndIdleSlides) {
    struct Case {
        const char* name;
        const char* text;
        const char* screen;
        double idle;     // from a start of 99
        int frameState;  // from a start of 3
    } cases[] = {
        {"heads in any case, value trimmed", "[screen]\r\n HDMI-1 \r\n[idleSLIDES]\r\n30\r\n",
         "HDMI-1", 30, 3},
        {"idle below the field's limit", "[IdleSlides]\r\n-5\r\n", "", settings::kIdleSlidesMin, 3},
        {"idle above the field's limit", "[IdleSlides]\r\n99999\r\n", "",
         settings::kIdleSlidesMax, 3},
        {"idle in whole seconds", "[IdleSlides]\r\n12.6\r\n", "", 13, 3},
        {"idle without a number", "[IdleSlides]\r\nsoon\r\n", "", 0, 3},
        // The [StartPos] reader looks for its commas past its own line: a
        // screen name's commas after it must not become its frame state.
        {"one comma in [StartPos], commas in [Screen]",
         "[StartPos]\r\n212,184\r\n\r\n[Screen]\r\nA,B,2\r\n", "A,B,2", 99, 3},
        {"no comma in [StartPos], commas in [Screen]",
         "[StartPos]\r\n212\r\n\r\n[Screen]\r\n5,6,2\r\n", "5,6,2", 99, 3},
    };
    for (const auto& c : cases) {
        dir.write("TILL2.ini", c.text);
        Settings p = values("", "", 7, 8, 5, 6, 3);
        p.idleSlides = 99;
        settings::ReadParam(file(), p);
        EXPECT_EQ(p.screen, c.screen) << c.name;
        EXPECT_EQ(p.idleSlides, c.idle) << c.name;
        EXPECT_EQ(p.nFrameState, c.frameState) << c.name;
    }
    // With one comma in [StartPos] the position is still read, the frame
    // state kept.
    dir.write("TILL2.ini", "[StartPos]\r\n212,184\r\n\r\n[Screen]\r\nA,B,2\r\n");
    Settings p = values("", "", 7, 8, 5, 6, 3);
    settings::ReadParam(file(), p);
    EXPECT_EQ(p.posX, 212);
    EXPECT_EQ(p.posY, 184);
}

TEST_F(ParamFileTest, FailedSaveIsReportedAndLeavesTheOldFile) {
    dir.write("TILL2.ini", kSaved);
    FakeWindow window;
    Settings s = values("a", "b", 100, 10);
    // A folder in the way of the temporary file's rename makes the write fail.
    std::string target = dir.file("sub");
    std::filesystem::create_directories(target + "/blocker");
    EXPECT_FALSE(settings::SaveParam(target, s, window).isOk());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].find("Parameters saved."), std::string::npos);
    EXPECT_NE(dialogs.messages[0].find("NOT saved"), std::string::npos);
    EXPECT_EQ(dir.read("TILL2.ini"), kSaved);
}

// A path longer than its field, or with a line break, is refused, never cut:
// the old file stays and the message names the path and the reason.
TEST_F(ParamFileTest, PathsThatDoNotFitTheirLineAreRefusedNotCut) {
    const std::string fits(250, 'c'), tooLong = "C:\\" + std::string(248, 'x');
    struct Case {
        const char* name;
        std::string cBuffer, cPath;
        const char* named;  // nullptr: saved
    } cases[] = {
        {"both at the limit", fits, fits, nullptr},
        {"code file path one over", tooLong, "C:\\POS",
         "The code file path has 251 characters; it may have at most 250."},
        {"data path one over", "C:\\POS\\image.tmp", tooLong,
         "The data path has 251 characters; it may have at most 250."},
        {"far over", std::string(5000, 'y'), tooLong,
         "The code file path has 5000 characters; it may have at most 250."},
        {"a line break", "C:\\POS\\image.tmp", "C:\\POS\r\n[SlowTime]",
         "The data path holds a line break"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dir.write("TILL2.ini", kSaved);
        dialogs.messages.clear();
        FakeWindow window;
        Settings s = values(c.cBuffer, c.cPath, 100, 10);
        const bool saved = settings::SaveParam(file(), s, window).isOk();
        ASSERT_EQ(dialogs.messages.size(), 1u);
        if (!c.named) {
            EXPECT_TRUE(saved);
            Settings back;
            settings::ReadParam(file(), back);
            EXPECT_EQ(back.cBuffer, c.cBuffer);
            EXPECT_EQ(back.cPath, c.cPath);
            continue;
        }
        EXPECT_FALSE(saved);
        EXPECT_EQ(dialogs.messages[0].rfind("Parameters NOT saved!", 0), 0u) << dialogs.messages[0];
        EXPECT_NE(dialogs.messages[0].find(c.named), std::string::npos) << dialogs.messages[0];
        EXPECT_EQ(dir.read("TILL2.ini"), kSaved);
        EXPECT_EQ(s.cBuffer, c.cBuffer) << "the value itself stays whole";
    }
}

#ifndef _WIN32
// Anything but a regular file reads as a missing file, at once; a huge file
// too, and the user is told, since Apply/Save would replace it.
TEST_F(ParamFileTest, HostileFileReadsAsMissing) {
    for (const auto& k : testsupport::kHostileKinds) {
        testsupport::TempDir shop;
        const std::string path = shop.file("TILL2.ini");
        testsupport::makeHostile(k.kind, path);
        dialogs.messages.clear();
        settings::Settings read;
        std::string text = "x";
        EXPECT_TRUE(testsupport::finishesWithin(
            std::chrono::seconds(2), [&] { text = settings::ReadParam(path, read); }, path))
            << k.name;
        EXPECT_EQ(text, "") << k.name;
        EXPECT_EQ(read.cBuffer, settings::Settings().cBuffer) << k.name;
        EXPECT_EQ(read.nSlow, 100) << k.name;
        const bool told = k.kind == testsupport::Hostile::Huge;
        ASSERT_EQ(dialogs.messages.size(), told ? 1u : 0u) << k.name;
        if (told) {
            EXPECT_NE(dialogs.messages[0].find(settings::kParamFileTooLarge), std::string::npos);
            EXPECT_NE(dialogs.messages[0].find("64 KB"), std::string::npos);
        }
    }
}
#endif

}  // namespace
