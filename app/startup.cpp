#include "app/startup.h"

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "app/guarded_application.h"
#include "app/kiosk.h"
#include "app/main_window.h"
#include "app/program.h"
#include "app/ui_probe.h"
#include "app/watchdog.h"
#include "app/widget_style.h"
#include "display/ui/metafile_converter.h"
#include "errors/recovery.h"
#include "errors/standard_eh.h"
#include "platform/dialogs.h"
#include "platform/system_info.h"
#include "platform/ui/dialog_boxes.h"
#include "platform/ui/screen_awake.h"
#include "startup/dbe_sys.h"
#include "startup/program_end.h"

namespace app {
namespace {

// How long the end of the program waits for a display turn in progress after
// the window has closed; the whole end stays within a second.
constexpr std::chrono::milliseconds kTurnPatience{500};

// The exit procedure: no conversion child outlives the program, and the
// screen saver is the system's again. Tables need no closing here: each is
// open only inside the operation that uses it, and what a save cut short by
// the end leaves is a temporary file, which startup::endProgram removes.
void AppExit() {
    display::ui::MetafileConverter::endAll();
    platform::ui::ScreenAwake::releaseAll();
}

}  // namespace

int runProgram(int argc, char** argv, const std::function<void(Program&)>& prepare) {
    GuardedApplication application(argc, argv);
    installFontSubstitutes();

    // The run-time's set-up before Main: table engines, error handler, AppSys.
    platform::ui::DialogBoxes dialogs;
    platform::setDialogs(&dialogs);
    startup::DbeSys();
    errors::Services services;
    services.endProgram = startup::endProgram;
    errors::ErrorSys(services);
    errors::endUnrecoveredAtTerminate();
    startup::setExitProcedure(AppExit);

    std::optional<std::string> cProf, cMode;
    if (argc >= 2) cProf = argv[1];
    if (argc >= 3) cMode = argv[2];

    // Under a watchdog, the GUI thread's sign of life, and the goodbye when
    // this function returns (not when endProgram or a crash ends the process).
    std::unique_ptr<WatchdogLink> watchdog = WatchdogLink::forThisDisplay();

    int rc = 0;
    {
        Program program(cProf, cMode);
        const Program::Claim claim = program.claimProfile();
        if (claim != Program::Claim::Claimed) {
            platform::useParentConsole();
            std::fprintf(stderr, "lumisett: the display of profile %s already runs in this folder; %s\n",
                         program.profile().c_str(),
                         claim == Program::Claim::Raised ? "its window is brought to the front"
                                                         : "it did not answer (still starting?)");
        } else {
            if (prepare) prepare(program);
            std::unique_ptr<UiProbe> probe = UiProbe::fromEnvironment(program);  // tests only
            errors::runOutermost([&] { program.start(); });
            Kiosk kiosk([&program] { return program.applied().kiosk; },
                        program.window().page(Page::Display));
            // The window's close request ends the event loop, also while a box
            // of the display turn, which has no owner, is still on the screen.
            QObject::connect(&program.window(), &MainWindow::closeRequested, &application,
                             &QCoreApplication::quit);
            rc = application.exec();
            // A timer-thread turn waiting for an answer or a conversion must
            // not hold up the end.
            dialogs.shutdown();
            display::ui::MetafileConverter::endAll();
            if (!program.finish(kTurnPatience)) {
                // The turn waits for something that does not come back (a
                // read from a share that no longer answers): end without it.
                std::fprintf(stderr, "lumisett: a display turn did not end; ending without it\n");
                watchdog.reset();  // closed all the same
                startup::endProgram(rc);
            }
        }
    }
    AppExit();
    platform::setDialogs(nullptr);
    return rc;
}

}  // namespace app
