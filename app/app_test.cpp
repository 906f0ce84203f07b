// The program as a clerk uses it, in-process on the offscreen platform: the
// window's geometry, and the display following the till, then manual entry.
#include <QApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QJsonDocument>
#include <QJsonObject>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTabBar>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>
#include <tuple>

#include "app/display_page.h"
#include "app/main_window.h"
#include "app/program.h"
#include "app/settings_page.h"
#include "app/testing/stalled_reads.h"
#include "app/ui_probe.h"
#include "core/display_state.h"
#include "core/profile.h"
#include "core/xbase_values.h"
#include "app/window_placement.h"
#include "devtools/demo_shop.h"
#include "display/display_mode.h"
#include "display/window_metrics.h"
#include "graphics/color_codes.h"
#include "graphics/ui/gra.h"
#include "graphics/ui/qt_color.h"
#include "inventory/make_desc.h"
#include "platform/temporary_file.h"
#include "platform/ui/qt_text.h"
#include "settings/ui/get_filename.h"
#include "settings/ui/slide_list_page.h"
#include "testsupport/hostile_files.h"
#include "testsupport/scripted_dialogs.h"
#include "testsupport/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using app::Page;

// Runs the event loop until `done` or `ms` milliseconds passed.
bool waitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QTest::qWait(20);
    }
    return true;
}

// The timer period now.
double period() { return display::displayMode().period(); }

// A demo shop and a program started in its program folder.
class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(devtools::writeDemoShop(dir.str(), "E2E"));
        previous = fs::current_path();
        fs::current_path(dir.path() / "app");
        startProgram();
    }
    void startProgram(app::Program::AccessWrapper wrap = {}) {
        core::resetDisplayState();
        display::displayMode().reset();
        program = std::make_unique<app::Program>(std::string("E2E"), std::nullopt);
        if (wrap) program->wrapDisplayAccess(std::move(wrap));
        program->start(0);
        // The first turn comes at once: a code the till writes from now on
        // reaches the display through the watcher.
        ASSERT_TRUE(program->codeFileWatched(std::chrono::seconds(5)));
    }
    // Starts the program again with the [StartPos] line `startPos`.
    void restartWith(const std::string& startPos) {
        program->finish();
        program.reset();
        std::string text = readIni();
        const std::size_t head = text.find("[StartPos]\r\n");
        ASSERT_NE(head, std::string::npos) << text;
        text = text.substr(0, head) + "[StartPos]\r\n" + startPos + "\r\n";
        std::ofstream(dir.path() / "app" / "E2E.ini", std::ios::binary) << text;
        startProgram();
    }
    // Starts the program again with the value line of `head` set to `value`.
    void restartWithValue(const std::string& head, const std::string& value) {
        program->finish();
        program.reset();
        std::string text = readIni();
        const std::size_t at = text.find(head + "\r\n");
        ASSERT_NE(at, std::string::npos) << text;
        const std::size_t from = at + head.size() + 2;
        text.replace(from, text.find("\r\n", from) - from, value);
        std::ofstream(dir.path() / "app" / "E2E.ini", std::ios::binary) << text;
        startProgram();
    }
    std::string readIni() const {
        std::ifstream ini(dir.path() / "app" / "E2E.ini", std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(ini)), {});
    }
    void TearDown() override {
        if (program) program->finish();
        program.reset();
        fs::current_path(previous);
        core::resetDisplayState();
        display::displayMode().reset();
    }
    void writeCode(const std::string& code) {
        std::ofstream(dir.path() / "till1" / "image.tmp", std::ios::binary) << code << "\r\n";
    }
    app::DisplayPage& displayPage() const { return program->displayPage(); }
    std::string description() const { return displayPage().description(); }
    static std::string shown(const std::string& text) {
        // The description box shows CR LF as one line break.
        std::string out;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
            out += text[i];
        }
        return out;
    }
    std::string dataPath() const { return (dir.path() / "data").string(); }
    // A widget of the window by the name its page gives it.
    template <class W>
    W* widget(const char* name) const {
        W* w = program->window().findChild<W*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    testsupport::TempDir dir;
    fs::path previous;
    std::unique_ptr<app::Program> program;
};

