#include "platform/ui/dialog_boxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

using platform::Answer;
using platform::Buttons;
using platform::Icon;
using platform::ui::confirmPlan;
using platform::ui::DialogBoxes;

TEST(DialogBoxesTest, ButtonSetsIconsAndAnswers) {
    const struct {
        Buttons set;
        std::vector<Answer> answers;
        std::vector<QMessageBox::StandardButton> shown;
        int escape;  // index of the escape button, -1: none
    } sets[] = {
        {Buttons::Ok, {Answer::Ok}, {QMessageBox::Ok}, 0},
        {Buttons::OkCancel, {Answer::Ok, Answer::Cancel}, {QMessageBox::Ok, QMessageBox::Cancel}, 1},
        {Buttons::AbortRetryIgnore, {Answer::Abort, Answer::Retry, Answer::Ignore},
         {QMessageBox::Abort, QMessageBox::Retry, QMessageBox::Ignore}, -1},
        {Buttons::YesNoCancel, {Answer::Yes, Answer::No, Answer::Cancel},
         {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel}, 2},
        {Buttons::YesNo, {Answer::Yes, Answer::No}, {QMessageBox::Yes, QMessageBox::No}, -1},
        {Buttons::RetryCancel, {Answer::Retry, Answer::Cancel}, {QMessageBox::Retry, QMessageBox::Cancel}, 1},
    };
    for (const auto& s : sets) {
        DialogBoxes::BoxPlan plan = confirmPlan("t", "T", s.set, {Icon::Stop});
        std::vector<Answer> answers;
        std::vector<QMessageBox::StandardButton> shown;
        for (const auto& b : plan.buttons) {
            answers.push_back(platform::ui::answerOf(b.result));
            shown.push_back(QMessageBox::StandardButton(b.standard));
        }
        EXPECT_EQ(answers, s.answers) << int(s.set);
        EXPECT_EQ(shown, s.shown) << int(s.set);
        EXPECT_EQ(plan.escapeIndex, s.escape) << int(s.set);
    }
    const struct {
        Icon icon;
        QMessageBox::Icon shown;
    } icons[] = {{Icon::Stop, QMessageBox::Critical}, {Icon::Warning, QMessageBox::Warning},
                 {Icon::Information, QMessageBox::Information}, {Icon::Question, QMessageBox::Question},
                 {Icon::None, QMessageBox::NoIcon}};
    for (const auto& i : icons) EXPECT_EQ(confirmPlan("", "", Buttons::Ok, {i.icon}).icon, i.shown);
    EXPECT_TRUE(confirmPlan("", "", Buttons::Ok, {Icon::Stop, 0, true}).toFront);
    EXPECT_FALSE(confirmPlan("", "", Buttons::Ok, {Icon::Stop}).toFront);
    EXPECT_EQ(confirmPlan("", "", Buttons::AbortRetryIgnore, {Icon::Stop, 1}).defaultIndex, 1);
    EXPECT_EQ(platform::ui::boxText("a\r\nb\rc\nd"), "a\nb\nc\nd");
    EXPECT_EQ(platform::ui::boxText("Schmuck \x80 5"), QString::fromUtf8("Schmuck \u20ac 5"));
}

// Clicks the button of `box` that has `standard`, once the box is waiting.
void clickLater(QMessageBox* box, QMessageBox::StandardButton standard) {
    QTimer::singleShot(0, box, [box, standard] { box->button(standard)->click(); });
}

TEST(DialogBoxesTest, OnTheGuiThreadTheBoxRunsAtOnce) {
    DialogBoxes dialogs;
    QString text, title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QObject::connect(&dialogs, &DialogBoxes::boxShown, [&](QMessageBox* box) {
        text = box->text();
        title = box->windowTitle();
        icon = box->icon();
        clickLater(box, QMessageBox::Retry);
    });
    EXPECT_EQ(dialogs.confirmBox("Error BASE/1\rThread ID : 1", "Kestrel Error Message",
                                 Buttons::AbortRetryIgnore, {Icon::Stop, 0, true}),
              Answer::Retry);
    EXPECT_EQ(text, "Error BASE/1\nThread ID : 1");
    EXPECT_EQ(title, "Kestrel Error Message");
    EXPECT_EQ(icon, QMessageBox::Critical);
}

