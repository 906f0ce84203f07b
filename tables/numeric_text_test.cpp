#include "tables/numeric_text.h"

#include <gtest/gtest.h>

namespace {

using namespace tables;

TEST(NumericValueTest, ReadsTheLeadingNumber) {
    struct Case {
        const char* text;
        double value;
    } cases[] = {
        {"1200345", 1200345}, {"AB--123", 0},   {"", 0},          {"   42abc", 42},
        {"-12", -12},         {"+7", 7},        {"1.5.3", 1.5},   {".5", 0.5},
        {"***", 0},           {"-", 0},         {" - 3", 0},      {"12,5", 12},
        {"\t5", 0},           {"100\r\n", 100}, {"00123", 123},   {"-0000", 0},
    };
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(numericValue(c.text), c.value) << c.text;
}

TEST(FormatNumberTest, RoundsHalfAwayFromZeroOnDecimalDigits) {
    struct Case {
        double value;
        int width, decimals;
        const char* text;
    } cases[] = {
        {2.675, 6, 2, "  2.68"},     {1.005, 5, 2, " 1.01"},      {-2.675, 6, 2, " -2.68"},
        {1250, 11, 2, "    1250.00"}, {45.0, 5, 1, " 45.0"},       {5.2, 6, 2, "  5.20"},
        {0.5, 4, 2, "0.50"},          {3, 2, 0, " 3"},             {2.5, 3, 0, "  3"},
        {-2.5, 3, 0, " -3"},          {99, 4, 1, "99.0"},          {0, 11, 2, "       0.00"},
        {-0.001, 5, 2, " 0.00"},      {12345.6, 6, 1, "******"},   {1000, 3, 0, "***"},
        {999.5, 3, 0, "***"},         {9.995, 4, 2, "****"},       {9.994, 4, 2, "9.99"},
        {100, 3, 0, "100"},           {-5, 3, 0, " -5"},           {0.125, 5, 2, " 0.13"},
        {1e20, 5, 0, "*****"},        {123.456, 0, 0, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(formatNumber(c.value, c.width, c.decimals), c.text)
            << c.value << " as " << c.width << "." << c.decimals;
    }
}

}  // namespace