// Each page's widgets lie inside their page, and on the Display page none
// covers another (the entry field takes the Freeze/Manual button's place and
// only one of the two shows).
TEST_F(ProgramTest, PagesHoldTheirWidgetsWithoutOverlap) {
    app::MainWindow& w = program->window();
    EXPECT_EQ(w.cFont(), "14.Times New Roman");
    EXPECT_EQ(w.tabCaption(Page::Display), "The Tillmaster - data displayer - version 1.1 - E2E");
    QWidget* display = w.page(Page::Display);
    std::vector<QRect> rects;
    for (const auto& [widget, name] : displayPage().probeNames()) {
        EXPECT_EQ(widget->parentWidget(), display) << name;
        EXPECT_TRUE(display->rect().contains(widget->geometry())) << name;
        if (std::string(name) != "oManualEntry") rects.push_back(widget->geometry());
    }
    for (std::size_t i = 0; i < rects.size(); ++i)
        for (std::size_t j = i + 1; j < rects.size(); ++j)
            EXPECT_FALSE(rects[i].intersects(rects[j])) << i << " and " << j;
    EXPECT_TRUE(displayPage().freezeButtonShown());
    EXPECT_FALSE(displayPage().manualEntryShown());
    for (const auto& [widget, name] : program->settingsPage().probeNames()) {
        EXPECT_TRUE(w.page(Page::Settings)->rect().contains(widget->geometry())) << name;
    }
    // The screen choice and the idle seconds, with their labels, and the
    // watchdog's and the kiosk's check boxes lie where none of the page's
    // other widgets (the icon row included) is.
    std::vector<const QWidget*> added{widget<QWidget>("oScreen"), widget<QWidget>("oIdleSlides"),
                                      widget<QWidget>("oWatchdog"), widget<QWidget>("oKiosk")};
    for (const QLabel* label : w.page(Page::Settings)->findChildren<QLabel*>()) {
        for (const char* text : {"Customer's screen", "Slide show when idle for", "seconds (0: never)"}) {
            if (label->text() == text) added.push_back(label);
        }
    }
    ASSERT_EQ(added.size(), 7u);
    for (const QWidget* other : w.page(Page::Settings)->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (std::find(added.begin(), added.end(), other) != added.end()) continue;
        for (const QWidget* a : added) {
            EXPECT_FALSE(a->geometry().intersects(other->geometry()))
                << a->metaObject()->className() << " over " << other->metaObject()->className();
        }
    }

    // Page switching: one page at a time, the display keeps running.
    for (Page p : {Page::Settings, Page::Choose, Page::Display}) {
        w.showPage(p);
        EXPECT_EQ(w.shownPage(), p);
        for (Page other : {Page::Settings, Page::Choose, Page::Display})
            EXPECT_EQ(w.page(other)->isVisible(), other == p);
    }
}

// The strip and the page agree however the current tab changes.
TEST_F(ProgramTest, EveryChangeOfTabRunsItsPageAction) {
    app::MainWindow& w = program->window();
    auto* strip = w.findChild<QTabBar*>();
    ASSERT_NE(strip, nullptr);
    auto wheel = [strip](int delta) {
        const QPointF at(10, strip->height() / 2.0);
        QWheelEvent e(at, strip->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(strip, &e);
    };
    const std::pair<const char*, std::function<void()>> changes[] = {
        {"wheel down", [&] { wheel(-120); }},
        {"Right key", [&] { QTest::keyClick(strip, Qt::Key_Right); }},
        {"Left key", [&] { QTest::keyClick(strip, Qt::Key_Left); }},
        {"wheel up", [&] { wheel(120); }},
        {"the program", [&] { strip->setCurrentIndex(2); }},
        {"a click", [&] {
             QTest::mouseClick(strip, Qt::LeftButton, {}, strip->tabRect(0).center());
         }},
    };
    for (const auto& [what, change] : changes) {
        const int before = strip->currentIndex();
        change();
        EXPECT_NE(strip->currentIndex(), before) << what;
        EXPECT_EQ(w.shownPage(), Page(strip->currentIndex())) << what;
    }
}

// Positions count from the screen's lower-left corner to the frame's (the
// offscreen platform gives windows a frame of 2 pixels).
TEST_F(ProgramTest, OpensAtTheSavedPlaceAndSavesTheSamePlace) {
    restartWith("120,90,3");
    const QWidget& w = program->window();
    const QRect screen = app::screenRect(app::targetScreen());
    EXPECT_EQ(w.frameGeometry().left(), screen.left() + 120);
    EXPECT_EQ(w.frameGeometry().bottom() + 1, screen.bottom() + 1 - 90);
    program->applySaveAction();
    EXPECT_NE(readIni().find("[StartPos]\r\n120,90,3\r\n"), std::string::npos) << readIni();
}

// A start position where the window cannot be reached, or past the right
// or top edge, opens the window centred; a negative one that still shows the
// title bar stays.
TEST_F(ProgramTest, StartPositionOffTheScreenOpensCentredANegativeOneStays) {
    const QRect screen = app::screenRect(app::targetScreen());
    const core::Position centre = core::centredPosition(screen.width(), screen.height());
    const struct {
        const char* startPos;
        core::Position opens;
    } cases[] = {
        {"-30000,-30000,3", centre},
        {"99999999999,99999999999,3", centre},
        {"100,100000,3", centre},
        {"-5,100,3", {-5, 100}},
        {"100,-1,3", {100, -1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.startPos);
        restartWith(c.startPos);
        EXPECT_EQ(app::windowPosition(program->window(), app::targetScreen()), c.opens);
    }
}

// Periods in the file beyond the spin buttons' limits run as the page shows
// them.
TEST_F(ProgramTest, PeriodsBeyondTheFieldLimitsRunAsThePageShows) {
    const struct {
        const char* slow;
        const char* fast;
        int slowRun, fastRun;
    } cases[] = {{"999", "99999999999", 300, 100}, {"0", "-7", 20, 5}, {"abc", "2", 20, 5}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.slow) + " " + c.fast);
        restartWithValue("[SlowTime]", c.slow);
        restartWithValue("[FastTime]", c.fast);
        EXPECT_EQ(widget<QSpinBox>("oSlow")->value(), c.slowRun);
        EXPECT_EQ(widget<QSpinBox>("oFast")->value(), c.fastRun);
        program->watchAction();
        EXPECT_EQ(period(), c.fastRun);
        program->showAction();
        EXPECT_EQ(period(), c.slowRun);
    }
}

