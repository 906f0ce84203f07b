#include "display/display_cycle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <set>

#include "core/display_state.h"
#include "display/code_file.h"
#include "display/display_mode.h"
#include "display/display_window_testing.h"
#include "errors/error.h"
#include "platform/fs.h"
#include "platform/read_limits.h"
#include "testsupport/hostile_files.h"
#include "testsupport/temp_dir.h"

namespace {

using display::DisplayCycle;
using display::TurnRequest;

// The lookup as the cycle sees it: "DESC(code)" and what the tables say after
// the code; each lookup is noted.
class FakeLookup : public inventory::ItemLookup {
public:
    inventory::Description describe(const std::string& code, const std::string&,
                                    inventory::Patience patience) override {
        lookups.push_back(code);
        patiences.push_back(patience);
        if (failNext) {
            failNext = false;
            throw errors::Unwind(errors::Error{});
        }
        if ((busy || missing) && patience == inventory::Patience::Quiet) return {"", false, false, missing};
        return {"DESC(" + code + ")" + price, true, !code.empty() && !unknown.count(code)};
    }
    std::vector<std::string> lookups;
    std::vector<inventory::Patience> patiences;
    std::string price;
    bool failNext = false;  // the next lookup unwinds
    bool busy = false;      // the tables cannot be read just now
    bool missing = false;   // a table file is absent
    std::set<std::string> unknown;  // codes the tables do not hold
};

// Records what the cycle told the window, one line per call.
class RecordingWindow : public display::DisplayWindow {
public:
    void showFreezeButton() override { log.push_back("freeze+"); }
    void hideFreezeButton() override { log.push_back("freeze-"); }
    void showFlasher() override { log.push_back("flash+"); }
    void hideFlasher() override { log.push_back("flash-"); }
    void hidePicture() override { log.push_back("pic-"); }
    void showPicture(const std::string& f) override { log.push_back("pic " + f); }
    void preparePicture(const std::string& f) override { log.push_back("prep " + f); }
    void setTitle(const std::string& t) override { log.push_back("title " + t); }
    void setTitle2(const std::string& t) override { log.push_back("title2 " + t); }
    void setDescription(const std::string& t) override { log.push_back("desc " + t); }

    bool saw(const std::string& line) const {
        return std::find(log.begin(), log.end(), line) != log.end();
    }
    std::vector<std::string> log;
};

class DisplayCycleTest : public ::testing::Test {
protected:
    void SetUp() override {
        core::resetDisplayState();
        state.cLogo.setData("\\app\\logo.bmp");
        state.cListFile.setData("\\app\\TILL.dbf");
        settings::Settings s = settings.current();
        s.cPath = "C:\\POS";
        s.cBuffer = kCodeFile;
        settings.publish(s);
        cycle = std::make_unique<DisplayCycle>(state, mode, window, lookup, slow, settings, services());
    }
    void TearDown() override { core::resetDisplayState(); }

    display::CycleServices services() {
        display::CycleServices s;
        s.findPic = [this](const std::string& c, const std::string&) {
            return pictures.count(c) ? pictures[c] : std::string();
        };
        s.isFile = [this](const std::string& p) { return files.count(p) > 0; };
        s.readFile = [this](const std::string& p, std::string* out, std::uint64_t) {
            *out = files.count(p) ? files[p] : "";
            return files.count(p) ? platform::Status() : platform::Status::notFound(p);
        };
        s.nextSlide = [this](const std::string&, long& rec, std::string* next) {
            if (slides.empty() && !listExists) return std::string();
            auto at = [&](long r) { return r >= 1 && r <= long(slides.size()) ? slides[r - 1] : ""; };
            std::string e = at(rec);
            rec = rec + 1 <= long(slides.size()) ? rec + 1 : 1;
            *next = at(rec);
            return e;
        };
        s.pause = [this](int h) { pauses.push_back(h); };
        s.fileStamp = [this](const std::string& p) -> std::optional<platform::FileStamp> {
            if (!files.count(p)) return std::nullopt;
            return platform::FileStamp{files[p].size(), std::chrono::nanoseconds(writes[p]), 1};
        };
        s.now = [this] { return clock; };
        s.writerDone = [this](const std::string&) { return writerDone; };
        s.shown = [this](const std::string& code, display::Source source, const std::string& station) {
            shownItems.push_back(code + " " + std::to_string(int(source)) + " " + station);
        };
        s.findViews = [this](const std::string& first) {
            return views.count(first) ? views[first] : std::vector<std::string>();
        };
        return s;
    }
    void apply(const std::function<void(settings::Settings&)>& change) {
        settings::Settings s = settings.current();
        change(s);
        settings.publish(s);
    }

