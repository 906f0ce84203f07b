#include "inventory/app_exit.h"

#include "workareas/work_area.h"

namespace inventory {

void AppExit() { workareas::commitAndCloseEverything(); }

}  // namespace inventory
