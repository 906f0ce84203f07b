#include "app/display_bridge.h"

#include "app/main_window.h"
#include "core/ui/qt_text.h"
#include "display/ui/image_view.h"
#include "display/ui/picture_decoder.h"

namespace app {

DisplayBridge::DisplayBridge(MainWindow& window) : QObject(&window), m_window(window) {}

void DisplayBridge::post(std::function<void()> f) {
    // Queued even on the GUI thread, so calls from both threads keep their order.
    QMetaObject::invokeMethod(this, std::move(f), Qt::QueuedConnection);
}

void DisplayBridge::showFreezeButton() {
    post([this] { m_window.oFreezeButton->show(); });
}
void DisplayBridge::hideFreezeButton() {
    post([this] { m_window.oFreezeButton->hide(); });
}
void DisplayBridge::showFlasher() {
    post([this] { m_window.oFlasher->show(); });
}
void DisplayBridge::hideFlasher() {
    post([this] { m_window.oFlasher->hide(); });
}
void DisplayBridge::hidePicture() {
    post([this] { m_window.oStat->hide(); });
}

void DisplayBridge::showPicture(const std::string& file) {
    display::ui::ImageView* view = m_window.oStat;
    auto decoded =
        display::ui::decodePicture(file, view->canvasSizeSnapshot(), view->autoScaleSnapshot());
    post([this, file, decoded = std::move(decoded)]() mutable {
        m_window.oStat->setPicture(std::move(decoded), file);
        m_window.oStat->show();
    });
}

namespace {
// Title lines size themselves to their text, keeping their lower-left corner.
void setCaption(QLabel* label, const std::string& text) {
    QRect g = label->geometry();
    label->setText(core::ui::toQString(text));
    int w = std::max(label->sizeHint().width(), 1);
    label->setGeometry(g.left(), g.bottom() + 1 - g.height(), w, g.height());
}
}  // namespace

void DisplayBridge::setTitle(const std::string& text) {
    post([this, text] { setCaption(m_window.oTitle, text); });
}
void DisplayBridge::setTitle2(const std::string& text) {
    post([this, text] { setCaption(m_window.oTitle2, text); });
}
void DisplayBridge::setDescription(const std::string& text) {
    post([this, text] { m_window.oDescDispBox->setPlainText(core::ui::toQString(text)); });
}

}  // namespace app
