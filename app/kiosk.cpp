#include "app/kiosk.h"

#include <QCursor>
#include <QGuiApplication>
#include <QWidget>

namespace app {

Kiosk::Kiosk(std::function<bool()> wanted, QWidget* displayPage)
    : m_wanted(std::move(wanted)), m_page(displayPage), m_pointer(QCursor::pos()),
      m_moved(std::chrono::steady_clock::now()) {
    m_timer.setInterval(std::chrono::milliseconds(250));
    QObject::connect(&m_timer, &QTimer::timeout, this, [this] { look(); });
    m_timer.start();
    look();
}

Kiosk::~Kiosk() { showPointer(); }

void Kiosk::look() {
    const bool wanted = m_wanted();
    if (wanted && !m_awake) m_awake = std::make_unique<platform::ui::ScreenAwake>();
    if (!wanted) m_awake.reset();

    // A look at the pointer's place rather than its events: a move over any
    // widget of the page (or over the box of a turn) counts alike.
    const QPoint pointer = QCursor::pos();
    const auto now = std::chrono::steady_clock::now();
    if (pointer != m_pointer) {
        m_pointer = pointer;
        m_moved = now;
    }
    const bool overPage =
        m_page->isVisible() && m_page->rect().contains(m_page->mapFromGlobal(pointer));
    if (wanted && overPage && now - m_moved >= kPointerRest) {
        if (!m_pointerHidden) {
            QGuiApplication::setOverrideCursor(Qt::BlankCursor);
            m_pointerHidden = true;
        }
    } else {
        showPointer();
    }
}

void Kiosk::showPointer() {
    if (!m_pointerHidden) return;
    QGuiApplication::restoreOverrideCursor();
    m_pointerHidden = false;
}

}  // namespace app
