#include "settings/ui/uppercase_sle.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using settings::ui::UppercaseSLE;

struct Field {
    std::vector<std::string> codes;
    UppercaseSLE sle{[this](const std::string& c) { codes.push_back(c); }};
    Field() { sle.show(); }
};

TEST(UppercaseSLETest, LettersBecomeCapitalsAndEnterHandsTheCodeOver) {
    Field f;
    QTest::keyClicks(&f.sle, "ab1");
    EXPECT_EQ(f.sle.text(), "AB1");
    EXPECT_TRUE(f.codes.empty());
    QTest::keyClick(&f.sle, Qt::Key_Return);
    EXPECT_EQ(f.codes, std::vector<std::string>{"AB----1"});
    EXPECT_EQ(f.sle.text(), "");
}

TEST(UppercaseSLETest, SeventhCharacterCompletesTheCode) {
    Field f;
    QTest::keyClicks(&f.sle, "1234567");
    EXPECT_EQ(f.codes, std::vector<std::string>{"1234567"});
    EXPECT_EQ(f.sle.text(), "");
    QTest::keyClicks(&f.sle, "8");  // the eighth keystroke starts a new code
    EXPECT_EQ(f.sle.text(), "8");
}

TEST(UppercaseSLETest, KeysThatDoAndDoNotComplete) {
    struct Case {
        const char* typed;
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        std::vector<std::string> codes;
        const char* left;
    } cases[] = {
        {"", Qt::Key_Return, Qt::NoModifier, {}, ""},                 // Enter on an empty field
        {"AB", Qt::Key_Backspace, Qt::NoModifier, {"A"}, ""},         // backspace leaving "A"
        {"A", Qt::Key_Backspace, Qt::NoModifier, {}, ""},             // backspace leaving nothing
        {"AB", Qt::Key_Tab, Qt::NoModifier, {"AB"}, ""},
        {"AB", Qt::Key_Escape, Qt::NoModifier, {}, "AB"},             // 27 never completes
        {"AB", Qt::Key_Y, Qt::ControlModifier, {}, "AB"},             // 25
        {"AB", Qt::Key_X, Qt::ControlModifier, {"AB"}, ""},           // 24
        {"AB", Qt::Key_Left, Qt::NoModifier, {}, "AB"},               // above 255, short code
        {"1234567", Qt::Key_Left, Qt::NoModifier, {"1234567"}, ""},   // completed at the 7th key
    };
    for (const auto& c : cases) {
        Field f;
        f.sle.setText(c.typed);
        QTest::keyClick(&f.sle, c.key, c.mods);
        EXPECT_EQ(f.codes, c.codes) << c.typed << " + " << c.key;
        EXPECT_EQ(f.sle.text().toStdString(), c.left) << c.typed << " + " << c.key;
    }
}

// Dead keys and compose on X11 arrive as input-method commits, not key presses.
TEST(UppercaseSLETest, InputMethodTextIsTypedThroughTheSameRule) {
    auto commit = [](UppercaseSLE& sle, const QString& text) {
        QInputMethodEvent event;
        event.setCommitString(text);
        QApplication::sendEvent(&sle, &event);
    };
    Field f;
    commit(f.sle, QString::fromUtf8("\xc3\xa9"));  // e acute
    EXPECT_EQ(f.sle.text(), QString::fromUtf8("\xc3\x89"));
    EXPECT_TRUE(f.codes.empty());
    f.sle.clear();
    commit(f.sle, "ab12345");  // the seventh character completes the code
    EXPECT_EQ(f.codes, std::vector<std::string>{"AB12345"});
    EXPECT_EQ(f.sle.text(), "");
}

TEST(UppercaseSLETest, KeyCodesThroughTheRule) {
    Field f;
    EXPECT_EQ(f.sle.keyboard('a'), 'A');
    EXPECT_EQ(f.sle.keyboard('5'), '5');
    EXPECT_EQ(f.sle.keyboard(0xE9), 0xC9);  // e acute
    EXPECT_EQ(f.sle.keyboard(255), 255);     // left alone
    EXPECT_EQ(f.sle.text().toStdString(), "A5\xc3\x89\xc3\xbf");
}

}  // namespace
