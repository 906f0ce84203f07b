#include "app/main_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <cmath>

#include "app/widget_style.h"
#include "core/ui/qt_text.h"
#include "display/ui/image_view.h"
#include "display/window_metrics.h"
#include "settings/ui/uppercase_sle.h"

namespace app {
namespace {

// The tab strip: each tab spans its share of the strip, in strip order
// Display (0-74 %), Choose (74-87 %), Settings (87-100 %).
class PercentTabBar : public QTabBar {
public:
    using QTabBar::QTabBar;

protected:
    QSize tabSizeHint(int index) const override {
        static const double shares[] = {0.74, 0.13, 0.13};
        QSize base = QTabBar::tabSizeHint(index);
        int w = int(std::floor(width() * shares[index < 3 ? index : 2]));
        return {std::max(w, 10), base.height()};
    }
    QSize minimumTabSizeHint(int index) const override { return tabSizeHint(index); }
};

QLabel* makeLabel(QWidget* parent, const std::string& font) {
    auto* l = new QLabel(parent);
    l->setFont(compoundFont(font));
    return l;
}

QPushButton* makeButton(QWidget* parent, const char* caption) {
    auto* b = new QPushButton(caption, parent);
    setColours(b, -40, -58, true);
    b->setFocusPolicy(Qt::StrongFocus);
    return b;
}

}  // namespace

MainWindow::MainWindow(const WindowSetup& setup) : m_setup(setup) {
    setWindowTitle("Lumisett by Tillmaster Solutions CC");
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint);
    setFont(compoundFont("8.Helv.normal"));
    setColours(this, 15);
}

std::string MainWindow::welcomeText() {
    return "\r\n    WELCOME TO THE\r\n\r\n Vendora DATA DISPLAYER\r\n\r\n        VERSION 1.1";
}

void MainWindow::create(std::function<void(const std::string& code)> onManualCode) {
    QScreen* screen = QGuiApplication::primaryScreen();
    QRect desk = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    if (m_setup.nFrameState == 2) {
        m_nWidth = desk.width();
        m_nHeight = desk.height();
    }
    // The drawing area is the window less its frame and title bar.
    QSize client(m_nWidth - 6, m_nHeight - 28);
    int top = desk.height() - int(std::lround(m_setup.posY)) - m_nHeight;
    move(desk.left() + int(std::lround(m_setup.posX)), desk.top() + top);
    if (m_setup.nFrameState == 2) {
        resize(client);
        showMaximized();
    } else {
        setFixedSize(client);
        show();
    }
    activateWindow();
    setFocus();

    display::WindowMetrics metrics = display::windowMetrics(m_nWidth);
    m_cFont = metrics.cFont;
    m_nOffset = metrics.nOffset;

    oTabStrip = new PercentTabBar(this);
    oTabStrip->setFont(compoundFont("12.Times New Roman"));
    oTabStrip->setExpanding(false);
    oTabStrip->setDrawBase(false);
    QString caption = core::ui::toQString("The " + m_setup.cProgName +
                                          "Tillmaster - data displayer - version 1.1 - " +
                                          m_setup.cProf);
    oTabStrip->addTab(caption);
    oTabStrip->addTab("Choose");
    oTabStrip->addTab("Settings");
    oTabStrip->setGeometry(0, 0, m_nWidth - 12, oTabStrip->sizeHint().height());
    oTabStrip->setUsesScrollButtons(false);
    oTabStrip->setElideMode(Qt::ElideRight);

    oImageTab = makePage(kStripDisplay);
    oSettingsTab = makePage(kStripSettings);
    oChooseTab = makePage(kStripChoose);
    oSettingsTab->hide();
    oChooseTab->hide();
    oTabStrip->raise();
    oTabStrip->show();
    // Clicking a tab runs its page's action, also for the page already shown.
    connect(oTabStrip, &QTabBar::tabBarClicked, this, [this](int index) {
        if (index == kStripDisplay) showDisplayPage();
        if (index == kStripChoose) showChoosePage();
        if (index == kStripSettings) showSettingsPage();
    });
    buildDisplayPage(std::move(onManualCode));
}

QWidget* MainWindow::makePage(int) {
    auto* page = new QWidget(this);
    QSize client = size();
    page->setGeometry(0, client.height() - (m_nHeight - 28), m_nWidth - 12, m_nHeight - 28);
    page->setFont(compoundFont("12.Times New Roman"));
    setColours(page, -40);
    page->show();
    return page;
}

void MainWindow::selectStrip(int index) {
    QSignalBlocker block(oTabStrip);
    oTabStrip->setCurrentIndex(index);
}

void MainWindow::showDisplayPage() {
    oChooseTab->hide();
    oSettingsTab->hide();
    oImageTab->show();
    selectStrip(kStripDisplay);
}

void MainWindow::showSettingsPage() {
    oChooseTab->hide();
    oImageTab->hide();
    oSettingsTab->show();
    selectStrip(kStripSettings);
}

void MainWindow::showChoosePage() {
    oSettingsTab->hide();
    oImageTab->hide();
    oChooseTab->show();
    selectStrip(kStripChoose);
}

void MainWindow::buildDisplayPage(std::function<void(const std::string&)> onManualCode) {
    const double P = display::windowMetrics(m_nWidth).pictureWidth;
    QWidget* page = oImageTab;

    oDescDispBox = new QPlainTextEdit(page);
    placeBottomLeft(oDescDispBox, P + 12, 30, m_nWidth - 24 - P, m_nHeight - 88);
    setColours(oDescDispBox, -47);
    oDescDispBox->setFont(compoundFont(m_cFont));
    oDescDispBox->setReadOnly(true);
    oDescDispBox->setUndoRedoEnabled(false);
    oDescDispBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    oDescDispBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    oDescDispBox->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    oDescDispBox->setPlainText(core::ui::toQString(welcomeText()));

    oStat = new display::ui::ImageView(page);
    placeBottomLeft(oStat, 12, 20 + m_nOffset, P, m_nHeight - 76 - m_nOffset);

    oTitle = makeLabel(page, m_cFont);
    placeBottomLeft(oTitle, 12, 3, 256, 16 + m_nOffset);
    oTitle2 = makeLabel(page, "12.Times New Roman");
    placeBottomLeft(oTitle2, 270, 3, 100, 16);

    oShowButton = makeButton(page, "Show");
    placeBottomLeft(oShowButton, 375, 4, 47, 24);
    oWatchButton = makeButton(page, "Watch");
    placeBottomLeft(oWatchButton, 425, 4, 47, 24);
    oFreezeButton = makeButton(page, "Freeze/Manual");
    placeBottomLeft(oFreezeButton, 487, 4, 98, 24);

    oManualEntry = new settings::ui::UppercaseSLE(std::move(onManualCode), page);
    oManualEntry->setFont(compoundFont("16.Courier.normal"));
    placeBottomLeft(oManualEntry, 487, 4, 98, 24);
    oManualEntry->hide();

    oFlasher = makeLabel(page, "12.Times New Roman");
    oFlasher->setText("*");
    placeBottomLeft(oFlasher, 475, 12, 12, 12);
    oFlasher->setFocusPolicy(Qt::NoFocus);
    oFlasher->hide();
    oFlasher->raise();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    emit closeRequested();
    event->accept();
}

}  // namespace app
