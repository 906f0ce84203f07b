// The program as a clerk uses it, in-process on the offscreen platform: the
// window's geometry, and the display following the till, then manual entry.
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/display_bridge.h"
#include "app/main_window.h"
#include "app/program.h"
#include "app/settings_page.h"
#include "app/ui_probe.h"
#include "core/display_state.h"
#include "core/ui/qt_text.h"
#include "display/make_desc.h"
#include "display/ui/image_view.h"
#include "core/xbase_values.h"
#include "settings/ui/get_filename.h"
#include "settings/ui/slide_list_page.h"
#include "settings/ui/uppercase_sle.h"
#include "testsupport/temp_dir.h"
#include "tools/demo_shop.h"

namespace {

namespace fs = std::filesystem;

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

// Tab pages are {nWidth - 12, nHeight - 28}: 372 pixels high at 600 x 400.
const int pageH = 372;

// Expects `widget` at {x, y} (its lower-left corner from the page's) with
// {width, height}.
void expectAt(QWidget* widget, int x, int y, int width, int height) {
    EXPECT_EQ(widget->geometry(), QRect(x, pageH - y - height, width, height))
        << widget->metaObject()->className() << " at " << x << "," << y;
}

// A demo shop and a program started in its program folder.
class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tools::writeDemoShop(dir.str(), "E2E"));
        previous = fs::current_path();
        fs::current_path(dir.path() / "app");
        core::resetDisplayState();
        program = std::make_unique<app::Program>(std::string("E2E"), std::nullopt);
        program->start(0);
    }
    void TearDown() override {
        program->finish();
        program.reset();
        fs::current_path(previous);
        core::resetDisplayState();
    }
    void writeCode(const std::string& code) {
        std::ofstream(dir.path() / "till1" / "image.tmp", std::ios::binary) << code << "\r\n";
    }
    std::string description() const {
        return core::ui::fromQString(program->window().oDescDispBox->toPlainText());
    }
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

    testsupport::TempDir dir;
    fs::path previous;
    std::unique_ptr<app::Program> program;
};

TEST_F(ProgramTest, DisplayPageGeometryAt600By400) {
    app::MainWindow& w = program->window();
    EXPECT_EQ(w.oImageTab->size(), QSize(588, 372));
    expectAt(w.oDescDispBox, 372, 30, 216, 312);
    expectAt(w.oStat, 12, 20, 360, 324);
    expectAt(w.oShowButton, 375, 4, 47, 24);
    expectAt(w.oWatchButton, 425, 4, 47, 24);
    expectAt(w.oFreezeButton, 487, 4, 98, 24);
    expectAt(w.oManualEntry, 487, 4, 98, 24);
    expectAt(w.oFlasher, 475, 12, 12, 12);
    EXPECT_EQ(w.oTitle->geometry().bottomLeft(), QPoint(12, pageH - 3 - 1));
    EXPECT_EQ(w.oTitle->font().pointSize(), 14);
    EXPECT_EQ(w.oDescDispBox->font().family(), "Times New Roman");
    EXPECT_EQ(w.cFont(), "14.Times New Roman");
    EXPECT_TRUE(w.oFreezeButton->isVisible());
    EXPECT_FALSE(w.oManualEntry->isVisible());
    EXPECT_EQ(w.oTabStrip->tabText(0).toStdString(),
              "The Tillmaster - data displayer - version 1.1 - E2E");
    // Page switching: one page at a time, the display keeps running.
    w.showSettingsPage();
    EXPECT_TRUE(w.oSettingsTab->isVisible());
    EXPECT_FALSE(w.oImageTab->isVisible());
    w.showChoosePage();
    EXPECT_TRUE(w.oChooseTab->isVisible());
    EXPECT_FALSE(w.oSettingsTab->isVisible());
    w.showDisplayPage();
    EXPECT_TRUE(w.oImageTab->isVisible());
}

