#include "app/display_page.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>

#include "app/widget_style.h"
#include "display/ui/image_view.h"
#include "display/window_metrics.h"
#include "platform/ui/qt_text.h"
#include "settings/ui/uppercase_sle.h"

namespace app {
namespace {

// The title lines show an item code and a station name as they stand: text
// that looks like markup (a code "<h1>", "<table width=100000>") is never laid
// out as rich text, which would hide it or stretch the label.
QLabel* makeLabel(QWidget* parent, const std::string& font) {
    auto* l = new QLabel(parent);
    l->setTextFormat(Qt::PlainText);
    l->setFont(compoundFont(font));
    return l;
}

// Title lines size themselves to their text, keeping their lower-left corner.
void setCaption(QLabel* label, const std::string& text) {
    QRect g = label->geometry();
    label->setText(platform::ui::toQString(text));
    int w = std::max(label->sizeHint().width(), 1);
    label->setGeometry(g.left(), g.bottom() + 1 - g.height(), w, g.height());
}

}  // namespace

std::string DisplayPage::welcomeText() {
    return "\r\n    WELCOME TO THE\r\n\r\n Vendora DATA DISPLAYER\r\n\r\n        VERSION 1.1";
}

DisplayPage::DisplayPage(QWidget* page, const Measures& m, Actions actions) : QObject(page) {
    const double P = display::windowMetrics(m.nWidth).pictureWidth;

    m_descDispBox = new QPlainTextEdit(page);
    placeBottomLeft(m_descDispBox, P + 12, 30, m.nWidth - 24 - P, m.nHeight - 88);
    setColours(m_descDispBox, -47);
    m_descDispBox->setFont(compoundFont(m.cFont));
    m_descDispBox->setReadOnly(true);
    m_descDispBox->setFocusPolicy(Qt::ClickFocus);  // no tab stop
    m_descDispBox->setUndoRedoEnabled(false);
    m_descDispBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_descDispBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_descDispBox->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_descDispBox->setPlainText(platform::ui::toQString(welcomeText()));

    m_stat = new display::ui::ImageView(page);
    placeBottomLeft(m_stat, 12, 20 + m.nOffset, P, m.nHeight - 76 - m.nOffset);

    m_title = makeLabel(page, m.cFont);
    placeBottomLeft(m_title, 12, 3, 256, 16 + m.nOffset);
    m_title2 = makeLabel(page, "12.Times New Roman");
    placeBottomLeft(m_title2, 270, 3, 100, 16);

    m_showButton = makeButton(page, "Show");
    placeBottomLeft(m_showButton, 375, 4, 47, 24);
    m_watchButton = makeButton(page, "Watch");
    placeBottomLeft(m_watchButton, 425, 4, 47, 24);
    m_freezeButton = makeButton(page, "Freeze/Manual");
    placeBottomLeft(m_freezeButton, 487, 4, 98, 24);

    m_manualEntry = new settings::ui::UppercaseSLE(std::move(actions.manualCode), page);
    m_manualEntry->setFont(compoundFont("16.Courier.normal"));
    placeBottomLeft(m_manualEntry, 487, 4, 98, 24);
    m_manualEntry->hide();

    m_flasher = makeLabel(page, "12.Times New Roman");
    m_flasher->setText("*");
    placeBottomLeft(m_flasher, 475, 12, 12, 12);
    m_flasher->setFocusPolicy(Qt::NoFocus);
    m_flasher->hide();
    m_flasher->raise();

    connect(m_showButton, &QPushButton::clicked, this, std::move(actions.show));
    connect(m_watchButton, &QPushButton::clicked, this, std::move(actions.watch));
    connect(m_freezeButton, &QPushButton::clicked, this, std::move(actions.freeze));
}

void DisplayPage::post(std::function<void()> f) {
    // Queued even on the GUI thread, so calls from both threads keep their
    // order. The call itself travels through our own queue, under a mutex
    // that the race checker sees (Qt's event queue it does not).
    {
        std::lock_guard lock(m_postedMutex);
        m_posted.push_back(std::move(f));
    }
    QMetaObject::invokeMethod(this, "runPosted", Qt::QueuedConnection);
}

void DisplayPage::runPosted() {
    std::function<void()> f;
    {
        std::lock_guard lock(m_postedMutex);
        if (m_posted.empty()) return;
        f = std::move(m_posted.front());
        m_posted.pop_front();
    }
    f();
}

void DisplayPage::showFreezeButton() {
    post([this] { m_freezeButton->show(); });
}
void DisplayPage::hideFreezeButton() {
    post([this] { m_freezeButton->hide(); });
}
void DisplayPage::showFlasher() {
    post([this] { m_flasher->show(); });
}
void DisplayPage::hideFlasher() {
    post([this] { m_flasher->hide(); });
}
void DisplayPage::hidePicture() {
    post([this] { m_stat->hide(); });
}
void DisplayPage::showPicture(const std::string& file) { m_stat->showPictureQueued(file); }
void DisplayPage::preparePicture(const std::string& file) { m_stat->preparePicture(file); }
void DisplayPage::setTitle(const std::string& text) {
    post([this, text] { setCaption(m_title, text); });
}
void DisplayPage::setTitle2(const std::string& text) {
    post([this, text] { setCaption(m_title2, text); });
}
void DisplayPage::setDescription(const std::string& text) {
    post([this, text] { m_descDispBox->setPlainText(platform::ui::toQString(text)); });
}

void DisplayPage::leaveManualEntry() {
    m_manualEntry->hide();
    m_freezeButton->show();
}

void DisplayPage::enterManualEntry() {
    m_manualEntry->show();
    m_manualEntry->setText(QString());
    m_freezeButton->hide();
    m_manualEntry->setFocus();
}

void DisplayPage::focusManualEntry() { m_manualEntry->setFocus(); }
void DisplayPage::showFreezeButtonNow() { m_freezeButton->show(); }

std::string DisplayPage::description() const {
    return platform::ui::fromQString(m_descDispBox->toPlainText());
}
std::string DisplayPage::title() const { return platform::ui::fromQString(m_title->text()); }
std::string DisplayPage::title2() const { return platform::ui::fromQString(m_title2->text()); }
std::string DisplayPage::pictureFile() const { return m_stat->file(); }
bool DisplayPage::manualEntryShown() const { return m_manualEntry->isVisible(); }
bool DisplayPage::freezeButtonShown() const { return m_freezeButton->isVisible(); }
QWidget* DisplayPage::manualEntry() const { return m_manualEntry; }

std::vector<std::pair<const QWidget*, const char*>> DisplayPage::probeNames() const {
    return {{m_descDispBox, "oDescDispBox"},   {m_stat, "oStat"},
            {m_title, "oTitle"},               {m_title2, "oTitle2"},
            {m_flasher, "oFlasher"},           {m_showButton, "oShowButton"},
            {m_watchButton, "oWatchButton"},   {m_freezeButton, "oFreezeButton"},
            {m_manualEntry, "oManualEntry"}};
}

}  // namespace app