    static constexpr const char* kCodeFile = "C:\\POS\\TILL1\\image.tmp";
    void turn(const std::string& codeFile = kCodeFile, TurnRequest request = {}) {
        apply([&](settings::Settings& s) { s.cBuffer = codeFile; });
        window.log.clear();
        cycle->turn(request);
    }
    void reset() { cycle->turn({TurnRequest::Kind::Reset}); }

    // The point-of-sale writes its code file (each write dated anew).
    void write(const std::string& code, const std::string& file = kCodeFile) {
        files[file] = code + "\r\n";
        ++writes[file];
    }
    void wait(double seconds) {
        clock += std::chrono::duration_cast<std::chrono::steady_clock::duration>(
            std::chrono::duration<double>(seconds));
    }

    core::ProgramState state;
    display::DisplayMode mode;
    std::map<std::string, int> writes;
    std::chrono::steady_clock::time_point clock;
    RecordingWindow window;
    FakeLookup lookup;
    display::testing::FixedSlidePeriod slow{150};
    settings::AppliedSettings settings;
    std::map<std::string, std::string> files, pictures;
    std::map<std::string, std::vector<std::string>> views;
    std::vector<std::string> shownItems;  // what the shown log was told
    std::vector<std::string>& lookups = lookup.lookups;
    std::string& price = lookup.price;
    std::vector<std::string> slides;
    bool listExists = true;
    std::vector<int> pauses;
    std::optional<bool> writerDone = true;  // the till closed the code file after writing it
    std::unique_ptr<DisplayCycle> cycle;
};

TEST(CodeFileTest, ParseEntry) {
    struct Case {
        const char* entry;
        const char* code;
        const char* target;
    } cases[] = {
        {"AB12345\r\n", "AB12345", "P\\AB12345"},
        {"images\\AB12345.jpg", "AB12345", "P\\images\\AB12345.jpg"},
#ifndef _WIN32  // "/" separates only where chosen paths are native
        {"images/AB12345.jpg", "AB12345", "P\\images\\AB12345.jpg"},
#endif
        {"A.B", "", "P\\A.B"},
        {"AB.12345", "", "P\\AB.12345"},        // 8 characters with a dot
        {"x\\AB12.345.jpg", "AB12", "P\\x\\AB12.345.jpg"},
        {"a.b\\cdefghij", "", "P\\a.b\\cdefghij"},  // no dot after the last separator
        {"", "", "P\\"},
        {"ABC\r\n", "ABC\r\n", "P\\ABC\r\n"},    // 5 characters keep their control characters
        {"ABCD\x01\x02", "ABCD\x01", "P\\ABCD\x01"},
    };
    for (const auto& c : cases) {
        auto parsed = display::parseEntry(c.entry, "P");
        EXPECT_EQ(parsed.code, c.code) << c.entry;
        EXPECT_EQ(parsed.target, c.target) << c.entry;
    }
}

TEST(CodeFileTest, StationName) {
    struct Case {
        const char* path;
        const char* current;
        const char* host;
    } cases[] = {
        {"C:\\POS\\TILL1\\image.tmp", "(orphaned)", "(TILL1)"},
        {"C:\\POS\\TILL1\\IMAGE.TMP", "x", "(TILL1)"},
        {"\\\\srv\\pos\\Till 2\\Image.Tmp", "x", "(Till 2)"},
#ifndef _WIN32
        {"/srv/shop/till3/image.tmp", "x", "(till3)"},
#endif
        {"C:\\POS\\image.txt", "(orphaned)", "(orphaned)"},
        {"C:\\POS\\image.txt", "TILL9", "(TILL9)"},
        {"image.tmp", "(TILL1)", "(TILL1)"},
        {"X\\image.tmp", "old", "(X)"},
        {"\\image.tmp", "", "()"},
        {"", "", "()"},
        {"C:\\POS\\TILL1image.tmp", "(a)", "(a)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(display::stationName(c.path, c.current), c.host) << c.path;
    }
}

TEST_F(DisplayCycleTest, DataMonitorShowsANewCodeOnce) {
    files["C:\\POS\\TILL1\\image.tmp"] = "AB12345\r\n";
    pictures["AB12345"] = "C:\\POS\\images\\AB12345.jpg";
    files["C:\\POS\\images\\AB12345.jpg"] = "jpeg";
    turn();
    EXPECT_EQ(window.log, (std::vector<std::string>{
                              "freeze+", "flash+", "pic-", "desc DESC(AB12345)",
                              "pic C:\\POS\\images\\AB12345.jpg", "title AB12345",
                              "title2 (TILL1)", "flash-"}));
    EXPECT_EQ(state.cHost.getData(), "(TILL1)");
    turn();  // the same code again: nothing is redrawn
    EXPECT_EQ(window.log, (std::vector<std::string>{"freeze+", "flash+", "flash-"}));
    EXPECT_EQ(lookups.size(), 1u);
    window.log.clear();
    reset();  // makes the next turn redraw
    EXPECT_TRUE(window.log.empty()) << "a reset shows nothing";
    turn();
    EXPECT_EQ(lookups.size(), 2u);
}

TEST_F(DisplayCycleTest, PictureNamedInTheCodeFileIsTakenFromTheDataPath) {
    files["C:\\POS\\TILL1\\image.tmp"] = "images/AB12345.png";
    files["C:\\POS\\images\\AB12345.png"] = "png";
    turn();
    EXPECT_TRUE(window.saw("pic C:\\POS\\images\\AB12345.png"));
    EXPECT_TRUE(window.saw("title AB12345"));
}

TEST_F(DisplayCycleTest, NoPictureShowsTheLogo) {
    files["C:\\POS\\TILL1\\image.tmp"] = "ab--123";
    turn();
    EXPECT_TRUE(window.saw("pic \\app\\logo.bmp"));
    EXPECT_TRUE(window.saw("title Picture not found for AB--123"));
    files["C:\\POS\\TILL1\\image.tmp"] = "";  // empty code file: empty code
    turn();
    EXPECT_TRUE(window.saw("desc DESC()"));
    EXPECT_TRUE(window.saw("title ....."));
}

TEST_F(DisplayCycleTest, MissingCodeFileShowsTheErrorAndPauses) {
    turn("C:\\POS\\TILL2\\image.tmp");
    EXPECT_TRUE(window.saw("title Code name not found"));
    EXPECT_TRUE(window.saw("title2 (TILL2)"));
    EXPECT_TRUE(window.saw(
        "desc ERROR! Could not open image.tmp.  Please check file path on settings page.\r\n\r\n"
        "\r\nDiagnostics:\r\nC:\\POS\\TILL2\\image.tmp\r\n"));
    EXPECT_EQ(pauses, (std::vector<int>{500, 10}));
    // cCode "" differs from "xxx": the empty-code text follows in the same turn
    EXPECT_EQ(window.log.back(), "flash-");
    EXPECT_TRUE(window.saw("desc DESC()"));
    turn("C:\\POS\\TILL2\\image.tmp");  // and the error again on the next turn
    EXPECT_TRUE(window.saw("title Code name not found"));
}

TEST_F(DisplayCycleTest, SlideShowInRecordOrderWithWrapAround) {
    slides = {"AB--001", "AB--002", "AB--003"};
    mode.showSlides(100);
    std::vector<std::string> shown;
    for (int i = 0; i < 4; ++i) {
        turn();
        shown.push_back(state.cCode.getData());
        EXPECT_TRUE(window.saw("freeze+"));
        EXPECT_EQ(mode.period(), 150);  // follows the slide show field
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"AB--001", "AB--002", "AB--003", "AB--001"}));
    // The list shortened below the position reached: an empty entry, then record 1.
    turn();  // shows record 2
    slides = {"AB--001"};
    turn();
    EXPECT_EQ(state.cCode.getData(), "");
    EXPECT_TRUE(window.saw("title ....."));
    turn();
    EXPECT_EQ(state.cCode.getData(), "AB--001");
}

