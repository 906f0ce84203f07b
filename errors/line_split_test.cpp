#include "errors/line_split.h"

#include <gtest/gtest.h>

namespace {

using errors::LineSplit;

struct Case {
    const char* name;
    std::string text;
    int width;
    std::string expected;
};

class LineSplitTest : public ::testing::TestWithParam<Case> {};

TEST_P(LineSplitTest, Wraps) {
    const Case& c = GetParam();
    EXPECT_EQ(LineSplit(c.text, c.width), c.expected) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LineSplitTest,
    ::testing::Values(
        Case{"empty", "", 10, ""},
        Case{"fits", "short text", 10, "short text"},
        Case{"break after last blank that fits", "one two three four", 9, "one two;three;four"},
        Case{"word ends at the width", "abcde fgh", 5, "abcde;fgh"},
        Case{"blank run at the break is dropped", "abcde    fgh", 5, "abcde;fgh"},
        Case{"trailing blanks of a line removed", "ab   cdefg", 5, "ab;cdefg"},
        Case{"long word cut at the width", "abcdefghijkl", 5, "abcde;fghij;kl"},
        Case{"long word after a short one", "ab cdefghijk", 5, "ab;cdefg;hijk"},
        Case{"CR LF ends a line", "ab\r\ncd", 10, "ab;cd"},
        Case{"empty line kept", "ab\r\n\r\ncd", 10, "ab;;cd"},
        Case{"final CR LF adds no line", "ab\r\n", 10, "ab"},
        Case{"lone LF ends a line", "ab\ncd", 10, "ab;cd"},
        Case{"tab to the next multiple of 4", "a\tb", 10, "a   b"},
        Case{"tab expands within its own line", "abcdef\tg", 6, "abcdef;g"},
        Case{"tab at the break", "abc\tdefgh", 5, "abc;defgh"},
        Case{"leading blanks of the text kept", "  ab", 10, "  ab"},
        Case{"width below 1 counts as 1", "ab", 0, "a;b"}),
    [](const auto& info) {
        std::string n = info.param.name;
        for (char& ch : n) {
            if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
        }
        return n;
    });

// A database message of 120 characters of ordinary words: consecutive lines
// of at most 50 characters, broken between words, nothing lost.
TEST(LineSplitLong, DatabaseMessageBreaksBetweenWords) {
    std::string message =
        "The table could not be opened because another workstation holds it exclusively "
        "for a reindex operation right now";
    ASSERT_GE(message.size(), 110u);
    std::string split = LineSplit(message, 50);
    std::vector<std::string> lines;
    std::size_t pos = 0;
    for (;;) {
        std::size_t semi = split.find(';', pos);
        lines.push_back(split.substr(pos, semi - pos));
        if (semi == std::string::npos) break;
        pos = semi + 1;
    }
    ASSERT_EQ(lines.size(), 3u);
    std::string joined;
    for (const auto& line : lines) {
        EXPECT_LE(line.size(), 50u) << line;
        EXPECT_NE(line.front(), ' ');
        EXPECT_NE(line.back(), ' ');
        joined += (joined.empty() ? "" : " ") + line;
    }
    EXPECT_EQ(joined, message);
    // Each line takes as many words as fit: the next word would not.
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        std::string nextWord = lines[i + 1].substr(0, lines[i + 1].find(' '));
        EXPECT_GT(lines[i].size() + 1 + nextWord.size(), 50u);
    }
}

}  // namespace
