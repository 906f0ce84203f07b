#pragma once

#include <memory>
#include <optional>
#include <string>

#include "core/program_state.h"

namespace settings::ui {
class SlideListPage;
}
#include "core/profile.h"
#include "display/display_cycle.h"
#include "display/timer_loop.h"
#include "core/turn_gate.h"

namespace app {

class MainWindow;
class DisplayBridge;
class SettingsPage;

// Main's variables that the window's actions share: the actions read these
// (not copies), so Apply/Save changes what a later Show or Watch uses.
struct MainVars {
    std::string cProf;
    std::optional<std::string> cMode;
    std::string cBuffer = "Enter the path to the 'image.temp' file here. Click on HELP for more.";
    std::string cPath = "\\\\SERVER\\home\\jewel";
    double nSlow = 100;
    double nFast = 10;
    core::Position aPos;
    core::Position aCentre;
    int nFrameState = 3;
};

// The program: start-up, the display sources' actions, the display timer
// thread and the end. One instance, GUI thread.
class Program {
public:
    Program(std::optional<std::string> cProf, std::optional<std::string> cMode);
    ~Program();

    // Start-up up to the event loop: parameters, window, holders, pages, start
    // mode; the timer thread starts `startDelayMs` later (2 seconds).
    void start(int startDelayMs = 2000);
    // Stops the timer thread (after a turn in progress) and runs the exit
    // procedure. Called once the event loop has ended.
    void finish();

    // The actions of the display source buttons.
    void showAction();       // Show (Display page)
    void watchAction();      // Watch
    void freezeAction();     // Freeze/Manual
    void listShowAction();   // Show (Slide Show List page)
    void applySaveAction();  // Apply/Save (Settings page)
    void helpAction();       // Help (Settings page)

    MainVars& vars() { return m_vars; }
    MainWindow& window() { return *m_window; }
    SettingsPage& settingsPage() { return *m_settings; }
    settings::ui::SlideListPage& listPage() { return *m_listPage; }
    DisplayBridge& bridge() { return *m_bridge; }
    core::TurnGate& gate() { return m_gate; }
    // Runs one turn on the calling (GUI) thread, or hands it to the timer
    // thread when a turn is running there.
    void guiTurn(const std::string& cCodeFile);

private:
    void timerTurn();
    void buildSettingsPage();

    MainVars m_vars;
    core::ProgramState& m_state;
    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<SettingsPage> m_settings;
    settings::ui::SlideListPage* m_listPage = nullptr;  // owned by the Choose page
    DisplayBridge* m_bridge = nullptr;  // owned by the window
    core::TurnGate m_gate;
    std::unique_ptr<display::DisplayCycle> m_cycle;
    std::unique_ptr<display::TimerThread> m_timer;
};

}  // namespace app