// While the slide show waits, the next slide's picture is decoded ahead; its
// text is composed at its own turn, so a price changed meanwhile shows.
TEST_F(DisplayCycleTest, SlideShowPreparesTheNextPictureAndComposesTheTextAtItsTurn) {
    slides = {"AB--001", "images\\AB--002.jpg", "AB--003"};
    pictures["AB--001"] = "C:\\POS\\images\\AB--001.png";
    files["C:\\POS\\images\\AB--001.png"] = "png";
    files["C:\\POS\\images\\AB--002.jpg"] = "jpeg";
    mode.showSlides(100);
    price = " 100.00";
    turn();
    EXPECT_EQ(window.log, (std::vector<std::string>{
                              "freeze+", "flash+", "pic-", "desc DESC(AB--001) 100.00",
                              "pic C:\\POS\\images\\AB--001.png", "title AB--001", "title2 (orphaned)",
                              "prep C:\\POS\\images\\AB--002.jpg", "flash-"}));
    price = " 120.00";
    turn();
    EXPECT_TRUE(window.saw("desc DESC(AB--002) 120.00"));
    EXPECT_TRUE(window.saw("prep \\app\\logo.bmp")) << "AB--003 has no picture";
    turn();
    EXPECT_TRUE(window.saw("prep C:\\POS\\images\\AB--001.png")) << "around again";

    mode.watch(5);  // the data monitor prepares nothing
    files["C:\\POS\\TILL1\\image.tmp"] = "AB--001";
    turn();
    EXPECT_TRUE(window.saw("pic C:\\POS\\images\\AB--001.png"));
    for (const auto& line : window.log) EXPECT_NE(line.rfind("prep", 0), 0u) << line;
}