// The frame state from the file: 1 minimised, 2 maximised over the work area
// (its size then sets the fonts), 3 normal.
TEST_F(ProgramTest, EveryFrameStateFromTheFileIsSet) {
    restartWith("100,100,1");
    EXPECT_TRUE(program->window().isMinimized());
    EXPECT_EQ(program->window().nWidth(), 600);

    restartWith("100,100,2");
    const app::MainWindow& w = program->window();
    EXPECT_TRUE(w.isMaximized());
    const QRect area = app::workArea(app::targetScreen());
    EXPECT_EQ(w.frameGeometry(), area);
    EXPECT_EQ(w.nWidth(), area.width());
    EXPECT_EQ(w.nHeight(), area.height());
    EXPECT_EQ(w.cFont(), display::windowMetrics(area.width()).cFont);
    EXPECT_TRUE(widget<QCheckBox>("oFullScreen")->isChecked());

    restartWith("100,100,3");
    EXPECT_FALSE(program->window().isMinimized());
    EXPECT_FALSE(program->window().isMaximized());
    EXPECT_EQ(program->window().cFont(), "14.Times New Roman");
}

// The window carries the program's icon; it is the application window, whose
// presentation space takes the drawing calls that name none, and only while
// it exists.
TEST_F(ProgramTest, ApplicationWindowWithIconAndPresentationSpace) {
    app::MainWindow& w = program->window();
    EXPECT_FALSE(w.windowIcon().pixmap(32).isNull());
    EXPECT_GE(w.windowIcon().availableSizes().size(), 5);  // the .ico's pictures
    graphics::PresSpace* ps = graphics::appPresSpace();
    ASSERT_NE(ps, nullptr);
    graphics::GraSetAttrArea(nullptr, graphics::AreaAttrs{graphics::kClrRed});
    EXPECT_EQ(ps->setAttrArea().color, graphics::kClrRed);
    // The strip right of the pages shows the drawing area.
    ps->fillBox({double(w.width() - 3), 0}, {double(w.width() - 1), 9});
    EXPECT_EQ(w.grab().toImage().pixelColor(w.width() - 2, w.height() - 5), QColor(Qt::red));
    program->finish();
    program.reset();
    EXPECT_EQ(graphics::appPresSpace(), nullptr);
}

// The list of the Slide Show List page shows the entry-field colour (-47),
// not the page's button face (-40).
TEST_F(ProgramTest, SlideShowListInTheEntryFieldColour) {
    const QColor entry = graphics::toQColor(graphics::kSysClrEntryField, QApplication::palette());
    ASSERT_NE(entry, graphics::toQColor(graphics::kSysClrButtonFace, QApplication::palette()));
    program->window().showPage(Page::Choose);
    QWidget* list = widget<QListWidget>("oChooseList")->viewport();
    const QImage shown = list->grab().toImage();
    EXPECT_EQ(shown.pixelColor(shown.width() / 2, shown.height() - 4), entry);  // below the entries
}

TEST_F(ProgramTest, FollowsTheTillThenShowsATypedCode) {
    program->watchAction();  // data monitor, period 5 (the demo's saved value)
    writeCode("RG--001");
    std::string expected = shown(inventory::InventoryLookup().MakeDesc("RG--001", dataPath()));
    ASSERT_TRUE(waitFor([&] { return description() == expected; }, 4000)) << description();
    // Picture, then the two title lines: posted one after the other.
    EXPECT_TRUE(waitFor(
        [&] {
            return displayPage().pictureFile().find("RG--001.png") != std::string::npos &&
                   displayPage().title() == "RG--001" && displayPage().title2() == "(till1)";
        },
        2000))
        << displayPage().pictureFile() << " / " << displayPage().title() << " / " << displayPage().title2();

    // Freeze/Manual, then a short code typed by the clerk.
    program->freezeAction();
    EXPECT_TRUE(displayPage().manualEntryShown());
    EXPECT_FALSE(displayPage().freezeButtonShown());
    QTest::keyClicks(displayPage().manualEntry(), "12345");
    QTest::keyClick(displayPage().manualEntry(), Qt::Key_Return);
    expected = shown(inventory::InventoryLookup().MakeDesc("1200345", dataPath()));
    ASSERT_TRUE(waitFor([&] { return description() == expected; }, 4000)) << description();
    EXPECT_TRUE(waitFor(
        [&] { return displayPage().pictureFile().find("1200345.jpg") != std::string::npos; }, 2000));
    EXPECT_EQ(display::displayMode().source(), display::Source::Kbd);
    // The till's next code is not shown in manual mode.
    writeCode("CH--123");
    QTest::qWait(700);
    EXPECT_EQ(description(), expected);
}

