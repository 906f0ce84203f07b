#include "platform/ui/dialog_boxes.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QMetaObject>
#include <QPushButton>
#include <QThread>

#include <algorithm>

#include "platform/ui/qt_text.h"

namespace platform::ui {

struct DialogBoxes::Request {
    BoxPlan plan;
    bool done = false;
    int answer = 0;
    QMessageBox* box = nullptr;  // GUI thread only
};

namespace {

using SB = QMessageBox::StandardButton;

// A confirmation box's buttons carry the result codes of the Windows message
// box, where the program's boxes come from: 1 OK, 2 Cancel, 3 Abort, 4 Retry,
// 5 Ignore, 6 Yes, 7 No. (There the button sets are 0 OK, 1 OK/Cancel,
// 2 Abort/Retry/Ignore, 3 Yes/No/Cancel, 4 Yes/No, 5 Retry/Cancel; the icons
// 16 stop, 32 question, 48 warning, 64 information; 256 and 512 make the second
// or third button the default; 65536 and 131072 bring the box to the front.)
constexpr int kOk = 1, kCancel = 2, kAbort = 3, kRetry = 4, kIgnore = 5, kYes = 6, kNo = 7;

DialogBoxes::Button standard(SB button, int result) { return {int(button), {}, result}; }

int escapeResult(const DialogBoxes::BoxPlan& plan) {
    if (plan.escapeIndex >= 0) return plan.buttons[std::size_t(plan.escapeIndex)].result;
    return plan.buttons.empty() ? 0 : plan.buttons.back().result;
}

// Builds the box with its buttons, in the plan's order; `buttons` receives
// them in the same order.
QMessageBox* build(const DialogBoxes::BoxPlan& plan, std::vector<QAbstractButton*>& buttons) {
    auto* box = new QMessageBox(QMessageBox::Icon(plan.icon), plan.title, plan.text);
    box->setTextFormat(Qt::PlainText);
    for (const auto& b : plan.buttons) {
        QAbstractButton* button =
            b.standard ? box->addButton(SB(b.standard))
                       : box->addButton(b.caption, QMessageBox::AcceptRole);
        buttons.push_back(button);
    }
    if (!buttons.empty()) {
        auto index = std::size_t(std::clamp(plan.defaultIndex, 0, int(buttons.size()) - 1));
        if (auto* push = qobject_cast<QPushButton*>(buttons[index])) box->setDefaultButton(push);
    }
    if (plan.escapeIndex >= 0 && std::size_t(plan.escapeIndex) < buttons.size()) {
        box->setEscapeButton(buttons[std::size_t(plan.escapeIndex)]);
    }
    if (plan.toFront) box->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    return box;
}

int resultOf(const DialogBoxes::BoxPlan& plan, QMessageBox* box,
             const std::vector<QAbstractButton*>& buttons) {
    auto it = std::find(buttons.begin(), buttons.end(), box->clickedButton());
    if (it == buttons.end()) return escapeResult(plan);
    return plan.buttons[std::size_t(it - buttons.begin())].result;
}

}  // namespace

QString boxText(const std::string& text) {
    QString s = platform::ui::toQString(text);
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s;
}

DialogBoxes::BoxPlan confirmPlan(const std::string& text, const std::string& title,
                                 Buttons buttons, BoxStyle style) {
    DialogBoxes::BoxPlan plan;
    plan.text = boxText(text);
    plan.title = boxText(title);
    switch (style.icon) {
    case Icon::Stop: plan.icon = QMessageBox::Critical; break;
    case Icon::Question: plan.icon = QMessageBox::Question; break;
    case Icon::Warning: plan.icon = QMessageBox::Warning; break;
    case Icon::Information: plan.icon = QMessageBox::Information; break;
    case Icon::None: plan.icon = QMessageBox::NoIcon; break;
    }
    switch (buttons) {
    case Buttons::OkCancel:
        plan.buttons = {standard(SB::Ok, kOk), standard(SB::Cancel, kCancel)};
        plan.escapeIndex = 1;
        break;
    case Buttons::AbortRetryIgnore:
        plan.buttons = {standard(SB::Abort, kAbort), standard(SB::Retry, kRetry),
                        standard(SB::Ignore, kIgnore)};
        break;
    case Buttons::YesNoCancel:
        plan.buttons = {standard(SB::Yes, kYes), standard(SB::No, kNo),
                        standard(SB::Cancel, kCancel)};
        plan.escapeIndex = 2;
        break;
    case Buttons::YesNo:
        plan.buttons = {standard(SB::Yes, kYes), standard(SB::No, kNo)};
        break;
    case Buttons::RetryCancel:
        plan.buttons = {standard(SB::Retry, kRetry), standard(SB::Cancel, kCancel)};
        plan.escapeIndex = 1;
        break;
    case Buttons::Ok:
        plan.buttons = {standard(SB::Ok, kOk)};
        plan.escapeIndex = 0;
        break;
    }
    plan.defaultIndex = style.defaultButton;
    plan.toFront = style.toFront;
    return plan;
}

Answer answerOf(int result) {
    switch (result) {
    case kCancel: return Answer::Cancel;
    case kAbort: return Answer::Abort;
    case kRetry: return Answer::Retry;
    case kIgnore: return Answer::Ignore;
    case kYes: return Answer::Yes;
    case kNo: return Answer::No;
    default: return Answer::Ok;
    }
}

DialogBoxes::DialogBoxes(QObject* parent) : QObject(parent) {}

DialogBoxes::~DialogBoxes() { shutdown(); }

void DialogBoxes::messageBox(const std::string& text, const std::string& title) {
    BoxPlan plan;
    plan.text = boxText(text);
    plan.title = title.empty() ? QString() : boxText(title);
    plan.buttons = {standard(SB::Ok, kOk)};
    plan.escapeIndex = 0;
    ask(plan);
}

Answer DialogBoxes::confirmBox(const std::string& text, const std::string& title,
                               Buttons buttons, BoxStyle style) {
    return answerOf(ask(confirmPlan(text, title, buttons, style)));
}

int DialogBoxes::alertBox(const std::string& text, const std::vector<std::string>& buttons) {
    BoxPlan plan;
    plan.text = boxText(text);
    plan.icon = QMessageBox::Warning;
    int n = 0;
    for (const auto& caption : buttons) plan.buttons.push_back({0, boxText(caption), ++n});
    if (plan.buttons.empty()) plan.buttons = {standard(SB::Ok, 1)};
    if (plan.buttons.size() == 1) plan.escapeIndex = 0;
    return ask(plan);
}

void DialogBoxes::showNext() {
    std::shared_ptr<Request> request;
    {
        std::lock_guard lock(m_mutex);
        if (m_toShow.empty()) return;
        request = m_toShow.front();
        m_toShow.pop_front();
        if (request->done) return;  // answered by shutdown() meanwhile
    }
    auto buttons = std::make_shared<std::vector<QAbstractButton*>>();
    QMessageBox* box = build(request->plan, *buttons);
    request->box = box;
    box->setWindowModality(Qt::NonModal);
    connect(box, &QDialog::finished, this, [this, request, box, buttons](int) {
        int answer = resultOf(request->plan, box, *buttons);
        request->box = nullptr;
        box->deleteLater();
        finish(request, answer);
    });
    emit boxShown(box);
    box->show();
    if (request->plan.toFront) {
        box->raise();
        box->activateWindow();
    }
}

int DialogBoxes::ask(const BoxPlan& plan) {
    if (QThread::currentThread() == thread()) {
        std::vector<QAbstractButton*> buttons;
        QMessageBox* box = build(plan, buttons);
        emit boxShown(box);
        box->exec();
        int answer = resultOf(plan, box, buttons);
        delete box;
        return answer;
    }

    auto request = std::make_shared<Request>();
    request->plan = plan;
    {
        std::lock_guard lock(m_mutex);
        if (m_shutDown) return escapeResult(plan);
        m_pending.push_back(request);
        m_toShow.push_back(request);
    }
    // By name: the request travels through m_toShow, under the mutex.
    QMetaObject::invokeMethod(this, "showNext", Qt::QueuedConnection);

    std::unique_lock lock(m_mutex);
    m_cv.wait(lock, [&] { return request->done; });
    return request->answer;
}

void DialogBoxes::finish(const std::shared_ptr<Request>& request, int answer) {
    {
        std::lock_guard lock(m_mutex);
        if (request->done) return;
        request->done = true;
        request->answer = answer;
        m_pending.erase(std::remove(m_pending.begin(), m_pending.end(), request),
                        m_pending.end());
    }
    m_cv.notify_all();
}

void DialogBoxes::shutdown() {
    std::vector<std::shared_ptr<Request>> pending;
    {
        std::lock_guard lock(m_mutex);
        m_shutDown = true;
        pending = m_pending;
    }
    for (const auto& request : pending) {
        if (QMessageBox* box = request->box) {
            request->box = nullptr;
            box->disconnect(this);
            box->deleteLater();
        }
        finish(request, escapeResult(request->plan));
    }
}

int DialogBoxes::pendingCount() const {
    std::lock_guard lock(m_mutex);
    return int(m_pending.size());
}

}  // namespace platform::ui