TEST_F(DisplayCycleTest, FreezeThenKeyboard) {
    files["C:\\POS\\TILL1\\image.tmp"] = "AB12345";
    turn();
    mode.freeze();
    turn();
    EXPECT_EQ(window.log, (std::vector<std::string>{"freeze-", "flash-"}));  // no flasher, item stays
    EXPECT_EQ(mode.text(), "KBD");
    state.cCode.setData("ab1");  // the entry field stores what the clerk typed
    turn();
    EXPECT_EQ(state.cCode.getData(), "ab----1");
    EXPECT_FALSE(window.saw("flash+"));
    EXPECT_TRUE(window.saw("desc DESC(ab----1)"));
}

TEST_F(DisplayCycleTest, SuspendedDisplayResetsWithoutDrawing) {
    files["C:\\POS\\TILL1\\image.tmp"] = "AB12345";
    turn();
    core::StopDisplay(true);
    turn();
    EXPECT_TRUE(window.log.empty());
    core::StopDisplay(false);
    turn();
    EXPECT_TRUE(window.saw("desc DESC(AB12345)"));  // redrawn after the suspension
}

#ifndef _WIN32
// Whatever stands in the code file's place, the turn ends at once with the
// missing-file text (a huge file also says why), and a regular file put back
// is followed on the very next turn.
TEST_F(DisplayCycleTest, CodeFileThatIsNoRegularFileIsMissingAndNeverBlocks) {
    for (const auto& k : testsupport::kHostileKinds) {
        testsupport::TempDir dir;
        const std::string codeFile = dir.file("TILL1/image.tmp");
        testsupport::makeHostile(k.kind, codeFile);
        display::CycleServices s = display::fileServices();
        s.findPic = [](const std::string&, const std::string&) { return std::string(); };
        s.pause = [](int) {};
        DisplayCycle c(state, mode, window, lookup, slow, settings, s);
        apply([&](settings::Settings& st) { st.cBuffer = codeFile; });
        window.log.clear();
        EXPECT_TRUE(testsupport::finishesWithin(std::chrono::seconds(2), [&] { c.turn(); }, codeFile))
            << k.name;
        EXPECT_TRUE(window.saw("title Code name not found")) << k.name;
        const auto desc = std::find_if(window.log.begin(), window.log.end(), [](auto& line) {
            return line.starts_with("desc ");
        });
        ASSERT_NE(desc, window.log.end()) << k.name;
        EXPECT_TRUE(desc->starts_with(std::string("desc ") + display::kMissingCodeFileText))
            << k.name;
        EXPECT_EQ(desc->find(display::kCodeFileTooLargeText) != std::string::npos,
                  k.kind == testsupport::Hostile::Huge)
            << k.name;

        testsupport::removeHostile(codeFile);
        dir.write("TILL1/image.tmp", "AB12345");
        window.log.clear();
        c.turn();
        EXPECT_TRUE(window.saw("desc DESC(AB12345)")) << k.name;
    }
}
#endif