// The data monitor hears of a new code from the system at once, not at its
// next poll (here every 10 seconds).
TEST_F(ProgramTest, FollowsTheTillAtOnceWhateverThePeriod) {
    widget<QSpinBox>("oFast")->setValue(100);
    program->watchAction();
    program->applySaveAction();
    ASSERT_EQ(period(), 100);
    writeCode("RG--001");
    std::string expected = shown(inventory::InventoryLookup().MakeDesc("RG--001", dataPath()));
    ASSERT_TRUE(waitFor([&] { return description() == expected; }, 4000)) << description();
    writeCode("CH--123");
    expected = shown(inventory::InventoryLookup().MakeDesc("CH--123", dataPath()));
    EXPECT_TRUE(waitFor([&] { return description() == expected; }, 3000)) << description();
}

// A slide show runs at its own pace, whatever the till writes.
TEST_F(ProgramTest, TheTillDoesNotHurryASlideShow) {
    widget<QSpinBox>("oSlow")->setValue(300);
    program->applySaveAction();
    writeCode("RG--001");  // the data monitor's turns, then the slide show
    ASSERT_TRUE(waitFor([&] { return displayPage().title() == "RG--001"; }, 4000));
    program->showAction();
    ASSERT_TRUE(waitFor([&] { return displayPage().title() == "CH--123"; }, 3000));
    for (const char* code : {"ER--010", "BR--777", "RG--001"}) {
        writeCode(code);
        QTest::qWait(300);
    }
    QTest::qWait(500);
    EXPECT_EQ(displayPage().title(), "CH--123");
}

TEST_F(ProgramTest, ApplySavePeriodsAndParameterFile) {
    widget<QSpinBox>("oSlow")->setValue(150);
    widget<QSpinBox>("oFast")->setValue(7);
    program->watchAction();
    program->applySaveAction();
    EXPECT_EQ(period(), 7);  // data monitor
    EXPECT_EQ(program->applied().nFast, 7);
    program->showAction();
    EXPECT_EQ(period(), 150);
    program->applySaveAction();
    EXPECT_EQ(period(), 150);  // slide show
    program->freezeAction();
    program->applySaveAction();  // right after Freeze/Manual: turns stop, button back
    EXPECT_EQ(period(), display::kNoTurns);
    EXPECT_TRUE(displayPage().freezeButtonShown());
    std::ifstream ini(dir.path() / "app" / "E2E.ini", std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(ini)), {});
    EXPECT_NE(text.find("[SlowTime]\r\n150\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[FastTime]\r\n7\r\n"), std::string::npos) << text;
    EXPECT_FALSE(core::StopDisplay());
}

// The watchdog's and the kiosk's check boxes go into the parameter file with
// Apply/Save, the kiosk into force at once, and show as saved at the next start.
TEST_F(ProgramTest, HandsOffCheckBoxesAreSavedAndShownAgain) {
    EXPECT_FALSE(widget<QCheckBox>("oWatchdog")->isChecked());
    EXPECT_FALSE(widget<QCheckBox>("oKiosk")->isChecked());
    widget<QCheckBox>("oWatchdog")->setChecked(true);
    widget<QCheckBox>("oKiosk")->setChecked(true);
    EXPECT_FALSE(program->applied().kiosk);  // only through Apply/Save
    program->applySaveAction();
    EXPECT_TRUE(readIni().ends_with("\r\n\r\n[Watchdog]\r\n1\r\n\r\n[Kiosk]\r\n1\r\n")) << readIni();
    EXPECT_TRUE(program->applied().kiosk);
    EXPECT_TRUE(program->applied().watchdog);
    program->finish();
    program.reset();
    startProgram();
    EXPECT_TRUE(widget<QCheckBox>("oWatchdog")->isChecked());
    EXPECT_TRUE(widget<QCheckBox>("oKiosk")->isChecked());
    widget<QCheckBox>("oKiosk")->setChecked(false);
    program->applySaveAction();
    EXPECT_FALSE(program->applied().kiosk);
    EXPECT_TRUE(readIni().ends_with("\r\n\r\n[Watchdog]\r\n1\r\n")) << readIni();
}

