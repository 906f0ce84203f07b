#include "inventory/app_exit.h"

#include "tables/work_area.h"

namespace inventory {

void AppExit() { tables::commitAndCloseEverything(); }

}  // namespace inventory