TEST_F(DisplayCycleTest, UnwindAbandonsTheTurnAndTheNextGoesOn) {
    files[kCodeFile] = "AB12345";
    lookup.failNext = true;
    turn();
    EXPECT_EQ(cycle->lastCode(), "xxx");
    EXPECT_EQ(window.log.back(), "flash-");
    turn();
    EXPECT_EQ(lookups.size(), 2u);
    EXPECT_EQ(cycle->lastCode(), "AB12345");
}

// Show asks for a turn of the slide show; when the clerk presses Watch before
// it runs, the turn is dropped: it never reads a file named after a command,
// and the data monitor's own turns follow.
TEST_F(DisplayCycleTest, AShowTurnOvertakenByWatchIsDropped) {
    slides = {"SL--001"};
    write("AB12345");
    mode.showSlides(100);
    const TurnRequest show{TurnRequest::Kind::Show, display::Source::Slides};
    mode.watch(10);  // pressed before the Show turn ran
    turn(kCodeFile, show);
    EXPECT_TRUE(window.log.empty());
    EXPECT_TRUE(lookups.empty());
    turn();  // the data monitor's turn
    EXPECT_TRUE(window.saw("desc DESC(AB12345)"));
    for (const auto& line : window.log) EXPECT_EQ(line.find("Code name not found"), std::string::npos);

    mode.showSlides(100);  // Show again, and its turn runs in the slide show
    turn(kCodeFile, show);
    EXPECT_TRUE(window.saw("desc DESC(SL--001)"));
}

// While the point-of-sale holds the tables, a lookup that cannot read them
// shows nothing: the item on the screen stays, the code does not count as
// shown, and the next turn looks again, until the tables answer. Only a
// condition that lasts is reported as before.
TEST_F(DisplayCycleTest, ABusyLookupKeepsTheScreenAndTheNextTurnLooksAgain) {
    write("AB12345");
    turn();
    ASSERT_TRUE(window.saw("desc DESC(AB12345)"));
    lookup.busy = true;
    write("CD12345");
    for (int i = 0; i < 3; ++i) {
        wait(10);
        turn();
        EXPECT_EQ(window.log, (std::vector<std::string>{"freeze+", "flash+", "flash-"})) << i;
    }
    EXPECT_EQ(cycle->lastCode(), "AB12345") << "not counted as shown";
    lookup.busy = false;
    turn();
    EXPECT_TRUE(window.saw("desc DESC(CD12345)"));
    EXPECT_TRUE(window.saw("title2 (TILL1)"));

    // Busy for a minute without a break: the lookup reports as it always did.
    lookup.busy = true;
    write("EF12345");
    for (int i = 0; i < 7; ++i) {
        wait(11);
        turn();
    }
    EXPECT_TRUE(window.saw("desc DESC(EF12345)"));
    EXPECT_EQ(lookup.patiences.back(), inventory::Patience::Report);
    lookup.busy = false;
    write("GH12345");
    turn();
    EXPECT_EQ(lookup.patiences.back(), inventory::Patience::Quiet) << "a lookup that answered starts afresh";
}