// The data monitor idle for a second hands over to the slide show; the next
// write of the code file, of the code shown before too, brings the till back.
TEST_F(ProgramTest, IdleSlidesUntilTheTillWritesAgain) {
    widget<QSpinBox>("oIdleSlides")->setValue(1);
    widget<QSpinBox>("oFast")->setValue(5);
    program->watchAction();
    program->applySaveAction();
    EXPECT_NE(readIni().find("[StartPos]\r\n"), std::string::npos);
    EXPECT_TRUE(readIni().ends_with("\r\n\r\n[IdleSlides]\r\n1\r\n")) << readIni();
    writeCode("RG--001");
    ASSERT_TRUE(waitFor([&] { return displayPage().title() == "RG--001"; }, 4000));
    ASSERT_TRUE(waitFor([&] { return displayPage().title() == "CH--123"; }, 4000))
        << displayPage().title();  // the list's first slide
    EXPECT_EQ(display::DataSource(), "SLIDES");
    writeCode("RG--001");
    ASSERT_TRUE(waitFor([&] { return displayPage().title() == "RG--001"; }, 4000))
        << displayPage().title();
    EXPECT_EQ(display::DataSource(), "DATA");
    EXPECT_EQ(period(), 5);
}

TEST_F(ProgramTest, SlideShowFromTheSavedListStartsAtOnceWithShow) {
    // The demo's list was read into the page at start.
    settings::ui::SlideListPage& page = program->listPage();
    ASSERT_EQ(page.list().count(), 9);
    EXPECT_EQ(core::rtrim(page.list().itemText(1)), "CH--123");
    program->freezeAction();
    ASSERT_TRUE(waitFor([] { return display::displayMode().source() == display::Source::Kbd; }, 2000));
    program->applySaveAction();  // in manual entry: no more timer turns
    EXPECT_EQ(period(), display::kNoTurns);
    program->showAction();  // hides the entry field, shows the first slide at once
    EXPECT_FALSE(displayPage().manualEntryShown());
    EXPECT_TRUE(displayPage().freezeButtonShown());
    std::string expected = shown(inventory::InventoryLookup().MakeDesc("CH--123", dataPath()));
    ASSERT_TRUE(waitFor([&] { return description() == expected; }, 3000)) << description();
    EXPECT_EQ(display::displayMode().source(), display::Source::Slides);
    EXPECT_EQ(core::programState().cHost.getData(), "");
}

TEST_F(ProgramTest, FirstSlideAfterFollowingTheTillHasNoStationName) {
    program->watchAction();
    writeCode("RG--001");
    // The turn thread posts the two title lines one after the other.
    ASSERT_TRUE(waitFor([&] { return displayPage().title() == "RG--001" && displayPage().title2() == "(till1)"; },
                        4000))
        << displayPage().title2();
    // No timer turn for now: the next turn is Show's own.
    program->freezeAction();
    program->applySaveAction();
    ASSERT_EQ(period(), display::kNoTurns);
    ASSERT_TRUE(waitFor([&] { return !program->gate().busy(); }, 2000));
    program->showAction();
    ASSERT_TRUE(waitFor([&] { return displayPage().title() == "CH--123"; }, 3000)) << displayPage().title();
    EXPECT_EQ(displayPage().title2(), "");
}

