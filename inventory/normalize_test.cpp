#include "inventory/normalize.h"

#include <gtest/gtest.h>

namespace {

TEST(NormalizeTest, Table) {
    struct Case {
        const char* typed;
        const char* result;
    } cases[] = {
        {"12345", "1200345"},      {"123", "1200003"},        {"120", "120"},
        {"AB123", "AB--123"},      {"AB1", "AB----1"},        {"ABC", "ABC"},
        {"00123", "00--123"},      {"1234567/2", "1234567"},  {"1234567/", "1234567"},
        {"1234567890", "1234567890"}, {"AB12345 ", "AB12345"}, {"123456", "1203456"},
        {"-12", "-100002"},        {"", ""},                  {"A", "A"},
        {"AB", "AB"},              {"AB   ", "AB"},           {" 1234", " 100234"},
        {"AB0", "AB0"},            {"12345678", "12345678"},  {"AB12345/", "AB12345"},
        {"1234", "1200034"},       {"AB-12", "AB---12"},      {"0012", "00---12"},
        {"1234567/22", "1234567/22"}, {"ab123", "ab--123"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(inventory::Normalize(c.typed), c.result) << '"' << c.typed << '"';
    }
}

}  // namespace
