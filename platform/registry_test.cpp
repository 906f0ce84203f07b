// Windows only (the build leaves it out elsewhere, where there is no registry).
#include "platform/registry.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

// A key of the test's own under HKEY_CURRENT_USER, removed afterwards.
class QueryRegistryTest : public ::testing::Test {
protected:
    static constexpr const char* kSubKey = "Software\\LumisettTest\\QueryRegistry";

    void SetUp() override {
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kSubKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &m_key, nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        RegCloseKey(m_key);
        RegDeleteKeyA(HKEY_CURRENT_USER, kSubKey);
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\LumisettTest");
    }
    void set(const char* name, const std::string& bytes) {
        ASSERT_EQ(RegSetValueExA(m_key, name, 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(bytes.data()), DWORD(bytes.size())),
                  ERROR_SUCCESS);
    }

    HKEY m_key = nullptr;
};

TEST_F(QueryRegistryTest, StringValues) {
    set("plain", std::string("TILL2", 6));                 // with its terminating zero
    set("nozero", "TILL3");                                 // stored without one
    set("empty", std::string(1, '\0'));
    set("blanks", std::string("TILL 4  ", 9));              // the value's own blanks stay
    struct Case {
        const char* subKey;
        const char* value;
        const char* expected;
    } cases[] = {
        {kSubKey, "plain", "TILL2"},
        {kSubKey, "nozero", "TILL3"},
        {kSubKey, "empty", ""},
        {kSubKey, "blanks", "TILL 4  "},
        {kSubKey, "missing", ""},
        {"Software\\LumisettTest\\NoSuchKey", "plain", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(platform::QueryRegistry(platform::kHkeyCurrentUser, c.subKey, c.value),
                  c.expected)
            << c.subKey << " " << c.value;
    }
}

}  // namespace
