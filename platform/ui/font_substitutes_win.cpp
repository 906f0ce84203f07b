#include "platform/ui/font_substitutes.h"

namespace platform::ui {

void substituteWindowsFonts() {}  // the system has them

}  // namespace platform::ui
