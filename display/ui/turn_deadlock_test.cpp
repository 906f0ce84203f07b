// An error raised on the display timer thread inside a turn waits in its
// dialogue, holding the turn gate, while the GUI thread presses Show (which
// asks the timer thread for a turn of its own). Nothing may deadlock.
#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "display/timer_loop.h"
#include "display/turn_gate.h"
#include "errors/handler_test_support.h"
#include "errors/recovery.h"
#include "errors/standard_eh.h"
#include "platform/ui/dialog_boxes.h"

namespace {

using namespace errors;
using platform::ui::DialogBoxes;

// Ends the test executable when a scenario has not finished after a
// generous time: a deadlock must fail the test, not hang the suite.
class Watchdog {
public:
    explicit Watchdog(const char* what)
        : m_thread([this, what] {
              std::unique_lock lock(m_mutex);
              if (!m_cv.wait_for(lock, std::chrono::seconds(120), [this] { return m_done; })) {
                  std::fprintf(stderr, "deadlock: %s did not finish\n", what);
                  std::_Exit(3);
              }
          }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(m_mutex);
            m_done = true;
        }
        m_cv.notify_all();
        m_thread.join();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_done = false;
    std::thread m_thread;
};


Services servicesFor(DialogBoxes& dialogs) {
    Services s;
    s.dialogs = &dialogs;
    s.callStack = [](const Error&) { return std::vector<Frame>{{"display::HangPicture", 1}}; };
    s.endProgram = [](int) { std::_Exit(4); };  // no answer in these tests ends the program
    return s;
}

// A failing operation of a turn: retry or default like the table engine.
// Returns true when it got its result, false when it defaulted.
bool failingOpen(bool canDefault = true) {
    Error e;
    e.genCode = kGenOpen;
    e.subSystem = "DBFNTX";
    e.description = "Open error";
    e.canRetry = true;
    e.canDefault = canDefault;
    return raise(e) == Action::Retry;
}

void pumpEvents() { QApplication::processEvents(); }

struct Scenario {
    const char* name;
    bool canDefault;                    // Abort/Retry/Ignore, else Retry/Cancel
    QMessageBox::StandardButton first;  // answer to the error box
    bool timerTurnCompletes;            // false: Cancel, No unwinds and abandons it
};

// Clicks `answer` on `box` a moment later, as a user would.
void answerLater(QMessageBox* box, QMessageBox::StandardButton answer, int ms) {
    QAbstractButton* button = box->button(answer);
    ASSERT_NE(button, nullptr) << "no such button on " << box->text().toStdString();
    QTimer::singleShot(ms, button, [button] { button->click(); });
}

TEST(TurnDeadlockTest, ShowWhileTheTimerThreadWaitsInItsDialogue) {
    const Scenario scenarios[] = {{"ignore", true, QMessageBox::Ignore, true},
                                  {"cancel then no", false, QMessageBox::Cancel, false}};
    for (const Scenario& sc : scenarios) {
        Watchdog watchdog(sc.name);
        DialogBoxes dialogs;
        errors::test::HandlerScope handler(standardHandler(servicesFor(dialogs)));
        display::TurnGate gate;

        QStringList titles;
        QObject::connect(&dialogs, &DialogBoxes::boxShown, [&](QMessageBox* box) {
            titles << box->windowTitle();
            QMessageBox::StandardButton answer =
                box->text() == "Exit with LOG file" ? QMessageBox::No : sc.first;
            answerLater(box, answer, 30);
        });

        std::atomic<bool> timerTurnDone{false};
        std::atomic<bool> timerTurnAbandoned{false};
        std::atomic<bool> tablesClosed{false};
        std::atomic<bool> guiTurnRan{false};
        // Its first turn, then none of its own (kNoTurns).
        display::TimerThread timer([] { return display::kNoTurns; }, [&] {
            // The recovery point sits inside the gate, so that an abandoned
            // turn's tables are closed before another turn begins.
            gate.run([&] {
                bool ok = recoverTurn(
                    [&] {
                        failingOpen(sc.canDefault);
                        timerTurnDone = true;
                    },
                    [&] { tablesClosed = true; });
                timerTurnAbandoned = !ok;
            });
        });
        timer.start();

        // The dialogue is pending on the GUI thread: posted, not yet shown.
        while (dialogs.pendingCount() == 0) std::this_thread::yield();

        // The GUI thread presses Show: its turn is handed to the timer thread,
        // and the GUI thread goes on serving events (the dialogue among them)
        // without waiting.
        const std::thread::id gui = std::this_thread::get_id();
        timer.askTurn([&] {
            gate.run([&] {
                // By now the timer thread's turn is over, one way or the other.
                EXPECT_TRUE(timerTurnDone || tablesClosed) << sc.name;
                EXPECT_NE(std::this_thread::get_id(), gui) << sc.name;
                guiTurnRan = true;
            });
        });
        while (!guiTurnRan) {
            pumpEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        timer.stop();

        EXPECT_EQ(timerTurnDone.load(), sc.timerTurnCompletes) << sc.name;
        EXPECT_EQ(timerTurnAbandoned.load(), !sc.timerTurnCompletes) << sc.name;
        EXPECT_EQ(tablesClosed.load(), !sc.timerTurnCompletes) << sc.name;
        EXPECT_EQ(titles.size(), sc.timerTurnCompletes ? 1 : 2) << sc.name;
        EXPECT_EQ(titles.value(0), "Kestrel Error Message");
        EXPECT_EQ(dialogs.pendingCount(), 0);
    }
}

}  // namespace