// Show and Apply/Save hand their turns to the timer thread: while every file
// access of the display waits (a share that no longer answers), the window
// goes on. Once the share answers again, Show's first slide appears.
TEST_F(ProgramTest, ShowAndApplySaveNeverWaitForAStalledTurn) {
    const std::string marker = (dir.path() / "share-hangs").string();
    program->finish();
    program.reset();
    startProgram(app::stallReadsWhileMarked(marker));
    // No timer turn of its own, so that the turns asked for are the only ones.
    program->freezeAction();
    program->applySaveAction();
    ASSERT_TRUE(waitFor([&] { return !program->gate().busy(); }, 2000));
    // Were a turn run on this thread, it would return only once the marker
    // is gone; the watchdog removes it after a while, so the test ends.
    std::ofstream(marker).put('x');
    std::jthread watchdog([&](std::stop_token stop) {
        for (int i = 0; i < 500 && !stop.stop_requested(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        fs::remove(marker);
    });
    const std::pair<const char*, std::function<void()>> actions[] = {
        {"Apply/Save", [&] { program->applySaveAction(); }},  // closes the tables
        {"Show", [&] { program->showAction(); }},
    };
    for (const auto& [what, action] : actions) {
        action();
        EXPECT_TRUE(fs::exists(marker)) << what << " waited for its turn";
    }
    EXPECT_TRUE(waitFor([&] { return program->gate().busy(); }, 2000));  // stalled
    watchdog.request_stop();
    watchdog.join();
    const std::string expected = shown(inventory::InventoryLookup().MakeDesc("CH--123", dataPath()));
    EXPECT_TRUE(waitFor([&] { return description() == expected; }, 3000)) << description();
}

// A file dialog whose answer the test sets.
class ScriptedFileDialog : public settings::ui::FileDialog {
public:
    std::optional<std::string> answer;
    std::string lastTitle, lastStart;
    std::optional<std::string> openFile(const std::string& title,
                                        const std::vector<settings::ui::FileFilter>&,
                                        const std::string& start) override {
        lastTitle = title;
        lastStart = start;
        return answer;
    }
};

// The Tab key's round over a page: the widgets of `named` that Tab reaches, in order.
std::vector<std::string> tabRound(QWidget* page,
                                  const std::vector<std::pair<const QWidget*, const char*>>& named) {
    std::vector<std::string> names;
    for (QWidget* w = page->nextInFocusChain(); w && w != page; w = w->nextInFocusChain()) {
        if (!page->isAncestorOf(w) || !(w->focusPolicy() & Qt::TabFocus)) continue;
        for (const auto& [widget, name] : named) {
            if (widget == w) names.push_back(name);
        }
    }
    return names;
}

// The description box takes no Tab stop; the Settings page's additions come
// after its own widgets.
TEST_F(ProgramTest, TabOrderOfThePages) {
    const std::vector<std::string> display =
        tabRound(program->window().page(Page::Display), displayPage().probeNames());
    EXPECT_EQ(std::count(display.begin(), display.end(), "oDescDispBox"), 0);
    EXPECT_NE(std::find(display.begin(), display.end(), "oShowButton"), display.end());
    EXPECT_EQ(tabRound(program->window().page(Page::Settings), program->settingsPage().probeNames()),
              (std::vector<std::string>{"oImagePath", "oDataPath", "oSlow", "oFast", "oFullScreen", "oHelp",
                                        "oApplySave", "oDisplay", "oScreen", "oIdleSlides", "oWatchdog", "oKiosk"}));
}

TEST_F(ProgramTest, SettingsPageShowsTheSavedSettingsWithinTheFieldLimits) {
    EXPECT_EQ(widget<QSpinBox>("oSlow")->value(), 40);  // from the demo's parameter file
    EXPECT_EQ(widget<QSpinBox>("oFast")->value(), 5);
    widget<QSpinBox>("oSlow")->setValue(1000);
    widget<QSpinBox>("oFast")->setValue(1);
    EXPECT_EQ(widget<QSpinBox>("oSlow")->value(), 300);
    EXPECT_EQ(widget<QSpinBox>("oFast")->value(), 5);
    widget<QSpinBox>("oSlow")->setValue(1);
    EXPECT_EQ(widget<QSpinBox>("oSlow")->value(), 20);
    EXPECT_EQ(widget<QPushButton>("oBrowseCode")->focusPolicy(), Qt::ClickFocus);  // no tab stop
}

TEST_F(ProgramTest, BrowseKeepsTheLastAppliedValueWhenCancelled) {
    ScriptedFileDialog chooser;
    settings::ui::FileDialog* previousDialog = settings::ui::setFileDialog(&chooser);
    std::string applied = platform::ui::fromQString(widget<QLineEdit>("oDataPath")->text());
    widget<QLineEdit>("oDataPath")->setText("/typed/but/not/applied");
    widget<QPushButton>("oBrowseData")->click();  // cancelled: the last applied value comes back
    EXPECT_EQ(chooser.lastTitle, "Please select istock.dbf data path");
    EXPECT_EQ(platform::ui::fromQString(widget<QLineEdit>("oDataPath")->text()), applied);
    chooser.answer = "/Shop/POS/ISTOCK.DBF";  // lower-cased, then the table's name removed
    widget<QPushButton>("oBrowseData")->click();
    EXPECT_EQ(platform::ui::fromQString(widget<QLineEdit>("oDataPath")->text()), "/shop/pos");
    chooser.answer = "/Shop/Till1/IMAGE.TMP";
    widget<QPushButton>("oBrowseCode")->click();
    EXPECT_EQ(platform::ui::fromQString(widget<QLineEdit>("oImagePath")->text()), "/shop/till1/image.tmp");
    EXPECT_EQ(chooser.lastTitle, "Please select image.tmp path");
    settings::ui::setFileDialog(previousDialog);
}

// A path longer than its field, from the parameter file or a chooser, is
// shown whole and Apply/Save refuses it rather than saving it cut.
TEST_F(ProgramTest, PathsBeyondTheFieldAreKeptWholeAndNotSavedCut) {
    const std::string longData = "/shop/" + std::string(300, 'd');
    restartWithValue("[Datapath]", longData);
    const std::string ini = readIni();
    EXPECT_EQ(platform::ui::fromQString(widget<QLineEdit>("oDataPath")->text()), longData);

    ScriptedFileDialog chooser;
    settings::ui::FileDialog* previousDialog = settings::ui::setFileDialog(&chooser);
    const std::string longCode = "/shop/" + std::string(260, 't') + "/image.tmp";
    chooser.answer = longCode;
    widget<QPushButton>("oBrowseCode")->click();
    settings::ui::setFileDialog(previousDialog);
    EXPECT_EQ(platform::ui::fromQString(widget<QLineEdit>("oImagePath")->text()), longCode);

    testsupport::ScriptedDialogs dialogs;
    testsupport::DialogsScope scope(&dialogs);
    program->applySaveAction();
    ASSERT_EQ(dialogs.boxes().size(), 1u);
    EXPECT_NE(dialogs.boxes()[0].text.find("NOT saved"), std::string::npos);
    EXPECT_NE(dialogs.boxes()[0].text.find("at most 250"), std::string::npos);
    EXPECT_EQ(readIni(), ini);

    widget<QLineEdit>("oImagePath")->setText("/shop/till1/image.tmp");
    widget<QLineEdit>("oDataPath")->setText("/shop/data");
    program->applySaveAction();
    EXPECT_EQ(dialogs.boxes().back().text, "Parameters saved.");
    EXPECT_NE(readIni().find("[Datapath]\r\n/shop/data\r\n"), std::string::npos);
}

TEST_F(ProgramTest, FullScreenBoxTakesEffectOnlyAtTheNextStart) {
    QSize before = program->window().size();
    widget<QCheckBox>("oFullScreen")->setChecked(true);
    program->applySaveAction();
    EXPECT_EQ(program->window().size(), before);
    std::ifstream ini(dir.path() / "app" / "E2E.ini", std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(ini)), {});
    EXPECT_NE(text.find(",2\r\n"), std::string::npos) << text;
}

// The probe's snapshot: what each page shows, hidden widgets left out.
TEST_F(ProgramTest, ProbeWritesWhatTheWindowShows) {
    const std::string file = (dir.path() / "probe.json").string();
    app::UiProbe probe(*program, QString::fromStdString(file), 3600000);
    auto read = [&] {
        std::ifstream in(file, std::ios::binary);
        std::string text((std::istreambuf_iterator<char>(in)), {});
        return QJsonDocument::fromJson(QByteArray::fromStdString(text)).object();
    };
    auto widget = [](const QJsonObject& snap, const char* name) {
        for (const auto& w : snap["windows"].toArray()[0].toObject()["widgets"].toArray()) {
            if (w.toObject()["name"].toString() == name) return w.toObject();
        }
        return QJsonObject();
    };
    QJsonObject snap = read();  // written at once
    EXPECT_EQ(snap["page"].toString(), "Display");
    EXPECT_FALSE(snap["inputBlocked"].toBool());
    EXPECT_EQ(widget(snap, "oDescDispBox")["text"].toString(),
              platform::ui::toQString(shown(app::DisplayPage::welcomeText())));
    EXPECT_TRUE(widget(snap, "oFreezeButton").contains("rect"));
    EXPECT_TRUE(widget(snap, "oManualEntry").isEmpty());  // hidden
    EXPECT_TRUE(widget(snap, "oFast").isEmpty());          // on a hidden page

    program->window().showPage(Page::Settings);
    ASSERT_TRUE(probe.writeIfChanged());
    snap = read();
    EXPECT_EQ(snap["page"].toString(), "Settings");
    EXPECT_EQ(widget(snap, "oFast")["value"].toInt(), 5);
    EXPECT_TRUE(widget(snap, "oDescDispBox").isEmpty());

    // Nothing changed: nothing written.
    fs::remove(file);
    ASSERT_TRUE(probe.writeIfChanged());
    EXPECT_FALSE(fs::exists(file));
}

TEST_F(ProgramTest, ProbeOnlyWhenTheVariableNamesAFile) {
    const QByteArray before = qgetenv(app::UiProbe::kVariable);
    qunsetenv(app::UiProbe::kVariable);
    EXPECT_EQ(app::UiProbe::fromEnvironment(*program), nullptr);
    qputenv(app::UiProbe::kVariable, "");
    EXPECT_EQ(app::UiProbe::fromEnvironment(*program), nullptr);
    const std::string file = (dir.path() / "probe.json").string();
    qputenv(app::UiProbe::kVariable, QByteArray::fromStdString(file));
    EXPECT_NE(app::UiProbe::fromEnvironment(*program), nullptr);
    EXPECT_TRUE(fs::exists(file));
    if (before.isNull()) qunsetenv(app::UiProbe::kVariable);
    else qputenv(app::UiProbe::kVariable, before);
}

#ifndef _WIN32
// The probe is never silent, and writes only where nobody else can swap its
// file: a link or a FIFO at the snapshot's name is replaced, never written
// through; a folder there fails with its line on stderr; a folder of another
// user that others may write to without the sticky bit is refused.
TEST_F(ProgramTest, ProbeSaysWhereItWritesAndNeverWritesThroughALink) {
    struct Case {
        const char* name;
        std::function<void(const fs::path& folder, const fs::path& file)> plant;
        const char* said;
        bool written;
        bool needsRoot = false;
    };
    const fs::path target = dir.path() / "target.txt";
    auto otherUsers = [](fs::perms perms) {
        return [perms](const fs::path& folder, const fs::path&) {
            ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);
            fs::permissions(folder, perms);
        };
    };
    const Case cases[] = {
        {"a free name", [](const fs::path&, const fs::path&) {}, "on: snapshots of the window go to",
         true},
        {"a link to another file",
         [&](const fs::path&, const fs::path& file) { fs::create_symlink(target, file); },
         "on: snapshots of the window go to", true},
        {"a FIFO", [](const fs::path&, const fs::path& file) { ::mkfifo(file.c_str(), 0666); },
         "on: snapshots of the window go to", true},
        {"a link at the name it writes next",
         [&](const fs::path&, const fs::path& file) {
             fs::create_symlink(target, file.string() + ".0123456789abcdef.tmp");
             platform::useTemporaryNamesForTests({"0123456789abcdef"});
         },
         "on: snapshots of the window go to", true},
        {"a folder", [](const fs::path&, const fs::path& file) { fs::create_directory(file); },
         "lumisett: cannot write", false},
        {"a folder of another user that all may write to", otherUsers(fs::perms::all), "refused",
         false, true},
        {"the same with the sticky bit", otherUsers(fs::perms::all | fs::perms::sticky_bit),
         "on: snapshots of the window go to", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.needsRoot && ::geteuid() != 0) continue;  // only root can give a folder away
        std::ofstream(target) << "not the probe's";
        const fs::path folder = dir.path() / "probe";
        fs::remove_all(folder);
        fs::create_directory(folder);
        const fs::path file = folder / "probe.json";
        c.plant(folder, file);
        ::testing::internal::CaptureStderr();
        {
            testsupport::HangGuard guard(file, std::chrono::seconds(5));
            app::UiProbe probe(*program, QString::fromStdString(file.string()), 3600000);
            EXPECT_FALSE(guard.fired()) << "the probe waited on a FIFO";
        }
        platform::useTemporaryNamesForTests({});
        const std::string said = ::testing::internal::GetCapturedStderr();
        EXPECT_NE(said.find(c.said), std::string::npos) << said;
        EXPECT_NE(said.find(file.string()), std::string::npos) << "names the file: " << said;
        std::ifstream in(target);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "not the probe's");
        EXPECT_EQ(fs::is_regular_file(fs::symlink_status(file)), c.written);
        std::size_t entries = 0;
        for (const auto& e : fs::directory_iterator(folder)) {
            if (!fs::is_symlink(fs::symlink_status(e.path()))) ++entries;
        }
        EXPECT_EQ(entries, c.written || fs::exists(fs::symlink_status(file)) ? 1u : 0u)
            << "a file left beside the snapshot";
        fs::permissions(folder, fs::perms::owner_all);
    }
}
#endif

