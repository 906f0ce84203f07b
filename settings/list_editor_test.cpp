#include "settings/list_editor.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/beep.h"
#include "platform/dialogs.h"

namespace settings {
namespace {

using Items = std::vector<std::string>;

// Records the messages and beeps of the actions under test.
class EditorTest : public ::testing::Test, platform::Dialogs, platform::Beeper {
protected:
    void SetUp() override {
        m_oldDialogs = platform::setDialogs(this);
        m_oldBeeper = platform::setBeeper(this);
    }
    void TearDown() override {
        platform::setDialogs(m_oldDialogs);
        platform::setBeeper(m_oldBeeper);
    }
    void messageBox(const std::string& text, const std::string&) override {
        messages.push_back(text);
    }
    platform::Answer confirmBox(const std::string&, const std::string&, platform::Buttons,
                                platform::BoxStyle) override {
        return platform::Answer::Ok;
    }
    int alertBox(const std::string&, const std::vector<std::string>&) override { return 1; }
    void beep(int hz, int ticks) override { beeps.push_back({hz, ticks}); }

    std::vector<std::string> messages;
    std::vector<std::pair<int, int>> beeps;

private:
    platform::Dialogs* m_oldDialogs = nullptr;
    platform::Beeper* m_oldBeeper = nullptr;
};

const std::pair<int, int> kBeep{300, 5};

TEST_F(EditorTest, SelectionActions) {
    struct Case {
        const char* name;
        std::function<void(ListBox&)> action;
        Items before;
        std::optional<int> selected;
        Items after;
        std::optional<int> selectedAfter;
        bool beeps;
        bool complains;
    };
    const Items abc{"A", "B", "C"};
    const Case cases[] = {
        {"up from the middle", MoveUp, abc, 2, {"B", "A", "C"}, 1, false, false},
        {"down from the middle", MoveDown, {"B", "A", "C"}, 1, abc, 2, false, false},
        {"down from the last", MoveDown, abc, 3, abc, 3, true, false},
        {"up from the first", MoveUp, abc, 1, abc, 1, true, false},
        {"down in a pair", MoveDown, {"A", "B"}, 1, {"B", "A"}, 2, false, false},
        {"up from the last", MoveUp, abc, 3, {"A", "C", "B"}, 2, false, false},
        {"down on a single item", MoveDown, {"A"}, 1, {"A"}, 1, true, false},
        {"up on a single item", MoveUp, {"A"}, 1, {"A"}, 1, true, false},
        {"blank filling moves with the item",
         MoveUp,
         {"A   ", "B   "},
         2,
         {"B   ", "A   "},
         1,
         false,
         false},
        {"duplicates keep their order",
         MoveDown,
         {"A", "A", "B"},
         2,
         {"A", "B", "A"},
         3,
         false,
         false},
        {"remove the middle", RemoveItem, abc, 2, {"A", "C"}, std::nullopt, false, false},
        {"remove the last", RemoveItem, abc, 3, {"A", "B"}, std::nullopt, false, false},
        {"remove without selection", RemoveItem, abc, std::nullopt, abc, std::nullopt, false, true},
        {"up without selection", MoveUp, abc, std::nullopt, abc, std::nullopt, false, true},
        {"down without selection", MoveDown, abc, std::nullopt, abc, std::nullopt, false, true},
        {"down on an empty list", MoveDown, {}, std::nullopt, {}, std::nullopt, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        messages.clear();
        beeps.clear();
        MemoryListBox list(c.before);
        if (c.selected) list.select(*c.selected);
        c.action(list);
        EXPECT_EQ(list.items(), c.after);
        EXPECT_EQ(list.selection(), c.selectedAfter);
        EXPECT_EQ(beeps.size(), c.beeps ? 1u : 0u);
        if (c.beeps) {
            EXPECT_EQ(beeps[0], kBeep);
        }
        EXPECT_EQ(messages, c.complains ? Items{"Must select an item first"} : Items{});
    }
}

TEST_F(EditorTest, RepeatedPressesKeepMovingTheItem) {
    MemoryListBox list({"A", "B", "C", "D"});
    list.select(1);
    for (int i = 0; i < 3; ++i) MoveDown(list);
    EXPECT_EQ(list.items(), (Items{"B", "C", "D", "A"}));
    EXPECT_TRUE(beeps.empty());
    MoveDown(list);
    EXPECT_EQ(beeps.size(), 1u);
    for (int i = 0; i < 3; ++i) MoveUp(list);
    EXPECT_EQ(list.items(), (Items{"A", "B", "C", "D"}));
    EXPECT_EQ(list.selection(), 1);
}

TEST_F(EditorTest, ManualCode) {
    struct Case {
        const char* typed;
        const char* added;  // nullptr: nothing added, a beep
    };
    const Case cases[] = {
        {"ab12", "AB---12"},  // upper-cased, then normalised
        {"1234", "1200034"},
        {"ab--123", "AB--123"},
        {"ab12345/", "AB12345"},     // the "/" suffix goes
        {"\xe9t\xe9", "\xc9T\xc9"},  // Windows-1252 accents upper-cased too
        {"", nullptr},
        {"   ", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        beeps.clear();
        MemoryListBox list({"X"});
        EXPECT_EQ(addManualCode(list, c.typed), c.added != nullptr);
        if (c.added) {
            EXPECT_EQ(list.items(), (Items{"X", c.added}));
            EXPECT_TRUE(beeps.empty());
        } else {
            EXPECT_EQ(list.items(), Items{"X"});
            EXPECT_EQ(beeps, std::vector{kBeep});
        }
    }
}

TEST(ImageEntry, DataPathPrefixIsRemoved) {
    struct Case {
        const char* chosen;
        const char* cPath;
        const char* entry;
    };
    const Case cases[] = {
        {"c:\\pos\\images\\ab12345.jpg", "c:\\pos", "images\\ab12345.jpg"},
        {"c:\\pos\\images\\ab12345.jpg", "C:\\POS",
         "c:\\pos\\images\\ab12345.jpg"},                         // case-sensitive
        {"d:\\pics\\ring.jpg", "c:\\pos", "d:\\pics\\ring.jpg"},  // outside: full path
        {"c:\\pos2\\ring.jpg", "c:\\pos", "c:\\pos2\\ring.jpg"},  // a longer name is no prefix
        {"c:\\pos\\a\\c:\\pos\\b.jpg", "c:\\pos", "a\\b.jpg"},    // every occurrence
        {"c:\\pics\\ring.jpg", "", "c:\\pics\\ring.jpg"},         // no data path: kept whole
        {"", "c:\\pos", ""},
#ifndef _WIN32
        {"/srv/pos/images/ab12345.jpg", "/srv/pos", "images/ab12345.jpg"},
        {"/srv/pos/images/ab12345.jpg", "/srv/POS", "/srv/pos/images/ab12345.jpg"},
        {"/home/shop/ring.jpg", "", "/home/shop/ring.jpg"},
#endif
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen);
        EXPECT_EQ(imageEntry(c.chosen, c.cPath), c.entry);
    }
}

TEST_F(EditorTest, ImageEntryIsAppendedOrBeeps) {
    MemoryListBox list;
    EXPECT_TRUE(addImageEntry(list, "c:\\pos\\images\\ab12345.jpg", "c:\\pos"));
    EXPECT_FALSE(addImageEntry(list, "", "c:\\pos"));  // the chooser was cancelled
    EXPECT_EQ(list.items(), Items{"images\\ab12345.jpg"});
    EXPECT_EQ(beeps, std::vector{kBeep});
    EXPECT_TRUE(messages.empty());
}

// An entry the list table cannot hold whole is refused with a message that
// names the limit, whichever way it comes; one that fits is added whole.
TEST_F(EditorTest, EntriesLongerThanTheListFieldAreRefused) {
    const std::string pics = "c:\\pos\\", name56(56, 'n');
    struct Case {
        const char* name;
        std::function<bool(ListBox&)> add;
        std::string entry;
        bool fits;
    } cases[] = {
        {"picture at the limit", [&](ListBox& l) { return addImageEntry(l, pics + name56 + ".jpg", "c:\\pos"); },
         name56 + ".jpg", true},
        {"picture one over", [&](ListBox& l) { return addImageEntry(l, pics + name56 + "x.jpg", "c:\\pos"); },
         name56 + "x.jpg", false},
        {"picture outside the data path",
         [&](ListBox& l) { return addImageEntry(l, "d:\\pics\\" + name56 + ".jpg", "c:\\pos"); },
         "d:\\pics\\" + name56 + ".jpg", false},
        {"typed code one over", [](ListBox& l) { return addManualCode(l, std::string(61, 'a')); },
         std::string(61, 'A'), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        messages.clear();
        beeps.clear();
        MemoryListBox list({"X"});
        EXPECT_EQ(c.add(list), c.fits);
        if (c.fits) {
            EXPECT_EQ(list.items(), (Items{"X", c.entry}));
            EXPECT_TRUE(messages.empty());
            continue;
        }
        EXPECT_EQ(list.items(), Items{"X"});
        EXPECT_EQ(beeps, std::vector{kBeep});
        EXPECT_EQ(messages, Items{"This entry is longer than the 60 characters a slide show list "
                                  "entry holds:\r\n\r\n" + c.entry + "\r\n\r\nIt was not added."});
    }
}

TEST(MemoryListBox, PositionsOutOfRangeAreIgnored) {
    MemoryListBox list({"A", "B"});
    list.insertAt(0, "x");
    list.insertAt(4, "x");
    list.deleteAt(0);
    list.deleteAt(3);
    EXPECT_EQ(list.items(), (Items{"A", "B"}));
    EXPECT_EQ(list.itemText(3), "");
    list.insertAt(3, "C");  // one past the last appends
    EXPECT_EQ(list.items(), (Items{"A", "B", "C"}));
    list.select(4);
    EXPECT_EQ(list.selection(), std::nullopt);
}

}  // namespace
}  // namespace settings
