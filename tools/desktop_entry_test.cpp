#include "tools/desktop_entry.h"

#include <gtest/gtest.h>

namespace {

// The desktop entry format's rules, which a launcher other than GLib's (the
// tool's test launches through GLib) reads as well.
TEST(DesktopEntryTest, ExecArgumentsAreQuotedWhereTheFormatReservesCharacters) {
    const struct {
        const char* argument;
        const char* quoted;
    } cases[] = {
        {"TILL1", "TILL1"},
        {"", "\"\""},
        {"TILL 1", "\"TILL 1\""},
        {"a$b", "\"a\\$b\""},
        {"a`id`", "\"a\\`id\\`\""},
        {"say \"x\"", "\"say \\\"x\\\"\""},
        {"back\\slash", "\"back\\\\slash\""},
        {"it's", "\"it's\""},
        {"50%", "50%%"},
        {"50 %u", "\"50 %%u\""},
        {"a;b&c|d", "\"a;b&c|d\""},
        {"caf\xc3\xa9", "caf\xc3\xa9"},
    };
    for (const auto& c : cases) EXPECT_EQ(tools::execArgument(c.argument), c.quoted) << c.argument;
}

TEST(DesktopEntryTest, StringValuesEscapeBackslashesAndControlCharacters) {
    EXPECT_EQ(tools::desktopString("\"a\\$b\""), "\"a\\\\$b\"");
    EXPECT_EQ(tools::desktopString(" lead\tand\nline\r"), "\\slead\\tand\\nline\\r");
    EXPECT_EQ(tools::desktopString("in side"), "in side");
}

TEST(DesktopEntryTest, OnlyWellFormedUtf8IsText) {
    for (const char* good : {"", "TILL1", "caf\xc3\xa9", "\xe2\x82\xac", "\xf0\x9f\x92\x8e"}) {
        EXPECT_TRUE(tools::isUtf8(good)) << good;
    }
    for (const char* bad : {"caf\xe9", "\xc3", "\xe2\x82", "\xc0\xaf", "\xed\xa0\x80", "\xf4\x90\x80\x80",
                            "\x80", "\xf8\x88\x80\x80\x80"}) {
        EXPECT_FALSE(tools::isUtf8(bad)) << bad;
    }
}

TEST(DesktopEntryTest, TheEntryStartsTheProfileInItsFolder) {
    const std::string entry = tools::autostartEntry("/usr/bin/lumisett", "TILL 1", "/srv/shop app");
    EXPECT_NE(entry.find("\nExec=/usr/bin/lumisett \"TILL 1\"\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("\nPath=/srv/shop app\n"), std::string::npos) << entry;
    EXPECT_TRUE(entry.starts_with("[Desktop Entry]\nType=Application\n")) << entry;
    EXPECT_EQ(tools::autostartFileName("TILL 1"), "lumisett-TILL 1.desktop");
}

}  // namespace
