#pragma once

#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "graphics/ui/widget_pres_space.h"

class QTabBar;

namespace app {

// What the window is built from (Main's variables at start-up).
struct WindowSetup {
    std::string cProf;
    std::string cProgName;
    double posX = 0, posY = 0;  // lower-left corner from the screen's lower-left corner
    int nFrameState = 3;        // 1 minimised, 2 maximised, 3 (or anything else) normal
    QScreen* screen = nullptr;  // the screen it opens on; null: targetScreen()
};

// The three tab pages, in the order of the tab strip: Display 0 % to 74 %,
// Choose 74 % to 87 %, Settings 87 % to 100 %.
enum class Page { Display = 0, Choose = 1, Settings = 2 };

// The main window: a fixed 600 x 400 dialog (or maximised) whose drawing area
// holds the tab strip and the three tab pages. The pages' contents are built
// by their own classes on page(); the window only switches between them.
// Once created it is the application window: its presentation space serves
// the drawing calls that name none (graphics::appPresSpace). GUI thread only.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    explicit MainWindow(const WindowSetup& setup);
    ~MainWindow() override;

    // Shows the window at its position on its screen, in its frame state, and
    // settles its size (nWidth, nHeight: the maximised window's own size);
    // then makes the tab strip and the empty pages, the Display page shown.
    // Call once.
    void create();

    // The screen the window is placed on, which its position counts from:
    // the one it opened on, or the one moveTo put it on last.
    const QScreen* homeScreen() const;
    // Puts the shown window on `screen` (nothing when it is there already),
    // keeping its state and its place from the screen's lower-left corner
    // (app::moveToScreen); the window's size and layout stay.
    void moveTo(QScreen* screen);
    // Restores the window when minimised, raises it above the others and
    // asks for the input focus (a later start of the same profile).
    Q_INVOKABLE void bringToFront();

    int nWidth() const { return m_nWidth; }
    int nHeight() const { return m_nHeight; }
    const std::string& cFont() const { return m_cFont; }
    int nOffset() const { return m_nOffset; }

    // The widget a page's contents go on (oImageTab, oChooseTab, oSettingsTab).
    QWidget* page(Page which) const;

    // A tab's page action: hides the two other pages and shows its own, in
    // the order Display: Choose, Settings; Settings: Choose, Display; Choose:
    // Settings, Display. Whatever makes a tab current (a click, also on the
    // tab already current, the mouse wheel over the strip, the arrow keys on
    // it, a program's call) runs its action, so strip and page always agree.
    void showPage(Page which);
    // The Settings page's "Display" button: hides Settings, then Choose, and
    // shows Display.
    void showDisplayFromSettings();
    // The page shown, or none when the window is hidden.
    std::optional<Page> shownPage() const;
    std::string tabCaption(Page which) const;

    // Shows every widget of the pages that was made after the window was
    // shown and has not been shown or hidden on purpose (the manual entry
    // field and the flasher start hidden). Call once the pages are built.
    void revealPages();

    // The window's own widgets under the names the UI probe gives them.
    std::vector<std::pair<const QWidget*, const char*>> probeNames() const;

signals:
    void closeRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* makePage();
    void switchPages(Page hideFirst, Page hideSecond, Page show);

    WindowSetup m_setup;
    QPointer<QScreen> m_home;  // null once that screen is gone
    QRect m_homeRect;          // the whole of it, also when gone
    int m_nWidth = 600;
    int m_nHeight = 400;
    std::string m_cFont;
    int m_nOffset = 0;
    QTabBar* m_tabStrip = nullptr;
    QWidget* m_pages[3] = {};
    graphics::WidgetPresSpace m_presSpace;
};

}  // namespace app
