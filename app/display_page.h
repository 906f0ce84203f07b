#pragma once

#include <QObject>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "display/display_cycle.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QWidget;

namespace display::ui {
class ImageView;
}
namespace settings::ui {
class UppercaseSLE;
}

namespace app {

// The Display page: the picture, the description box, the two title lines,
// the Show, Watch and Freeze/Manual buttons with the manual entry field in the
// button's place, and the "*" flasher. The display cycle reaches it only
// through display::DisplayWindow; the program's source actions through the
// few GUI-thread members below. The widgets belong to the page.
class DisplayPage : public QObject, public display::DisplayWindow {
    Q_OBJECT
public:
    // What the page's own controls ask for.
    struct Actions {
        std::function<void()> show, watch, freeze;
        // A complete code from the manual entry field (normalised), GUI thread.
        std::function<void(const std::string& code)> manualCode;
    };
    // The page's measures: the window's size and its fonts (display::windowMetrics).
    struct Measures {
        int nWidth = 600, nHeight = 400;
        std::string cFont;
        int nOffset = 0;
    };

    // Builds the widgets on `page` (which must have its final size) in their
    // order. GUI thread.
    DisplayPage(QWidget* page, const Measures& measures, Actions actions);

    // display::DisplayWindow, any thread: every call is posted to the GUI
    // thread in order and never waited for; a picture is decoded on the
    // calling thread and only the finished image goes to the widget.
    void showFreezeButton() override;
    void hideFreezeButton() override;
    void showFlasher() override;
    void hideFlasher() override;
    void hidePicture() override;
    void showPicture(const std::string& file) override;
    void preparePicture(const std::string& file) override;
    void setTitle(const std::string& text) override;
    void setTitle2(const std::string& text) override;
    void setDescription(const std::string& text) override;

    // The source actions' own changes, at once. GUI thread.
    void leaveManualEntry();  // the entry field hidden, Freeze/Manual shown
    void enterManualEntry();  // the entry field shown, emptied and focused; the button hidden
    void focusManualEntry();
    void showFreezeButtonNow();

    // What the page shows now, for tests and tools. GUI thread.
    std::string description() const;
    std::string title() const;
    std::string title2() const;
    std::string pictureFile() const;
    bool manualEntryShown() const;
    bool freezeButtonShown() const;
    display::ui::ImageView& pictureView() const { return *m_stat; }
    QWidget* manualEntry() const;

    // The widgets under the names the UI probe gives them.
    std::vector<std::pair<const QWidget*, const char*>> probeNames() const;

    // The welcome text of the description box.
    static std::string welcomeText();

private slots:
    void runPosted();

private:
    void post(std::function<void()> f);

    // Calls from the timer thread wait here for the GUI thread, in order.
    std::mutex m_postedMutex;
    std::deque<std::function<void()>> m_posted;

    QPlainTextEdit* m_descDispBox = nullptr;
    display::ui::ImageView* m_stat = nullptr;
    QLabel* m_title = nullptr;
    QLabel* m_title2 = nullptr;
    QPushButton* m_showButton = nullptr;
    QPushButton* m_watchButton = nullptr;
    QPushButton* m_freezeButton = nullptr;
    settings::ui::UppercaseSLE* m_manualEntry = nullptr;
    QLabel* m_flasher = nullptr;
};

}  // namespace app