TEST_F(ProgramTest, FollowsTheTillThenShowsATypedCode) {
    program->watchAction();  // data monitor, period 5 (the demo's saved value)
    writeCode("RG--001");
    std::string expected = shown(display::MakeDesc("RG--001", dataPath()));
    ASSERT_TRUE(waitFor([&] { return description() == expected; }, 4000)) << description();
    // Picture, then the two title lines: posted one after the other.
    EXPECT_TRUE(waitFor(
        [&] {
            return program->window().oStat->file().find("RG--001.png") != std::string::npos &&
                   program->window().oTitle->text() == "RG--001" &&
                   program->window().oTitle2->text() == "(till1)";
        },
        2000))
        << program->window().oStat->file() << " / " << program->window().oTitle->text().toStdString()
        << " / " << program->window().oTitle2->text().toStdString();

    // Freeze/Manual, then a short code typed by the clerk.
    program->freezeAction();
    EXPECT_TRUE(program->window().oManualEntry->isVisible());
    EXPECT_FALSE(program->window().oFreezeButton->isVisible());
    QTest::keyClicks(program->window().oManualEntry, "12345");
    QTest::keyClick(program->window().oManualEntry, Qt::Key_Return);
    expected = shown(display::MakeDesc("1200345", dataPath()));
    ASSERT_TRUE(waitFor([&] { return description() == expected; }, 4000)) << description();
    EXPECT_TRUE(waitFor(
        [&] { return program->window().oStat->file().find("1200345.jpg") != std::string::npos; },
        2000));
    EXPECT_EQ(core::DataSource(), "KBD");
    // The till's next code is not shown in manual mode.
    writeCode("CH--123");
    QTest::qWait(700);
    EXPECT_EQ(description(), expected);
}

TEST_F(ProgramTest, ApplySavePeriodsAndParameterFile) {
    app::SettingsPage& page = program->settingsPage();
    page.oSlow->setValue(150);
    page.oFast->setValue(7);
    program->watchAction();
    program->applySaveAction();
    EXPECT_EQ(core::programState().oGetTime.getData(), 7);  // data monitor
    program->showAction();
    EXPECT_EQ(core::programState().oGetTime.getData(), 150);
    program->applySaveAction();
    EXPECT_EQ(core::programState().oGetTime.getData(), 150);  // slide show
    program->freezeAction();
    program->applySaveAction();  // right after Freeze/Manual: turns stop, button back
    EXPECT_EQ(core::programState().oGetTime.getData(), 999);
    EXPECT_TRUE(program->window().oFreezeButton->isVisible());
    std::ifstream ini(dir.path() / "app" / "E2E.ini", std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(ini)), {});
    EXPECT_NE(text.find("[SlowTime]\r\n150\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[FastTime]\r\n7\r\n"), std::string::npos) << text;
    EXPECT_FALSE(core::StopDisplay());
}

TEST_F(ProgramTest, SlideShowFromTheSavedListStartsAtOnceWithShow) {
    // The demo's list was read into the page at start.
    settings::ui::SlideListPage& page = program->listPage();
    ASSERT_EQ(page.list().count(), 9);
    EXPECT_EQ(core::rtrim(page.list().itemText(1)), "CH--123");
    program->freezeAction();
    ASSERT_TRUE(waitFor([] { return core::DataSource() == "KBD"; }, 2000));
    program->applySaveAction();  // in manual entry: no more timer turns (period 999)
    EXPECT_EQ(core::programState().oGetTime.getData(), 999);
    program->showAction();  // hides the entry field, shows the first slide at once
    EXPECT_FALSE(program->window().oManualEntry->isVisible());
    EXPECT_TRUE(program->window().oFreezeButton->isVisible());
    std::string expected = shown(display::MakeDesc("CH--123", dataPath()));
    ASSERT_TRUE(waitFor([&] { return description() == expected; }, 3000)) << description();
    EXPECT_EQ(core::DataSource(), "SLIDES");
    EXPECT_EQ(core::programState().cHost.getData(), "");
}

