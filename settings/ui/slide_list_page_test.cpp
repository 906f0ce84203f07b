#include "settings/ui/slide_list_page.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "core/display_state.h"
#include "platform/beep.h"
#include "platform/dialogs.h"
#include "settings/list_file.h"
#include "settings/ui/get_filename.h"
#include "testsupport/temp_dir.h"

namespace settings::ui {
namespace {

using Items = std::vector<std::string>;

class SlideListPageTest : public ::testing::Test, platform::Dialogs, platform::Beeper, FileDialog {
protected:
    void SetUp() override {
        m_oldDialogs = platform::setDialogs(this);
        m_oldBeeper = platform::setBeeper(this);
        m_oldFileDialog = setFileDialog(this);
        tab.resize(588, 372);  // a 600 x 400 window's page
        SlideListActions actions;
        actions.cPath = [this] { return cPath; };
        actions.readList = [](ListBox& l) {
            l.append("AB--123   ");
            l.append("images\\ring.jpg");
        };
        actions.applySave = [this](ListBox& l) {
            saved.clear();
            for (int i = 1; i <= l.count(); ++i) saved.push_back(l.itemText(i));
        };
        actions.show = [this] { ++shows; };
        page = new SlideListPage(&tab, actions);
        tab.show();
    }
    void TearDown() override {
        platform::setDialogs(m_oldDialogs);
        platform::setBeeper(m_oldBeeper);
        setFileDialog(m_oldFileDialog);
    }

    void messageBox(const std::string& text, const std::string&) override {
        messages.push_back(text);
    }
    platform::Answer confirmBox(const std::string&, const std::string&, platform::Buttons,
                                platform::BoxStyle) override {
        return platform::Answer::Ok;
    }
    int alertBox(const std::string&, const std::vector<std::string>&) override { return 1; }
    void beep(int, int) override { ++beeps; }
    std::optional<std::string> openFile(const std::string& title, const std::vector<FileFilter>&,
                                        const std::string& start) override {
        askedTitle = title;
        askedStart = start;
        return chosen;
    }

    Items items() const {
        Items out;
        for (int i = 1; i <= page->list().count(); ++i) out.push_back(page->list().itemText(i));
        return out;
    }
    void click(QPushButton* b) { QTest::mouseClick(b, Qt::LeftButton); }
    // A widget of the page by the name the page gives it.
    template <class W>
    static W* in(QWidget& tab, const char* name) {
        W* w = tab.findChild<W*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QPushButton* button(const char* name) { return in<QPushButton>(tab, name); }
    // Presses "Add code only", types into the newest field, optionally presses its OK.
    std::pair<QLineEdit*, QPushButton*> addCode() {
        click(button("addCodeButton"));
        auto fields = tab.findChildren<QLineEdit*>("manualCodeField");
        auto oks = tab.findChildren<QPushButton*>("manualCodeOk");
        return {fields.last(), oks.last()};
    }
    int pairsOnPage() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return int(tab.findChildren<QLineEdit*>("manualCodeField").size());
    }