// A table file absent for a moment (the point-of-sale writes it anew) keeps
// the screen as it is; one that stays away is reported after kFilesGoneWait,
// the first lookup's answer as it always was.
TEST_F(DisplayCycleTest, AFileAbsentForAMomentKeepsTheScreen) {
    write("AB12345");
    turn();
    lookup.missing = true;
    write("CD12345");
    const double gone = display::kFilesGoneWait.count() / 1000.0;
    for (double step : {0.0, gone / 2, gone / 2 - 0.1}) {
        wait(step);
        turn();
    }
    EXPECT_FALSE(window.saw("desc DESC(CD12345)"));
    EXPECT_EQ(lookup.patiences.back(), inventory::Patience::Quiet);
    wait(0.2);
    turn();
    EXPECT_TRUE(window.saw("desc DESC(CD12345)"));
    EXPECT_EQ(lookup.patiences.back(), inventory::Patience::Report);
    write("EF12345");
    turn();
    EXPECT_EQ(lookup.patiences.back(), inventory::Patience::Quiet) << "each code waits afresh";
}

// The till writing the code shown again (the clerk scans the item again)
// brings a fresh lookup; the screen changes only when the text did.
TEST_F(DisplayCycleTest, TheSameCodeWrittenAgainIsLookedUpAgain) {
    write("AB12345");
    turn();
    turn();  // read again, not written again: no lookup
    EXPECT_EQ(lookups.size(), 1u);
    write("AB12345");
    turn();
    EXPECT_EQ(lookups.size(), 2u);
    EXPECT_FALSE(window.saw("pic-")) << "the same text is not drawn again";
    price = " 99.00";
    write("AB12345");
    turn();
    EXPECT_EQ(lookups.size(), 3u);
    EXPECT_TRUE(window.saw("desc DESC(AB12345) 99.00"));
}

// A code file caught while the till still writes it (a pause inside one
// write) holds half a code: it is not shown until the till has closed the
// file, or until the file has stayed as it is for a while. A whole code, or
// a picture file that exists, shows at once.
TEST_F(DisplayCycleTest, HalfACodeIsNotShown) {
    const struct {
        const char* what;
        const char* content;
        std::optional<bool> writerDone;
        bool atOnce;
    } cases[] = {
        {"half a code, the till still writing", "CH-", false, false},
        {"half a code, nobody can tell", "CH-", std::nullopt, false},
        {"an empty file, the till still writing", "", false, false},
        {"half a code, the till has closed it", "CH-", true, true},
        {"a whole code, the till still writing", "CH--123", false, true},
        {"half a picture path", "images\\hand.j", std::nullopt, false},
        {"a picture path whole", "images\\AB12345.jpg", std::nullopt, true},
        {"a picture path cut after its code", "images\\AB12345.j", std::nullopt, true},
    };
    files["C:\\POS\\images\\AB12345.jpg"] = "jpeg";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        write("AB--001");
        turn();
        writerDone = c.writerDone;
        files[kCodeFile] = c.content;
        ++writes[kCodeFile];
        const std::size_t before = lookups.size();
        turn();
        EXPECT_EQ(lookups.size() > before, c.atOnce);
        if (c.atOnce) continue;
        EXPECT_EQ(cycle->lastCode(), "AB--001");
        wait(1.0);
        turn();
        EXPECT_EQ(lookups.size(), before) << "still settling";
        wait(0.6);
        turn();
        EXPECT_EQ(lookups.size(), before + 1) << "the file stayed as it is: shown as it is";
    }
}