TEST_F(ProgramTest, FirstSlideAfterFollowingTheTillHasNoStationName) {
    program->watchAction();
    writeCode("RG--001");
    // The turn thread posts the two title lines one after the other.
    ASSERT_TRUE(waitFor([&] {
        return program->window().oTitle->text() == "RG--001" &&
               program->window().oTitle2->text() == "(till1)";
    }, 4000)) << program->window().oTitle2->text().toStdString();
    // No timer turn for now, so that Show's own turn runs on this thread.
    core::programState().oGetTime.setData(999);
    ASSERT_TRUE(waitFor([&] { return !program->gate().busy(); }, 2000));
    program->showAction();
    ASSERT_TRUE(waitFor([&] { return program->window().oTitle->text() == "CH--123"; }, 3000))
        << program->window().oTitle->text().toStdString();
    EXPECT_EQ(program->window().oTitle2->text().toStdString(), "");
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

TEST_F(ProgramTest, SettingsPageGeometry) {
    app::SettingsPage& page = program->settingsPage();
    expectAt(page.oBrowseCode, 530, 203, 28, 28);
    expectAt(page.oImagePath, 28, 204, 500, 24);
    expectAt(page.oBrowseData, 530, 143, 28, 28);
    expectAt(page.oDataPath, 28, 144, 500, 24);
    expectAt(page.oSlow, 113, 60, 48, 24);
    expectAt(page.oFast, 267, 60, 36, 24);
    expectAt(page.oFullScreen, 30, 5, 535, 20);
    expectAt(page.oReindex, 170, 173, 50, 15);
    expectAt(page.oHelp, 408, 104, 96, 24);
    expectAt(page.oApplySave, 408, 66, 96, 24);
    expectAt(page.oDisplay, 408, 28, 96, 24);
    EXPECT_EQ(page.oSlow->minimum(), 20);
    EXPECT_EQ(page.oSlow->maximum(), 300);
    EXPECT_EQ(page.oFast->minimum(), 5);
    EXPECT_EQ(page.oFast->maximum(), 100);
    EXPECT_EQ(page.oSlow->value(), 40);  // from the demo's parameter file
    EXPECT_EQ(page.oFast->value(), 5);
    EXPECT_EQ(page.oBrowseCode->focusPolicy(), Qt::ClickFocus);  // no tab stop
    EXPECT_EQ(page.oApplySave->font().pointSize(), 14);
}

TEST_F(ProgramTest, BrowseKeepsTheLastAppliedValueWhenCancelled) {
    ScriptedFileDialog chooser;
    settings::ui::FileDialog* previousDialog = settings::ui::setFileDialog(&chooser);
    app::SettingsPage& page = program->settingsPage();
    std::string applied = core::ui::fromQString(page.oDataPath->text());
    page.oDataPath->setText("/typed/but/not/applied");
    page.oBrowseData->click();  // cancelled: the last applied value comes back
    EXPECT_EQ(chooser.lastTitle, "Please select istock.dbf data path");
    EXPECT_EQ(core::ui::fromQString(page.oDataPath->text()), applied);
    chooser.answer = "/Shop/POS/ISTOCK.DBF";  // lower-cased, then the table's name removed
    page.oBrowseData->click();
    EXPECT_EQ(core::ui::fromQString(page.oDataPath->text()), "/shop/pos");
    chooser.answer = "/Shop/Till1/IMAGE.TMP";
    page.oBrowseCode->click();
    EXPECT_EQ(core::ui::fromQString(page.oImagePath->text()), "/shop/till1/image.tmp");
    EXPECT_EQ(chooser.lastTitle, "Please select image.tmp path");
    settings::ui::setFileDialog(previousDialog);
}

TEST_F(ProgramTest, FullScreenBoxTakesEffectOnlyAtTheNextStart) {
    app::SettingsPage& page = program->settingsPage();
    QSize before = program->window().size();
    page.oFullScreen->setChecked(true);
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
              core::ui::toQString(shown(app::MainWindow::welcomeText())));
    EXPECT_TRUE(widget(snap, "oFreezeButton").contains("rect"));
    EXPECT_TRUE(widget(snap, "oManualEntry").isEmpty());  // hidden
    EXPECT_TRUE(widget(snap, "oFast").isEmpty());          // on a hidden page

    program->window().showSettingsPage();
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

}  // namespace
