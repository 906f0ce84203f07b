#pragma once

#include <QApplication>

namespace app {

// The program's application object. Every event the GUI thread delivers
// (clicks, key presses, timers, queued calls, and the slots and lambdas they
// reach, also in the nested loops of message boxes) goes through notify: an
// error that nothing recovered from, or any other exception, ends the program
// with the error log and exit code 1 (errors::runOutermost) instead of
// unwinding through the toolkit.
class GuardedApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace app
