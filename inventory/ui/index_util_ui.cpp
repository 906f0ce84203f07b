#include "inventory/ui/index_util_ui.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QWindow>

#include "errors/error.h"
#include "graphics/geometry.h"

namespace inventory::ui {

namespace {

constexpr graphics::Point kLabelPos{30, 318};
constexpr graphics::Size kLabelSize{110, 24};
constexpr graphics::Point kBarPos{150, 318};
constexpr graphics::Size kBarSize{400, 24};

bool isInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::TabletMove:
    case QEvent::Close:
        return true;
    default:
        return false;
    }
}

int g_blockers = 0;  // InputBlockers alive (GUI thread)

// Swallows input (and close requests) for one window while it lives.
class InputBlocker : public QObject {
public:
    explicit InputBlocker(QWidget* window) : m_window(window) {
        qApp->installEventFilter(this);
        ++g_blockers;
    }
    ~InputBlocker() override {
        qApp->removeEventFilter(this);
        --g_blockers;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!isInput(event->type()) || !belongsToWindow(watched)) return false;
        event->ignore();
        return true;
    }

private:
    bool belongsToWindow(QObject* watched) const {
        if (watched->isWidgetType()) return static_cast<QWidget*>(watched)->window() == m_window;
        return watched->isWindowType() && watched == m_window->windowHandle();
    }

    QWidget* m_window;
};

}  // namespace

void ReindexLabelWidget::create() {
    if (m_label) return;
    m_label = new QLabel(QStringLiteral("Re-indexing:"), m_page);
    QFont font(QStringLiteral("Times New Roman"));
    font.setPointSize(16);
    m_label->setFont(font);
    const graphics::PixelRect r = graphics::widgetRect(kLabelPos, kLabelSize, m_page->height());
    m_label->setGeometry(r.left, r.top, r.width, r.height);
    m_label->show();
}

void ReindexLabelWidget::destroy() {
    delete m_label.data();
    m_label = nullptr;
}

void ReindexBarWidget::create() {
    if (m_bar) return;
    m_bar = new ProgressBar(m_page, kBarPos, kBarSize, false);
    if (m_onCreated) m_onCreated(m_bar);
    m_bar->create();
}

void ReindexBarWidget::setRange(double minimum, double maximum, double current) {
    m_bar->setMinimum(minimum);
    m_bar->setMaximum(maximum);
    m_bar->setCurrent(current);
}

void ReindexBarWidget::increment(double n) { m_bar->increment(n); }

void ReindexBarWidget::destroy() {
    if (!m_bar) return;
    m_bar->destroy();
    delete m_bar;
    m_bar = nullptr;
}

void runWhileBlockingInput(QWidget* window, const std::function<void()>& work) {
    InputBlocker blocker(window);
    QEventLoop loop;
    runOnWorkerThread(
        work, [&] { loop.exec(); },
        [&] { QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection); });
}

bool inputBlocked() { return g_blockers > 0; }

void runIndexUtil(QWidget* settingsPage, const std::string& cPath,
                  const std::function<void()>& releaseDisplayTables) {
    ReindexLabelWidget label(settingsPage);
    ReindexBarWidget bar(settingsPage);
    QWidget* window = settingsPage->window();
    try {
        IndexUtil(
            cPath, label, bar,
            [window](const std::function<void()>& work) { runWhileBlockingInput(window, work); },
            releaseDisplayTables);
    } catch (const errors::Unwind&) {
        // The error handler abandoned the run; IndexUtil removed the label and the bar.
    }
}

}  // namespace inventory::ui
