#include "errors/ui/qt_dialogs.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QMetaObject>
#include <QPushButton>
#include <QThread>

#include <algorithm>

#include "core/ui/qt_text.h"

namespace errors::ui {

struct QtDialogs::Request {
    Spec spec;
    bool done = false;
    int answer = 0;
    QMessageBox* box = nullptr;  // GUI thread only
};

namespace {

using SB = QMessageBox::StandardButton;

constexpr int kOk = 1, kCancel = 2, kAbort = 3, kRetry = 4, kIgnore = 5, kYes = 6, kNo = 7;

QtDialogs::Button standard(SB button, int result) { return {int(button), {}, result}; }

int escapeResult(const QtDialogs::Spec& spec) {
    if (spec.escapeIndex >= 0) return spec.buttons[std::size_t(spec.escapeIndex)].result;
    return spec.buttons.empty() ? 0 : spec.buttons.back().result;
}

// Builds the box with its buttons, in the spec's order; `buttons` receives
// them in the same order.
QMessageBox* build(const QtDialogs::Spec& spec, std::vector<QAbstractButton*>& buttons) {
    auto* box = new QMessageBox(QMessageBox::Icon(spec.icon), spec.title, spec.text);
    box->setTextFormat(Qt::PlainText);
    for (const auto& b : spec.buttons) {
        QAbstractButton* button =
            b.standard ? box->addButton(SB(b.standard))
                       : box->addButton(b.caption, QMessageBox::AcceptRole);
        buttons.push_back(button);
    }
    if (!buttons.empty()) {
        auto index = std::size_t(std::clamp(spec.defaultIndex, 0, int(buttons.size()) - 1));
        if (auto* push = qobject_cast<QPushButton*>(buttons[index])) box->setDefaultButton(push);
    }
    if (spec.escapeIndex >= 0 && std::size_t(spec.escapeIndex) < buttons.size()) {
        box->setEscapeButton(buttons[std::size_t(spec.escapeIndex)]);
    }
    if (spec.toFront) box->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    return box;
}

int resultOf(const QtDialogs::Spec& spec, QMessageBox* box,
             const std::vector<QAbstractButton*>& buttons) {
    auto it = std::find(buttons.begin(), buttons.end(), box->clickedButton());
    if (it == buttons.end()) return escapeResult(spec);
    return spec.buttons[std::size_t(it - buttons.begin())].result;
}

}  // namespace

QString boxText(const std::string& text) {
    QString s = core::ui::toQString(text);
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s;
}

QtDialogs::Spec confirmSpec(const std::string& text, const std::string& title, int buttonSet,
                            int style) {
    QtDialogs::Spec spec;
    spec.text = boxText(text);
    spec.title = boxText(title);
    switch (style & 0xF0) {
    case 16: spec.icon = QMessageBox::Critical; break;
    case 32: spec.icon = QMessageBox::Question; break;
    case 48: spec.icon = QMessageBox::Warning; break;
    case 64: spec.icon = QMessageBox::Information; break;
    default: spec.icon = QMessageBox::NoIcon; break;
    }
    switch (buttonSet) {
    case 1:
        spec.buttons = {standard(SB::Ok, kOk), standard(SB::Cancel, kCancel)};
        spec.escapeIndex = 1;
        break;
    case 2:
        spec.buttons = {standard(SB::Abort, kAbort), standard(SB::Retry, kRetry),
                        standard(SB::Ignore, kIgnore)};
        break;
    case 3:
        spec.buttons = {standard(SB::Yes, kYes), standard(SB::No, kNo),
                        standard(SB::Cancel, kCancel)};
        spec.escapeIndex = 2;
        break;
    case 4:
        spec.buttons = {standard(SB::Yes, kYes), standard(SB::No, kNo)};
        break;
    case 5:
        spec.buttons = {standard(SB::Retry, kRetry), standard(SB::Cancel, kCancel)};
        spec.escapeIndex = 1;
        break;
    default:
        spec.buttons = {standard(SB::Ok, kOk)};
        spec.escapeIndex = 0;
        break;
    }
    spec.defaultIndex = (style & 0xF00) >> 8;
    spec.toFront = (style & 0x30000) != 0;
    return spec;
}

QtDialogs::QtDialogs(QObject* parent) : QObject(parent) {}

QtDialogs::~QtDialogs() { shutdown(); }

void QtDialogs::messageBox(const std::string& text, const std::string& title) {
    Spec spec;
    spec.text = boxText(text);
    spec.title = title.empty() ? QString() : boxText(title);
    spec.buttons = {standard(SB::Ok, kOk)};
    spec.escapeIndex = 0;
    ask(spec);
}

int QtDialogs::confirmBox(const std::string& text, const std::string& title, int buttonSet,
                          int style) {
    return ask(confirmSpec(text, title, buttonSet, style));
}

int QtDialogs::alertBox(const std::string& text, const std::vector<std::string>& buttons) {
    Spec spec;
    spec.text = boxText(text);
    spec.icon = QMessageBox::Warning;
    int n = 0;
    for (const auto& caption : buttons) spec.buttons.push_back({0, boxText(caption), ++n});
    if (spec.buttons.empty()) spec.buttons = {standard(SB::Ok, 1)};
    if (spec.buttons.size() == 1) spec.escapeIndex = 0;
    return ask(spec);
}

int QtDialogs::ask(const Spec& spec) {
    if (QThread::currentThread() == thread()) {
        std::vector<QAbstractButton*> buttons;
        QMessageBox* box = build(spec, buttons);
        emit boxShown(box);
        box->exec();
        int answer = resultOf(spec, box, buttons);
        delete box;
        return answer;
    }

    auto request = std::make_shared<Request>();
    request->spec = spec;
    {
        std::lock_guard lock(m_mutex);
        if (m_shutDown) return escapeResult(spec);
        m_pending.push_back(request);
    }
    QMetaObject::invokeMethod(
        this,
        [this, request] {
            {
                std::lock_guard lock(m_mutex);
                if (request->done) return;  // answered by shutdown() meanwhile
            }
            auto buttons = std::make_shared<std::vector<QAbstractButton*>>();
            QMessageBox* box = build(request->spec, *buttons);
            request->box = box;
            box->setWindowModality(Qt::NonModal);
            connect(box, &QDialog::finished, this, [this, request, box, buttons](int) {
                int answer = resultOf(request->spec, box, *buttons);
                request->box = nullptr;
                box->deleteLater();
                finish(request, answer);
            });
            emit boxShown(box);
            box->show();
            if (request->spec.toFront) {
                box->raise();
                box->activateWindow();
            }
        },
        Qt::QueuedConnection);

    std::unique_lock lock(m_mutex);
    m_cv.wait(lock, [&] { return request->done; });
    return request->answer;
}

void QtDialogs::finish(const std::shared_ptr<Request>& request, int answer) {
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

void QtDialogs::shutdown() {
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
        finish(request, escapeResult(request->spec));
    }
}

int QtDialogs::pendingCount() const {
    std::lock_guard lock(m_mutex);
    return int(m_pending.size());
}

}  // namespace errors::ui
