#include "app/main_window.h"

#include <QCloseEvent>
#include <QIcon>
#include <QPainter>
#include <QTabBar>
#include <cmath>

#include "app/widget_style.h"
#include "app/window_placement.h"
#include "display/window_metrics.h"
#include "graphics/color_codes.h"
#include "graphics/ui/gra.h"
#include "platform/ui/qt_text.h"

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

}  // namespace

MainWindow::MainWindow(const WindowSetup& setup)
    : m_setup(setup),
      m_home(setup.screen ? setup.screen : targetScreen()),
      m_homeRect(screenRect(m_home)),
      m_presSpace(this, graphics::kClrPaleGray) {
    setWindowTitle("Lumisett by Tillmaster Solutions CC");
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint);
    // The program's icon (the .exe's resource 1, the desktop entry's picture).
    setWindowIcon(QIcon(QStringLiteral(":/lumisett.ico")));
    setFont(compoundFont("8.Helv.normal"));
    setColours(this, graphics::kClrPaleGray);
}

MainWindow::~MainWindow() {
    if (graphics::appPresSpace() == &m_presSpace) graphics::setAppPresSpace(nullptr);
}

const QScreen* MainWindow::homeScreen() const { return m_home ? m_home.data() : targetScreen(); }

void MainWindow::bringToFront() {
    if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void MainWindow::moveTo(QScreen* screen) {
    if (!screen || screen == m_home) return;
    moveToScreen(this, m_homeRect, screen);
    m_home = screen;
    m_homeRect = screenRect(screen);
}

void MainWindow::create() {
    const QScreen* screen = homeScreen();
    // The drawing area is the window less its frame and title bar.
    const QSize client(m_nWidth - 6, m_nHeight - 28);
    const core::Position pos{m_setup.posX, m_setup.posY};
    switch (m_setup.nFrameState) {
    case 1:
        setFixedSize(client);
        showMinimisedAt(this, pos, screen);
        break;
    case 2:
        showMaximisedOn(this, screen);
        m_nWidth = frameGeometry().width();
        m_nHeight = frameGeometry().height();
        break;
    default:
        setFixedSize(client);
        showAt(this, pos, screen);
        break;
    }
    graphics::setAppPresSpace(&m_presSpace);
    activateWindow();
    setFocus();

    display::WindowMetrics metrics = display::windowMetrics(m_nWidth);
    m_cFont = metrics.cFont;
    m_nOffset = metrics.nOffset;

    m_tabStrip = new PercentTabBar(this);
    m_tabStrip->setFont(compoundFont("12.Times New Roman"));
    m_tabStrip->setExpanding(false);
    m_tabStrip->setDrawBase(false);
    QString caption = platform::ui::toQString("The " + m_setup.cProgName +
                                              "Tillmaster - data displayer - version 1.1 - " +
                                              m_setup.cProf);
    m_tabStrip->addTab(caption);
    m_tabStrip->addTab("Choose");
    m_tabStrip->addTab("Settings");
    m_tabStrip->setGeometry(0, 0, m_nWidth - 12, m_tabStrip->sizeHint().height());
    m_tabStrip->setUsesScrollButtons(false);
    m_tabStrip->setElideMode(Qt::ElideRight);

    // Made in this order: Display, Settings, Choose.
    for (Page p : {Page::Display, Page::Settings, Page::Choose}) m_pages[int(p)] = makePage();
    page(Page::Settings)->hide();
    page(Page::Choose)->hide();
    m_tabStrip->raise();
    m_tabStrip->show();
    // A new current tab, however it came (click, wheel, arrow keys), runs its
    // page's action; a click on the current tab runs it again.
    connect(m_tabStrip, &QTabBar::currentChanged, this, [this](int index) {
        if (index >= 0 && index < 3) showPage(Page(index));
    });
    connect(m_tabStrip, &QTabBar::tabBarClicked, this, [this](int index) {
        if (index >= 0 && index < 3 && index == m_tabStrip->currentIndex()) showPage(Page(index));
    });
}

QWidget* MainWindow::makePage() {
    auto* page = new QWidget(this);
    QSize client = size();
    page->setGeometry(0, client.height() - (m_nHeight - 28), m_nWidth - 12, m_nHeight - 28);
    page->setFont(compoundFont("12.Times New Roman"));
    setColours(page, -40);
    page->show();
    return page;
}

QWidget* MainWindow::page(Page which) const { return m_pages[int(which)]; }

void MainWindow::showPage(Page which) {
    switch (which) {
    case Page::Display: switchPages(Page::Choose, Page::Settings, Page::Display); break;
    case Page::Settings: switchPages(Page::Choose, Page::Display, Page::Settings); break;
    case Page::Choose: switchPages(Page::Settings, Page::Display, Page::Choose); break;
    }
}

void MainWindow::showDisplayFromSettings() {
    switchPages(Page::Settings, Page::Choose, Page::Display);
}

void MainWindow::switchPages(Page hideFirst, Page hideSecond, Page show) {
    page(hideFirst)->hide();
    page(hideSecond)->hide();
    page(show)->show();
    QSignalBlocker block(m_tabStrip);
    m_tabStrip->setCurrentIndex(int(show));
}

std::optional<Page> MainWindow::shownPage() const {
    if (!isVisible()) return std::nullopt;
    for (Page p : {Page::Display, Page::Settings, Page::Choose}) {
        if (page(p)->isVisible()) return p;
    }
    return std::nullopt;
}

std::string MainWindow::tabCaption(Page which) const {
    return platform::ui::fromQString(m_tabStrip->tabText(int(which)));
}

std::vector<std::pair<const QWidget*, const char*>> MainWindow::probeNames() const {
    return {{page(Page::Display), "oImageTab"},
            {page(Page::Settings), "oSettingsTab"},
            {page(Page::Choose), "oChooseTab"},
            {m_tabStrip, "oTabStrip"}};
}

void MainWindow::revealPages() {
    for (QWidget* p : m_pages) {
        for (QWidget* w : p->findChildren<QWidget*>()) {
            if (!w->testAttribute(Qt::WA_WState_ExplicitShowHide)) w->show();
        }
    }
}

void MainWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    m_presSpace.paint(painter);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    emit closeRequested();
    event->accept();
}

}  // namespace app
