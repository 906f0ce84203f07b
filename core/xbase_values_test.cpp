#include "core/xbase_values.h"

#include <gtest/gtest.h>

namespace {

using namespace core;

TEST(CaseTest, Windows1252Letters) {
    EXPECT_EQ(upper("abz AZ 09-/"), "ABZ AZ 09-/");
    EXPECT_EQ(upper("\xe9\xe0\xfe\xff\x9a\xf7\xdf"), "\xc9\xc0\xde\x9f\x8a\xf7\xdf");
    EXPECT_EQ(lower("ABZ \xc9\xd7\x8c"), "abz \xe9\xd7\x9c");
    for (int c = 0; c < 256; ++c) {
        char ch = char(c);
        if (upperChar(ch) != ch) {
            EXPECT_EQ(lowerChar(upperChar(ch)), ch) << c;
        }
    }
}

TEST(TrimTest, BlanksOnly) {
    EXPECT_EQ(rtrim("ab  "), "ab");
    EXPECT_EQ(rtrim("ab\t "), "ab\t");
    EXPECT_EQ(ltrim("  ab "), "ab ");
    EXPECT_EQ(alltrim("  a b  "), "a b");
    EXPECT_EQ(rtrim("    "), "");
}

TEST(EmptyTextTest, BlanksTabsCrLf) {
    EXPECT_TRUE(isEmptyText(""));
    EXPECT_TRUE(isEmptyText(" \t\r\n"));
    EXPECT_FALSE(isEmptyText(" x "));
    EXPECT_FALSE(isEmptyText("\x1a"));
}

TEST(ReplaceAllTest, EveryOccurrence) {
    EXPECT_EQ(replaceAll("a\\b\\c", "\\", "/"), "a/b/c");
    EXPECT_EQ(replaceAll("x.ini.ini", ".ini", ""), "x");
    EXPECT_EQ(replaceAll("abc", "", "z"), "abc");
}

}  // namespace