    QWidget tab;
    SlideListPage* page = nullptr;
    std::string cPath = "/srv/pos";
    std::optional<std::string> chosen;
    std::string askedTitle, askedStart;
    Items messages, saved;
    int beeps = 0, shows = 0;

private:
    platform::Dialogs* m_oldDialogs = nullptr;
    platform::Beeper* m_oldBeeper = nullptr;
    FileDialog* m_oldFileDialog = nullptr;
};

TEST_F(SlideListPageTest, WidgetsStandWhereThePageSaysFromItsLowerLeftCorner) {
    struct Case {
        QWidget* w;
        QRect rect;  // Qt's: from the top-left corner of the 372-high page
        const char* caption;
    };
    const Case cases[] = {
        {in<QListWidget>(tab, "oChooseList"), {192, 372 - 12 - 300, 384, 300}, ""},
        {in<QLabel>(tab, "listHeading"), {192, 372 - 312 - 36, 264, 36}, "Slide Show List"},
        {button("addImageButton"), {36, 372 - 276 - 24, 108, 24}, "Add with image"},
        {button("addCodeButton"), {36, 372 - 252 - 24, 108, 24}, "Add code only"},
        {button("removeButton"), {36, 372 - 180 - 24, 108, 24}, "Remove"},
        {button("moveUpButton"), {36, 372 - 132 - 24, 108, 24}, "Move Up"},
        {button("moveDownButton"), {36, 372 - 108 - 24, 108, 24}, "Move Down"},
        {button("listSaveButton"), {36, 372 - 48 - 36, 108, 36}, "Apply/Save"},
        {button("listShowButton"), {36, 372 - 18 - 24, 108, 24}, "Show"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        EXPECT_EQ(c.w->geometry(), c.rect);
        EXPECT_TRUE(c.w->isVisible());
        if (auto* b = qobject_cast<QPushButton*>(c.w)) {
            EXPECT_EQ(b->text(), c.caption);
        }
    }
    EXPECT_EQ(in<QLabel>(tab, "listHeading")->text(), "Slide Show List");
    EXPECT_EQ(in<QLabel>(tab, "listHeading")->alignment(), Qt::AlignCenter);
    EXPECT_EQ(in<QLabel>(tab, "listHeading")->font().family(), "MS Sans Serif");
    EXPECT_EQ(in<QLabel>(tab, "listHeading")->font().pointSize(), 24);
    EXPECT_EQ(button("listSaveButton")->font().family(), "Times New Roman");
    EXPECT_EQ(button("listSaveButton")->font().pointSize(), 14);
    // Filled by ReadList right after it was made, blank filling kept.
    EXPECT_EQ(items(), (Items{"AB--123   ", "images\\ring.jpg"}));
}

TEST_F(SlideListPageTest, AddCodeOnlyPairsEachAddFromTheirOwnField) {
    auto [field1, ok1] = addCode();
    EXPECT_EQ(field1->geometry(), QRect(36, 372 - 228 - 24, 80, 24));
    EXPECT_EQ(ok1->geometry(), QRect(116, 372 - 228 - 24, 28, 24));
    EXPECT_EQ(ok1->text(), "OK");
    auto [field2, ok2] = addCode();  // a second pair on top of the first
    QTest::keyClicks(field2, "ab12");
    QTest::keyClicks(field1, "1234");
    QTest::keyClick(field2, Qt::Key_Return);  // Enter adds nothing
    EXPECT_EQ(page->list().count(), 2);

    click(ok2);
    EXPECT_EQ(items().back(), "AB---12");
    EXPECT_EQ(pairsOnPage(), 1);  // only the pressed pair went
    click(ok1);
    EXPECT_EQ(items().back(), "1200034");
    EXPECT_EQ(pairsOnPage(), 0);

    auto [field3, ok3] = addCode();
    QTest::keyClicks(field3, "   ");
    click(ok3);
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(page->list().count(), 4);
    EXPECT_EQ(pairsOnPage(), 0);
}

TEST_F(SlideListPageTest, MoveRemoveSaveAndShowThroughTheButtons) {
    page->list().append("C");
    page->list().select(1);
    click(button("moveDownButton"));
    EXPECT_EQ(items(), (Items{"images\\ring.jpg", "AB--123   ", "C"}));
    EXPECT_EQ(in<QListWidget>(tab, "oChooseList")->currentRow(), 1);
    click(button("moveDownButton"));
    click(button("moveDownButton"));  // already last: beep only
    EXPECT_EQ(items(), (Items{"images\\ring.jpg", "C", "AB--123   "}));
    EXPECT_EQ(beeps, 1);
    click(button("moveUpButton"));
    EXPECT_EQ(items(), (Items{"images\\ring.jpg", "AB--123   ", "C"}));

    click(button("removeButton"));
    EXPECT_EQ(items(), (Items{"images\\ring.jpg", "C"}));
    EXPECT_TRUE(messages.empty());
    click(button("removeButton"));  // the removed item took the selection with it
    EXPECT_EQ(messages, Items{"Must select an item first"});

    // Clicking an item selects it, as a user would.
    QListWidget* w = in<QListWidget>(tab, "oChooseList");
    QTest::mouseClick(w->viewport(), Qt::LeftButton, {}, w->visualItemRect(w->item(1)).center());
    click(button("moveUpButton"));
    EXPECT_EQ(items(), (Items{"C", "images\\ring.jpg"}));

    EXPECT_TRUE(saved.empty());  // nothing saved before Apply/Save
    click(button("listSaveButton"));
    EXPECT_EQ(saved, (Items{"C", "images\\ring.jpg"}));
    click(button("listShowButton"));
    EXPECT_EQ(shows, 1);
}

TEST_F(SlideListPageTest, AddWithImage) {
    struct Case {
        std::string cPath;
        std::optional<std::string> chosen;
        std::optional<std::string> added;  // nullopt: a beep
    };
    const Case cases[] = {
#ifndef _WIN32  // Windows file dialogs give "\" separators only
        {"/srv/pos", "/srv/pos/images/AB12345.JPG", "images/ab12345.jpg"},
#endif
        {"c:\\pos", "C:\\POS\\IMAGES\\AB12345.JPG", "images\\ab12345.jpg"},
        {"C:\\POS", "C:\\POS\\IMAGES\\AB12345.JPG", "c:\\pos\\images\\ab12345.jpg"},
        {"/srv/pos", "/home/shop/Ring.png", "/home/shop/ring.png"},
        {"/srv/pos", std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen.value_or("(cancelled)"));
        cPath = c.cPath;
        chosen = c.chosen;
        beeps = 0;
        int before = page->list().count();
        click(button("addImageButton"));
        EXPECT_EQ(askedTitle, "Please select Select image");
        if (c.added) {
            EXPECT_EQ(items().back(), *c.added);
            EXPECT_EQ(beeps, 0);
        } else {
            EXPECT_EQ(page->list().count(), before);
            EXPECT_EQ(beeps, 1);
        }
    }
}

TEST_F(SlideListPageTest, ListFileWiredToThePage) {
    testsupport::TempDir dir;
    const std::string cListFile = dir.file("TILL1.dbf");
    MemoryListBox old({"AB--123", "CD--456"});
    SaveList(old, cListFile);
    core::resetDisplayState();

    QWidget tab2;
    tab2.resize(588, 372);
    int releases = 0;
    auto* page2 = new SlideListPage(&tab2, withListFile({}, cListFile, [&] { ++releases; }));
    tab2.show();
    const std::string pad(53, ' ');
    ListBox& list = page2->list();
    ASSERT_EQ(list.count(), 2);
    EXPECT_EQ(list.itemText(2), "CD--456" + pad);

    click(in<QPushButton>(tab2, "addCodeButton"));
    auto* field = tab2.findChildren<QLineEdit*>("manualCodeField").last();
    QTest::keyClicks(field, "ef789");
    click(tab2.findChildren<QPushButton*>("manualCodeOk").last());
    list.select(3);
    click(in<QPushButton>(tab2, "moveUpButton"));
    list.select(1);
    click(in<QPushButton>(tab2, "removeButton"));
    messages.clear();
    click(in<QPushButton>(tab2, "listSaveButton"));
    EXPECT_EQ(messages, Items{"Saved to file: " + cListFile});
    EXPECT_EQ(releases, 1) << "the display let go of its tables";
    EXPECT_TRUE(core::StopDisplay());

    MemoryListBox back;
    ReadList(back, cListFile);
    EXPECT_EQ(back.items(), (Items{"EF--789" + pad, "CD--456" + pad}));
    core::resetDisplayState();
}

}  // namespace
}  // namespace settings::ui
