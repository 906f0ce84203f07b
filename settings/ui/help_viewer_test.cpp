#include "settings/ui/help_viewer.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "graphics/color_codes.h"
#include "graphics/ui/qt_color.h"
#include "settings/ui/icon_row.h"
#include "testsupport/hostile_files.h"
#include "testsupport/temp_dir.h"

namespace {

// Runs HelpText on a window and, once the viewer is up, `act` on the viewer.
QString runHelp(QWidget& window, const std::string& folder,
                const std::function<void(QPlainTextEdit*)>& act) {
    QString shown;
    QTimer::singleShot(0, &window, [&] {
        auto* viewer = window.findChild<QPlainTextEdit*>();
        ASSERT_NE(viewer, nullptr);
        shown = viewer->toPlainText();
        EXPECT_TRUE(viewer->isReadOnly());
        // The whole client area, its first line and scroll bar in sight.
        EXPECT_EQ(viewer->geometry(), window.rect());
        EXPECT_EQ(viewer->palette().color(QPalette::Base),
                  graphics::toQColor(graphics::kSysClrEntryField, QApplication::palette()));
        act(viewer);
    });
    settings::ui::HelpText(&window, folder);
    EXPECT_EQ(window.findChild<QPlainTextEdit*>(), nullptr);  // the viewer is gone
    return shown;
}

TEST(HelpViewerTest, KeyPressInAnotherWidgetEndsTheViewerAfterItsOwnHandling) {
    testsupport::TempDir dir;
    dir.write("helptext.txt", "Line one\r\nLine two\r\n");
    QWidget window;
    window.resize(594, 372);  // the main window's client area
    auto* field = new QLineEdit(&window);
    window.show();
    QString shown = runHelp(window, dir.str(), [&](QPlainTextEdit*) {
        QTest::keyClick(field, Qt::Key_X);
    });
    EXPECT_EQ(shown.toStdString(), "Line one\nLine two\n");
    EXPECT_EQ(field->text(), "x");  // the key reached its target first
}

TEST(HelpViewerTest, CloseRequestEndsTheViewerAndTheWindowStaysOpen) {
    testsupport::TempDir dir;  // no helptext.txt: an empty viewer
    // A desktop scheme whose entry fields are not white: the viewer follows it.
    const QPalette before = QApplication::palette();
    QPalette scheme = before;
    scheme.setColor(QPalette::Base, QColor(255, 255, 200));
    QApplication::setPalette(scheme);
    QWidget window;
    window.resize(800, 700);  // a maximised window: the viewer sits at its bottom
    window.show();
    QString shown = runHelp(window, dir.str(), [&](QPlainTextEdit*) { window.close(); });
    QApplication::setPalette(before);
    EXPECT_TRUE(shown.isEmpty());
    EXPECT_TRUE(window.isVisible());
}

TEST(HelpViewerTest, AnotherWindowsCloseRequestClosesThatWindowAndEndsTheViewer) {
    testsupport::TempDir dir;
    QWidget window, other;
    window.resize(600, 400);
    window.show();
    other.show();
    runHelp(window, dir.str(), [&](QPlainTextEdit*) { other.close(); });
    EXPECT_FALSE(other.isVisible());  // not swallowed
    EXPECT_TRUE(window.isVisible());
}

#ifndef _WIN32
// Anything but a regular file gives the empty viewer of a missing help text,
// at once; a huge file is not read, and the viewer says why.
TEST(HelpViewerTest, HostileHelpTextIsNotRead) {
    for (const auto& k : testsupport::kHostileKinds) {
        testsupport::TempDir dir;
        testsupport::makeHostile(k.kind, dir.file("helptext.txt"));
        QWidget window;
        window.resize(600, 400);
        window.show();
        QString shown;
        {
            testsupport::HangGuard guard(dir.file("helptext.txt"), std::chrono::seconds(2));
            shown = runHelp(window, dir.str(), [&](QPlainTextEdit*) { window.close(); });
            EXPECT_FALSE(guard.fired()) << k.name;
        }
        if (k.kind == testsupport::Hostile::Huge) {
            EXPECT_TRUE(shown.startsWith(settings::ui::kHelpTextTooLarge)) << k.name;
        } else {
            EXPECT_TRUE(shown.isEmpty()) << k.name;
        }
    }
}
#endif

TEST(IconRowTest, ThirteenOverlappingPicturesInOneRow) {
    QWidget page;
    page.resize(588, 372);
    settings::ui::PaintSomeIcons(&page);
    auto icons = page.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    ASSERT_EQ(icons.size(), 13);
    const int order[] = {21, 22, 12, 24, 25, 26, 27, 20, 19, 18, 17, 16, 13};
    for (int i = 0; i < 13; ++i) {
        EXPECT_EQ(icons[i]->objectName(), QString("icon%1").arg(order[i]));
        // x from 24 in steps of 40; y 284 from the page's bottom; 50 x 60
        EXPECT_EQ(icons[i]->geometry(), QRect(24 + 40 * i, 372 - 284 - 60, 50, 60));
    }
    EXPECT_FALSE(settings::ui::resourcePicture(21).isNull());
}

}  // namespace
