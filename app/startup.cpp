#include "app/startup.h"

#include <QApplication>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "app/program.h"
#include "app/ui_probe.h"
#include "app/widget_style.h"
#include "errors/standard_eh.h"
#include "platform/dialogs.h"
#include "platform/system_info.h"
#include "platform/ui/dialog_boxes.h"
#include "settings/ui/get_filename.h"
#include "startup/app_exit.h"
#include "startup/dbe_sys.h"
#include "startup/program_end.h"
#include "workareas/work_area.h"

namespace app {

int runProgram(int argc, char** argv) {
    QApplication application(argc, argv);
    installFontSubstitutes();

    // The run-time's set-up before Main: table engines, error handler, AppSys.
    platform::ui::DialogBoxes dialogs;
    platform::setDialogs(&dialogs);
    startup::DbeSys();
    errors::Services services;
    services.endProgram = startup::endProgram;
    errors::ErrorSys(services);
    startup::setExitProcedure(startup::AppExit);
    settings::ui::setWorkAreaHooks({[] {
                                        int n = workareas::currentArea();
                                        workareas::selectArea(0);
                                        return n;
                                    },
                                    [](int n) { workareas::selectArea(n); }});

    std::optional<std::string> cProf, cMode;
    if (argc >= 2) cProf = argv[1];
    if (argc >= 3) cMode = argv[2];

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
            program.start();
            std::unique_ptr<UiProbe> probe = UiProbe::fromEnvironment(program);  // tests only
            rc = application.exec();
            // A timer-thread turn waiting for an answer must not hold up the end.
            dialogs.shutdown();
            program.finish();
        }
    }
    startup::AppExit();
    platform::setDialogs(nullptr);
    return rc;
}

}  // namespace app
