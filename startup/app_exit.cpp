#include "startup/app_exit.h"

#include "workareas/work_area.h"

namespace startup {

void AppExit() { workareas::commitAndCloseEverything(); }

}  // namespace startup
