#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "core/program_state.h"
#include "display/display_cycle.h"
#include "display/display_mode.h"
#include "display/timer_loop.h"
#include "display/turn_gate.h"
#include "inventory/make_desc.h"
#include "settings/applied_settings.h"
#include "settings/param_file.h"
#include "settings/shown_log.h"

namespace settings::ui {
class SlideListPage;
}
namespace display::ui {
class CodeFileWatcher;
class LocalPictures;
}
namespace platform {
class SingleInstance;
}

namespace app {

class MainWindow;
class DisplayPage;
class SettingsPage;

// The program: start-up, the display sources' actions, the display timer
// thread and the end. One instance, GUI thread.
class Program {
public:
    Program(std::optional<std::string> cProf, std::optional<std::string> cMode);
    ~Program();

    // One display per profile and program folder: claims the profile before
    // start. When another process holds it, asks that one to bring its window
    // to the front (Raised), or says it did not answer in time (NoAnswer);
    // this program then does not start.
    enum class Claim { Claimed, Raised, NoAnswer };
    Claim claimProfile();
    // The key of the claim for the parameter file `paramFile` (the watchdog
    // looks for a running display with it).
    static std::string claimKey(const std::string& paramFile);
    const std::string& profile() const { return m_cProf; }

    // For tests, before start(): `wrap` may replace the display cycle's
    // lookup and file services with ones of its own (reads that wait as on a
    // share that no longer answers, app/testing/stalled_reads.h). The shipped
    // program sets none.
    using AccessWrapper =
        std::function<void(std::unique_ptr<inventory::ItemLookup>&, display::CycleServices&)>;
    void wrapDisplayAccess(AccessWrapper wrap) { m_wrapAccess = std::move(wrap); }

    // Start-up up to the event loop: parameters, window, pages, start mode;
    // the timer thread starts `startDelayMs` later (2 seconds). Once the
    // window is up, a claimed profile's later starts bring it to the front.
    void start(int startDelayMs = 2000);
    // Stops the timer thread after a turn in progress, waiting at most
    // `patience` for it. False when the turn did not end by then (it waits for
    // something that does not come back): the program must end without
    // destroying this object. Called once the event loop has ended.
    bool finish(std::chrono::milliseconds patience = std::chrono::milliseconds::max());

    // The actions of the display source buttons and the Settings page.
    void showAction();       // Show (Display page)
    void watchAction();      // Watch
    void freezeAction();     // Freeze/Manual
    void listShowAction();   // Show (Slide Show List page)
    void applySaveAction();  // Apply/Save (Settings page)
    void helpAction();       // Help (Settings page)

    // Whether start() has built the window and its pages (the accessors
    // below need them).
    bool built() const { return m_window && m_display && m_settingsPage && m_listPage; }
    MainWindow& window() { return *m_window; }
    DisplayPage& displayPage() { return *m_display; }
    SettingsPage& settingsPage() { return *m_settingsPage; }
    settings::ui::SlideListPage& listPage() { return *m_listPage; }
    display::TurnGate& gate() { return m_gate; }
    // Waits until the code file is watched as last asked; false after
    // `limit`. For tests.
    bool codeFileWatched(std::chrono::milliseconds limit);
    // The settings in force: the parameter file's from start-up, then those
    // of each Apply/Save. Any thread.
    settings::Settings applied() const { return m_applied.current(); }

    // Hands the turn `request` to the timer thread, which runs it at once or
    // after its turn in progress; the Display page shows the result when the
    // turn posts it. Never waits.
    void askTurn(const display::TurnRequest& request);
    // For whoever needs the tables for itself (the list save, the re-index),
    // with the display suspended: waits until the display's turn in progress
    // has ended (a reset turn asked of the timer thread has run), at most two
    // seconds. GUI thread.
    void releaseDisplayTables();

private:
    void timerTurn();
    // The turn's pauses: on the timer, so that a change of the code file or
    // the end of the program cuts them short.
    void pauseTurn(int hundredths);
    // Whether a change of the code file starts a turn at once: only while the
    // data monitor runs, or the idle slide show it handed over to.
    bool followsCodeFile() const;
    void buildSettingsPage();
    // Whether the till has closed the code file since it wrote it (the
    // watcher's notification, or on Windows a look at the file's sharing).
    // Timer thread.
    std::optional<bool> writerDone(const std::string& codeFile) const;
    // Puts the window on the screen the applied settings choose, when it is
    // connected, else on the primary screen.
    void followChosenScreen();
    // The lookup shows prices from [PriceOnRequest] on as its text.
    void followPriceOnRequest(const settings::Settings& s);
    // [ShownLog]: the log kept while the settings in force turn it on.
    void followShownLog(const settings::Settings& s);
    // Notes an item shown in the log, when there is one. Timer thread.
    void logShown(const std::string& code, display::Source source, const std::string& station);
    // The local picture store ([PictureStore]) on or off, filled from the
    // slide show list and the data folder the settings name.
    void followPictureStore(const settings::Settings& s);

    std::string m_cProf;
    std::optional<std::string> m_cMode;
    core::ProgramState& m_state;
    display::DisplayMode& m_mode;
    settings::AppliedSettings m_applied;
    std::unique_ptr<inventory::ItemLookup> m_lookup;
    inventory::InventoryLookup* m_inventory = nullptr;  // the lookup m_lookup holds
    std::mutex m_shownLogMutex;
    std::shared_ptr<settings::ShownLog> m_shownLog;  // [ShownLog], while on
    AccessWrapper m_wrapAccess;
    std::unique_ptr<MainWindow> m_window;
    DisplayPage* m_display = nullptr;                   // owned by the Display page widget
    std::unique_ptr<SettingsPage> m_settingsPage;
    settings::ui::SlideListPage* m_listPage = nullptr;  // owned by the Choose page
    // Before the gate and the timer, whose turns tell it of themselves: it
    // goes after them.
    std::unique_ptr<display::ui::LocalPictures> m_pictures;
    display::TurnGate m_gate;
    std::unique_ptr<display::DisplayCycle> m_cycle;
    std::unique_ptr<display::TimerThread> m_timer;
    std::unique_ptr<display::ui::CodeFileWatcher> m_watcher;
    std::unique_ptr<platform::SingleInstance> m_instance;  // the claim, while claimed
};

}  // namespace app
