#pragma once

#include <QObject>
#include <QString>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/dialogs.h"

class QMessageBox;

namespace platform::ui {

// The program's dialog boxes: the message, confirmation and alert boxes of
// platform::Dialogs as Qt message boxes, usable from any thread.
//
// On the GUI thread (the thread that created the object) a box runs at once
// and modally, and the call returns the answer. From another thread (the
// display timer thread, the progress bar's drawing thread) the box is posted
// to the GUI thread and the calling thread waits for the answer; the GUI
// thread is not blocked meanwhile. Such a box has no owner and blocks no
// window, as a Windows box without owner: the main window stays usable.
//
// A box's text shows CR LF, CR or LF as line breaks.
class DialogBoxes : public QObject, public platform::Dialogs {
    Q_OBJECT
public:
    // Create on the GUI thread.
    explicit DialogBoxes(QObject* parent = nullptr);
    // Calls shutdown().
    ~DialogBoxes() override;

    void messageBox(const std::string& text, const std::string& title = "") override;
    platform::Answer confirmBox(const std::string& text, const std::string& title,
                                platform::Buttons buttons, platform::BoxStyle style) override;
    int alertBox(const std::string& text, const std::vector<std::string>& buttons) override;

    // For the end of the run: answers every box that another thread waits for
    // with the box's escape result (Cancel, No, or its only/last button) and
    // makes later requests from other threads return that at once, so that a
    // thread waiting in a box can be joined. GUI thread.
    void shutdown();

    // Boxes asked for by other threads and not answered yet. Any thread.
    int pendingCount() const;

signals:
    // Emitted on the GUI thread for every box just before it waits for its
    // answer (tests script their answers through it).
    void boxShown(QMessageBox* box);

public:
    struct Button {
        int standard;   // a QMessageBox::StandardButton, or 0 for a custom caption
        QString caption;
        int result;     // a confirmation box's answer code (see the source), or an alert's choice
    };
    struct BoxPlan {
        QString text, title;
        int icon = 0;  // a QMessageBox::Icon
        std::vector<Button> buttons;
        int defaultIndex = 0;
        int escapeIndex = -1;  // -1: the box cannot be closed without a button
        bool toFront = false;
    };

private slots:
    // Shows the next box another thread asked for. GUI thread.
    void showNext();

private:
    struct Request;
    int ask(const BoxPlan& plan);
    void finish(const std::shared_ptr<Request>& request, int answer);

    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_shutDown = false;
    std::vector<std::shared_ptr<Request>> m_pending;
    std::deque<std::shared_ptr<Request>> m_toShow;  // asked for, not yet shown
};

// The plan of a confirmation box (exposed for tests).
DialogBoxes::BoxPlan confirmPlan(const std::string& text, const std::string& title,
                                 platform::Buttons buttons, platform::BoxStyle style);
// The answer a confirmation box's result code stands for.
platform::Answer answerOf(int result);

// A program text (Windows-1252) for a box, with CR LF, CR and LF all turned
// into "\n".
QString boxText(const std::string& text);

}  // namespace platform::ui
