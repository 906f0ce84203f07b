#include "platform/ui/font_substitutes.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <gtest/gtest.h>

#include "platform/os.h"

namespace {

// The fonts the settings name come out as their metric-compatible faces,
// where those are installed (scripts/deps installs them). Without the
// substitutes fontconfig would give its default face for "Helv" and
// "MS Sans Serif".
TEST(FontSubstitutesTest, WindowsFontsResolveToMetricCompatibleFaces) {
    if (platform::kWindows) GTEST_SKIP() << "Windows has the fonts themselves";
    platform::ui::substituteWindowsFonts();
    const struct {
        const char* named;
        const char* face;
    } cases[] = {
        {"Times New Roman", "Liberation Serif"}, {"Courier", "Liberation Mono"},
        {"Courier New", "Liberation Mono"},     {"Helv", "Liberation Sans"},
        {"MS Sans Serif", "Liberation Sans"},
    };
    for (const auto& c : cases) {
        if (!QFontDatabase::hasFamily(c.face)) {
            ADD_FAILURE() << c.face << " is not installed";
            continue;
        }
        EXPECT_EQ(QFontInfo(QFont(c.named)).family().toStdString(), c.face) << c.named;
    }
}

}  // namespace
