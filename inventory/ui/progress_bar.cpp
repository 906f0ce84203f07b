#include "inventory/ui/progress_bar.h"

#include <QPainter>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <qdrawutil.h>

#include "graphics/ui/gra.h"

namespace inventory {

namespace {

// The frame drawn round the squares, in pixels; the drawing arithmetic leaves
// room for it.
constexpr int kFrameWidth = 2;

// Longest single sleep, so that an absurd maxWait cannot overflow the clock.
constexpr double kLongestWait = 360000;  // an hour, in hundredths

}  // namespace

ProgressBar::ProgressBar(QWidget* parent, graphics::Point pos, graphics::Size size, bool visible)
    : QWidget(parent), m_pos(pos), m_visible(visible), m_ps(&m_image, palette()) {
    hide();
    place(size);
}

ProgressBar::~ProgressBar() {
    stopThread();
    std::lock_guard lock(m_joinLock);
    if (!m_thread.joinable())
        return;
    if (std::this_thread::get_id() == m_thread.get_id())
        m_thread.detach();
    else
        m_thread.join();
}

ProgressBar& ProgressBar::create() {
    if (m_created)
        return *this;
    m_created = true;
    place({double(width()), double(height())});  // the parent may have been laid out since
    m_model.created(width(), height());
    if (m_visible)
        show();
    m_active = true;
    m_thread = std::thread(&ProgressBar::run, this);
    return *this;
}

void ProgressBar::run() {
    m_drawingThread = std::this_thread::get_id();
    QMetaObject::invokeMethod(this, "showFromThread", Qt::QueuedConnection);
    do {
        execute();
    } while (m_repeat);
    m_active = false;
}

void ProgressBar::execute() {
    wait(m_model.maxWait());
    display();
}

void ProgressBar::stopThread() {
    m_repeat = false;
    signal();
}

ProgressBar& ProgressBar::destroy() {
    stopThread();
    if (std::this_thread::get_id() != m_drawingThread.load()) {
        std::lock_guard lock(m_joinLock);
        if (m_thread.joinable())
            m_thread.join();
    }
    m_destroyed = true;
    if (QThread::currentThread() == thread())
        hide();
    else
        QMetaObject::invokeMethod(this, "hideFromThread", Qt::QueuedConnection);
    return *this;
}

ProgressBar& ProgressBar::setSize(graphics::Size size) {
    graphics::PresSpace* ps = lockPS();
    fill(ps, kEraseColor, ProgressModel::clearBox(m_image.width(), m_image.height()));
    unlockPS();
    place(size);
    return *this;
}

void ProgressBar::place(graphics::Size size) {
    // Without a parent the widget's own lower-left corner is the origin.
    const int parentHeight = parentWidget() ? parentWidget()->height() : int(size.height + m_pos.y);
    const graphics::PixelRect r = graphics::widgetRect(m_pos, size, parentHeight);
    setGeometry(r.left, r.top, r.width, r.height);
    resizeImage(QSize(r.width, r.height));
}

ProgressBar& ProgressBar::setMinimum(double n) {
    m_model.setMinimum(n);
    return *this;
}

ProgressBar& ProgressBar::setMaximum(double n) {
    m_model.setMaximum(n);
    return *this;
}

void ProgressBar::increment(double n) {
    if (m_model.increment(n))
        signal();
}

void ProgressBar::signal() {
    std::lock_guard lock(m_signalLock);
    m_signalled = true;
    m_wake.notify_one();
}

void ProgressBar::wait(double hundredths) {
    const double ms = std::clamp(hundredths, 0.0, kLongestWait) * 10;  // NaN counts as 0
    std::unique_lock lock(m_signalLock);
    m_wake.wait_for(lock, std::chrono::duration<double, std::milli>(ms),
                    [this] { return m_signalled || !m_repeat; });
    m_signalled = false;
}

graphics::PresSpace* ProgressBar::lockPS() {
    m_psLock.lock();
    return &m_ps;
}

void ProgressBar::unlockPS() {
    m_psLock.unlock();
}

void ProgressBar::fill(graphics::PresSpace* ps, double color, const Box& box) {
    graphics::GraSetAttrArea(ps, graphics::AreaAttrs{color});
    ps->fillBox({box.x1, box.y1}, {box.x2, box.y2});
}

void ProgressBar::display() {
    graphics::PresSpace* ps = lockPS();
    const BarDrawing d = m_model.layout(m_image.width(), m_image.height());
    if (d.erase)
        fill(ps, kEraseColor, *d.erase);
    for (const Box& square : d.squares)
        fill(ps, d.color, square);
    unlockPS();
    QMetaObject::invokeMethod(this, "repaintFromThread", Qt::QueuedConnection);
}

QImage ProgressBar::snapshot() const {
    std::lock_guard lock(m_psLock);
    return m_image.copy();
}

void ProgressBar::resizeImage(QSize size) {
    std::lock_guard lock(m_psLock);
    if (m_image.size() == size)
        return;
    m_image = QImage(size, QImage::Format_RGB32);
    m_image.fill(Qt::white);
}

void ProgressBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    {
        std::lock_guard lock(m_psLock);
        painter.drawImage(0, 0, m_image);
    }
    qDrawShadePanel(&painter, rect(), palette(), true, kFrameWidth);
}

void ProgressBar::resizeEvent(QResizeEvent*) {
    resizeImage(size());
}

void ProgressBar::showFromThread() {
    if (!m_destroyed)
        show();
}

void ProgressBar::hideFromThread() {
    hide();
}

void ProgressBar::repaintFromThread() {
    if (m_destroyed)
        return;
    emit redrawn();
    update();
}

}  // namespace inventory