// [Views] 3: the item on the screen steps through its views every three
// seconds, round and round, in the slide show too; a new item starts at its
// first picture.
TEST_F(DisplayCycleTest, ViewsStepWhileTheItemStays) {
    apply([](settings::Settings& s) { s.viewSeconds = 3; });
    for (const char* p : {"C:\\P\\AB12345.jpg", "C:\\P\\AB12345_2.jpg", "C:\\P\\AB12345_3.png",
                          "C:\\P\\CD12345.jpg", "C:\\P\\CD12345_2.jpg"}) {
        files[p] = "picture";
    }
    pictures["AB12345"] = "C:\\P\\AB12345.jpg";
    pictures["CD12345"] = "C:\\P\\CD12345.jpg";
    views["C:\\P\\AB12345.jpg"] = {"C:\\P\\AB12345_2.jpg", "C:\\P\\AB12345_3.png"};
    views["C:\\P\\CD12345.jpg"] = {"C:\\P\\CD12345_2.jpg"};
    auto stepsTo = [&](double after) {
        wait(after);
        window.log.clear();
        cycle->stepViews();
        return window.log.empty() ? std::string() : window.log.back();
    };
    write("AB12345");
    turn();
    EXPECT_EQ(stepsTo(2.9), "");
    EXPECT_EQ(stepsTo(0.1), "pic C:\\P\\AB12345_2.jpg");
    EXPECT_EQ(stepsTo(3), "pic C:\\P\\AB12345_3.png");
    EXPECT_EQ(stepsTo(3), "pic C:\\P\\AB12345.jpg") << "round again";
    turn();  // the same code: its views go on
    EXPECT_EQ(stepsTo(3), "pic C:\\P\\AB12345_2.jpg");
    write("CD12345");
    wait(1);
    turn();
    EXPECT_TRUE(window.saw("pic C:\\P\\CD12345.jpg")) << "a new item starts at its first picture";
    EXPECT_EQ(stepsTo(2.5), "");
    EXPECT_EQ(stepsTo(0.5), "pic C:\\P\\CD12345_2.jpg");
    // In the slide show too.
    slides = {"AB12345"};
    mode.showSlides(100);
    turn();
    EXPECT_EQ(stepsTo(3), "pic C:\\P\\AB12345_2.jpg");
    // Off: the first picture only.
    apply([](settings::Settings& s) { s.viewSeconds = 0; });
    EXPECT_EQ(stepsTo(10), "");
    write("CD12345");
    mode.watch(5);
    turn();
    EXPECT_EQ(stepsTo(10), "");
}

// [ShownLog]: each item found and put on the screen is told once, with where
// it came from; a code the tables do not hold, a lookup that could not read
// them and the same item read again are not.
TEST_F(DisplayCycleTest, ItemsShownAreToldWithTheirSource) {
    using display::Source;
    const auto told = [](const char* code, Source source, const char* station) {
        return std::string(code) + " " + std::to_string(int(source)) + " " + station;
    };
    lookup.unknown = {"ZZ99999"};
    write("AB12345");
    turn();
    turn();
    write("ZZ99999");
    turn();
    lookup.busy = true;
    write("CD12345");
    turn();
    lookup.busy = false;
    turn();
    slides = {"SL--001"};
    mode.showSlides(100);
    turn();
    mode.freeze();
    turn();
    state.cCode.setData("ef1");
    turn();
    EXPECT_EQ(shownItems, (std::vector<std::string>{told("AB12345", Source::Data, "TILL1"),
                                                    told("CD12345", Source::Data, "TILL1"),
                                                    told("SL--001", Source::Slides, ""),
                                                    told("ef----1", Source::Kbd, "")}));
}

