#include "settings/net_name.h"

#include <gtest/gtest.h>

#include "platform/fs.h"
#include "platform/os.h"

namespace {

TEST(NetNameTest, ShortStableNameWithoutPadding) {
    std::string name = settings::NetName();
    EXPECT_EQ(name, settings::NetName());
    EXPECT_EQ(name.find('\0'), std::string::npos);
    EXPECT_EQ(name.find('.'), std::string::npos);
    if (!name.empty()) {
        EXPECT_NE(name.back(), ' ');
    }
}

TEST(NetNameTest, TheRegistrysComputerName) {
    if (!platform::kWindows) GTEST_SKIP() << "the registry is Windows'";
    // The system keeps the same name in the registry value NetName reads.
    std::string name = settings::NetName();
    ASSERT_FALSE(name.empty());
    EXPECT_EQ(name, platform::hostName());
}

}  // namespace