TEST(DialogBoxesTest, FromAnotherThreadTheGuiThreadShowsItAndStaysFree) {
    DialogBoxes dialogs;
    bool modal = true;
    QObject::connect(&dialogs, &DialogBoxes::boxShown, [&](QMessageBox* box) {
        modal = box->windowModality() != Qt::NonModal;
        clickLater(box, QMessageBox::No);
    });
    std::atomic<bool> answered{false};
    Answer answer = Answer::Ok;
    std::thread worker([&] {
        answer = dialogs.confirmBox("Exit with LOG file", "T", Buttons::YesNo, {Icon::Warning});
        answered = true;
    });
    // This loop is the GUI thread's event loop: it keeps running while the
    // worker waits.
    int rounds = 0;
    while (!answered) {
        QApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ++rounds;
    }
    worker.join();
    EXPECT_EQ(answer, Answer::No);
    EXPECT_FALSE(modal);
    EXPECT_GT(rounds, 0);
    EXPECT_EQ(dialogs.pendingCount(), 0);
}

TEST(DialogBoxesTest, ShutdownAnswersWaitingThreadsWithTheEscapeResult) {
    DialogBoxes dialogs;
    Answer answer = Answer::Ok;
    std::thread worker([&] { answer = dialogs.confirmBox("x", "T", Buttons::RetryCancel, {Icon::Stop}); });
    while (dialogs.pendingCount() == 0) std::this_thread::yield();
    QApplication::processEvents();  // the box is up now
    dialogs.shutdown();
    worker.join();
    EXPECT_EQ(answer, Answer::Cancel);
    std::thread later([&] { answer = dialogs.confirmBox("y", "T", Buttons::YesNo, {Icon::Stop}); });
    later.join();
    EXPECT_EQ(answer, Answer::No);  // at once
    QApplication::processEvents();
}

TEST(DialogBoxesTest, AlertAndMessageBoxes) {
    DialogBoxes dialogs;
    QStringList captions;
    QObject::connect(&dialogs, &DialogBoxes::boxShown, [&](QMessageBox* box) {
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

// A box's text often carries a path, a code or a table's text: whatever looks
// like markup in it is shown as it stands, at the width of its characters.
TEST(DialogBoxesTest, MarkupInTheTextIsShownAsItStands) {
    DialogBoxes dialogs;
    const std::string texts[] = {
        "Could not read <table width=100000><tr><td>C:\\POS\\DATA</td></tr></table>",
        "<h1>RG--001</h1> not found",
        "<img src=\"ring.png\"> is no picture",
    };
    for (const std::string& text : texts) {
        SCOPED_TRACE(text);
        ASSERT_TRUE(Qt::mightBeRichText(QString::fromStdString(text)));  // Qt would guess markup
        QString shown, title;
        int width = 0, literal = 0;
        QObject::connect(&dialogs, &DialogBoxes::boxShown, [&](QMessageBox* box) {
            title = box->windowTitle();
            for (const QLabel* label : box->findChildren<QLabel*>()) {
                if (label->text() != box->text()) continue;  // the icon
                shown = label->text();
                width = label->sizeHint().width();
                literal = label->fontMetrics().horizontalAdvance(label->text());
            }
            clickLater(box, QMessageBox::Ok);
        });
        dialogs.messageBox(text, text);
        QObject::disconnect(&dialogs, &DialogBoxes::boxShown, nullptr, nullptr);
        EXPECT_EQ(shown.toStdString(), text);
        EXPECT_EQ(title.toStdString(), text);
        // Word wrap may make the label narrower than its text, never wider.
        EXPECT_GT(width, 0);
        EXPECT_LE(width, literal + 8);
    }
}

}  // namespace
