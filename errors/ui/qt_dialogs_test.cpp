#include "errors/ui/qt_dialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

using errors::ui::confirmPlan;
using errors::ui::QtDialogs;

TEST(QtDialogsTest, ButtonSetsIconsAndResults) {
    const struct {
        int set;
        std::vector<int> results;
        int escape;  // result of the escape button, 0: none
    } sets[] = {{0, {1}, 1},       {1, {1, 2}, 2}, {2, {3, 4, 5}, 0},
                {3, {6, 7, 2}, 2}, {4, {6, 7}, 0}, {5, {4, 2}, 2}};
    for (const auto& s : sets) {
        QtDialogs::BoxPlan plan = confirmPlan("t", "T", s.set, 16);
        std::vector<int> results;
        for (const auto& b : plan.buttons) results.push_back(b.result);
        EXPECT_EQ(results, s.results) << s.set;
        int escape = plan.escapeIndex < 0 ? 0 : plan.buttons[std::size_t(plan.escapeIndex)].result;
        EXPECT_EQ(escape, s.escape) << s.set;
    }
    const struct {
        int style;
        QMessageBox::Icon icon;
    } icons[] = {{16 + 131072, QMessageBox::Critical}, {48, QMessageBox::Warning},
                 {64, QMessageBox::Information}, {32, QMessageBox::Question},
                 {0, QMessageBox::NoIcon}};
    for (const auto& i : icons) EXPECT_EQ(confirmPlan("", "", 0, i.style).icon, i.icon);
    EXPECT_TRUE(confirmPlan("", "", 0, 16 + 131072).toFront);
    EXPECT_FALSE(confirmPlan("", "", 0, 16).toFront);
    EXPECT_EQ(confirmPlan("", "", 2, 16 + 256).defaultIndex, 1);
    EXPECT_EQ(errors::ui::boxText("a\r\nb\rc\nd"), "a\nb\nc\nd");
    EXPECT_EQ(errors::ui::boxText("Schmuck \x80 5"), QString::fromUtf8("Schmuck \u20ac 5"));
}

// Clicks the button of `box` that has `standard`, once the box is waiting.
void clickLater(QMessageBox* box, QMessageBox::StandardButton standard) {
    QTimer::singleShot(0, box, [box, standard] { box->button(standard)->click(); });
}

TEST(QtDialogsTest, OnTheGuiThreadTheBoxRunsAtOnce) {
    QtDialogs dialogs;
    QString text, title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QObject::connect(&dialogs, &QtDialogs::boxShown, [&](QMessageBox* box) {
        text = box->text();
        title = box->windowTitle();
        icon = box->icon();
        clickLater(box, QMessageBox::Retry);
    });
    EXPECT_EQ(dialogs.confirmBox("Error BASE/1\rThread ID : 1", "Kestrel Error Message", 2,
                                 16 + 131072),
              4);
    EXPECT_EQ(text, "Error BASE/1\nThread ID : 1");
    EXPECT_EQ(title, "Kestrel Error Message");
    EXPECT_EQ(icon, QMessageBox::Critical);
}

TEST(QtDialogsTest, FromAnotherThreadTheGuiThreadShowsItAndStaysFree) {
    QtDialogs dialogs;
    bool modal = true;
    QObject::connect(&dialogs, &QtDialogs::boxShown, [&](QMessageBox* box) {
        modal = box->windowModality() != Qt::NonModal;
        clickLater(box, QMessageBox::No);
    });
    std::atomic<int> answer{0};
    std::thread worker([&] { answer = dialogs.confirmBox("Exit with LOG file", "T", 4, 48); });
    // This loop is the GUI thread's event loop: it keeps running while the
    // worker waits.
    int rounds = 0;
    while (answer == 0) {
        QApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ++rounds;
    }
    worker.join();
    EXPECT_EQ(answer.load(), 7);
    EXPECT_FALSE(modal);
    EXPECT_GT(rounds, 0);
    EXPECT_EQ(dialogs.pendingCount(), 0);
}

TEST(QtDialogsTest, ShutdownAnswersWaitingThreadsWithTheEscapeResult) {
    QtDialogs dialogs;
    std::atomic<int> answer{0};
    std::thread worker([&] { answer = dialogs.confirmBox("x", "T", 5, 16); });
    while (dialogs.pendingCount() == 0) std::this_thread::yield();
    QApplication::processEvents();  // the box is up now
    dialogs.shutdown();
    worker.join();
    EXPECT_EQ(answer.load(), 2);  // Cancel
    std::thread later([&] { answer = dialogs.confirmBox("y", "T", 4, 16); });
    later.join();
    EXPECT_EQ(answer.load(), 7);  // No, at once
    QApplication::processEvents();
}

TEST(QtDialogsTest, AlertAndMessageBoxes) {
    QtDialogs dialogs;
    QStringList captions;
    QObject::connect(&dialogs, &QtDialogs::boxShown, [&](QMessageBox* box) {
        captions.clear();
        for (QAbstractButton* b : box->buttons()) captions << b->text();
        QAbstractButton* pick = box->buttons().size() > 1 ? box->buttons()[1] : box->buttons()[0];
        QTimer::singleShot(0, box, [pick] { pick->click(); });
    });
    int choice = dialogs.alertBox("NTXDBE database engine not loaded", {"OK", "Retry"});
    EXPECT_EQ(captions, QStringList({"OK", "Retry"}));
    EXPECT_EQ(choice, 2);
    dialogs.messageBox("Error log was written to the file KRLERROR.LOG");
    EXPECT_EQ(captions.size(), 1);
}

}  // namespace
