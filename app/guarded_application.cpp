#include "app/guarded_application.h"

#include "errors/recovery.h"

namespace app {

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
    bool handled = false;
    errors::runOutermost([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

}  // namespace app