// An item code, a station name or a description that looks like markup is
// shown as it stands: the title lines size themselves to the literal text
// (a table 100,000 pixels wide or a picture would stretch or hide them), and
// the description box holds the text itself.
TEST(DisplayPageTest, MarkupInDataIsShownAsItStands) {
    QWidget page;
    page.resize(600, 400);
    app::DisplayPage display(&page, {600, 400, "14.Times New Roman", 0}, {});
    std::map<std::string, const QWidget*> named;
    for (const auto& [widget, name] : display.probeNames()) named[name] = widget;
    const auto* title = qobject_cast<const QLabel*>(named["oTitle"]);
    const auto* title2 = qobject_cast<const QLabel*>(named["oTitle2"]);
    ASSERT_TRUE(title && title2);
    const int height = title->height(), height2 = title2->height();

    const char* codes[] = {
        "<h1>RG--001</h1>",
        "<table width=100000><tr><td>RG--001</td></tr></table>",
        "<img src=\"RG--001.png\">",
        "<b>CH</b>--123",
        "RG&amp;001<br>",
    };
    for (const char* code : codes) {
        SCOPED_TRACE(code);
        const std::string station = std::string("(") + code + ")";
        ASSERT_TRUE(Qt::mightBeRichText(QString::fromUtf8(station)));  // Qt would guess markup
        display.setTitle(code);
        display.setTitle2(station);
        display.setDescription(std::string(code) + "\r\n" + code);
        ASSERT_TRUE(waitFor([&] { return display.title2() == station; }, 2000));

        EXPECT_EQ(display.title(), code);
        EXPECT_EQ(display.description(), std::string(code) + "\n" + code);
        for (const auto& [label, text, h] : {std::tuple{title, std::string(code), height},
                                             std::tuple{title2, station, height2}}) {
            const int literal = label->fontMetrics().horizontalAdvance(QString::fromUtf8(text));
            EXPECT_GE(label->width(), literal) << text;
            EXPECT_LE(label->width(), literal + 8) << text;
            EXPECT_EQ(label->height(), h) << text;
        }
    }
}

}  // namespace
