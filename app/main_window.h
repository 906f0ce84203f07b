#pragma once

#include <QPlainTextEdit>
#include <QPushButton>
#include <QLabel>
#include <QTabBar>
#include <QWidget>
#include <functional>
#include <string>

namespace display::ui {
class ImageView;
}
namespace settings::ui {
class UppercaseSLE;
}

namespace app {

// What the window is built from (Main's variables at start-up).
struct WindowSetup {
    std::string cProf;
    std::string cProgName;
    double posX = 0, posY = 0;  // lower-left corner from the screen's lower-left corner
    int nFrameState = 3;        // 3 normal, 2 maximised
};

// The main window: a fixed 600 x 400 dialog (or maximised) whose drawing area
// holds the three tab pages, with the Display page built here. The Settings
// and Slide Show List pages are filled by their own builders. GUI thread only.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    explicit MainWindow(const WindowSetup& setup);

    // Shows the window at its position, in its frame state, and settles its
    // size (nWidth, nHeight); then builds the pages. Call once.
    void create(std::function<void(const std::string& code)> onManualCode);

    int nWidth() const { return m_nWidth; }
    int nHeight() const { return m_nHeight; }
    const std::string& cFont() const { return m_cFont; }
    int nOffset() const { return m_nOffset; }

    // Page switching: hides the two other pages, shows its own.
    void showDisplayPage();
    void showSettingsPage();
    void showChoosePage();

    // The widgets other parts drive (owned by the window).
    QWidget* oImageTab = nullptr;
    QWidget* oSettingsTab = nullptr;
    QWidget* oChooseTab = nullptr;
    QPlainTextEdit* oDescDispBox = nullptr;
    display::ui::ImageView* oStat = nullptr;
    QLabel* oTitle = nullptr;
    QLabel* oTitle2 = nullptr;
    QLabel* oFlasher = nullptr;
    QPushButton* oShowButton = nullptr;
    QPushButton* oWatchButton = nullptr;
    QPushButton* oFreezeButton = nullptr;
    settings::ui::UppercaseSLE* oManualEntry = nullptr;
    QTabBar* oTabStrip = nullptr;

    // The welcome text of the description box.
    static std::string welcomeText();

signals:
    void closeRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* makePage(int stripIndex);
    void buildDisplayPage(std::function<void(const std::string&)> onManualCode);
    void selectStrip(int index);

    WindowSetup m_setup;
    int m_nWidth = 600;
    int m_nHeight = 400;
    std::string m_cFont;
    int m_nOffset = 0;
};

// Strip positions: Display 0 % to 74 %, Choose 74 % to 87 %, Settings 87 % to 100 %.
enum StripIndex { kStripDisplay = 0, kStripChoose = 1, kStripSettings = 2 };

}  // namespace app
