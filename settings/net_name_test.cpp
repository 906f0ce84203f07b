#include "settings/net_name.h"

#include <gtest/gtest.h>

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

}  // namespace