// [IdleSlides] 30 with the data monitor at period 5 and slides of 15 s.
class IdleSlidesTest : public DisplayCycleTest {
protected:
    void SetUp() override {
        DisplayCycleTest::SetUp();
        slides = {"SL--001", "SL--002"};
        apply([](settings::Settings& s) { s.idleSlides = 30; });
        mode.watch(5);
        write("AB12345");
        turn();
    }
    bool showed(const std::string& code) const { return window.saw("desc DESC(" + code + ")"); }
};

TEST_F(IdleSlidesTest, TheIdleDataMonitorHandsOverAndTheNextCodeComesBackAtOnce) {
    ASSERT_TRUE(showed("AB12345"));
    wait(29.9);
    turn();
    EXPECT_EQ(mode.text(), "DATA");
    wait(0.1);
    turn();  // 30 s without a new code
    EXPECT_EQ(mode.text(), "SLIDES");
    EXPECT_EQ(mode.period(), 5);  // the code file is still polled at the data monitor's rate
    EXPECT_EQ(state.cHost.getData(), "");

    wait(0.5);
    turn();
    EXPECT_TRUE(showed("SL--001"));
    for (int i = 0; i < 29; ++i) {  // 14.5 s of polls without a slide
        wait(0.5);
        turn();
        EXPECT_TRUE(window.log.empty()) << i;
    }
    wait(0.5);
    turn();
    EXPECT_TRUE(showed("SL--002"));
    EXPECT_EQ(mode.period(), 5);

    wait(0.5);
    write("AB12345");  // the code shown before the slides, written again
    turn();
    EXPECT_EQ(mode.text(), "DATA");
    EXPECT_TRUE(showed("AB12345"));
    EXPECT_EQ(state.cHost.getData(), "(TILL1)");

    // The idle time starts again from that code.
    wait(29.9);
    turn();
    EXPECT_EQ(mode.text(), "DATA");
}

// The slide that comes first may be the till's own item: it is shown as a
// slide all the same, without the station's name.
TEST_F(IdleSlidesTest, TheTillsItemAsTheFirstSlideIsShownAsASlide) {
    slides = {"AB12345", "SL--002"};
    wait(30);
    turn();
    ASSERT_EQ(mode.text(), "SLIDES");
    wait(0.5);
    turn();
    EXPECT_TRUE(showed("AB12345"));
    EXPECT_TRUE(window.saw("title2 ")) << "the station's name stays";
}

TEST_F(IdleSlidesTest, ANewCodeRestartsTheIdleTime) {
    wait(20);
    write("CD12345");
    turn();
    wait(20);
    write("CD12345");  // the same item scanned again counts too
    turn();
    wait(29);
    turn();
    EXPECT_EQ(mode.text(), "DATA");
    wait(1);
    turn();
    EXPECT_EQ(mode.text(), "SLIDES");
}

TEST_F(IdleSlidesTest, NeverInterruptsTheClerkNorHidesAnError) {
    const struct {
        const char* name;
        std::function<void()> action;
        const char* text;  // the source after 60 s and a new code
    } cases[] = {
        {"idle 0", [this] { apply([](settings::Settings& s) { s.idleSlides = 0; }); }, "DATA"},
        {"manual entry", [this] { mode.freeze(); }, "KBD"},
        {"the clerk's slide show", [this] { mode.showSlides(150); }, "SLIDES"},
        {"Show during the idle slide show",
         [this] {
             wait(30);
             turn();
             mode.showSlides(150);
         },
         "SLIDES"},
        {"a missing code file", [this] { files.clear(); }, "DATA"},
        {"a suspension", [this] { core::StopDisplay(true); }, "DATA"},
    };
    for (const auto& c : cases) {
        SetUp();
        c.action();
        for (int i = 0; i < 4; ++i) {
            wait(20);
            turn();
        }
        EXPECT_FALSE(mode.idleSlides()) << c.name;
        if (std::string(c.name) != "a missing code file") write("EF12345");
        turn();
        EXPECT_EQ(mode.text(), c.text) << c.name;
        if (std::string(c.text) == "SLIDES") EXPECT_FALSE(showed("EF12345")) << c.name;
        core::resetDisplayState();
    }
}

}  // namespace
