#include <windows.h>

#include <QProcess>
#include <QStringList>
#include <atomic>

#include "platform/ui/child_process.h"

namespace platform::ui {
namespace {

using Clock = std::chrono::steady_clock;

std::atomic<bool> g_stopping{false};

}  // namespace

ChildEnd runChild(const std::string& program, const std::vector<std::string>& arguments,
                  std::chrono::milliseconds limit) {
    if (g_stopping) return {};
    QStringList args;
    for (const std::string& a : arguments) args << QString::fromStdString(a);
    QProcess process;
    // No console: the child needs none, and one left behind a killed child
    // would outlive it.
    process.setCreateProcessArgumentsModifier([](QProcess::CreateProcessArguments* a) {
        a->flags = (a->flags & ~DWORD(CREATE_NO_WINDOW)) | DETACHED_PROCESS;
    });
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(QString::fromStdString(program), args);
    if (!process.waitForStarted(5000)) return {};
    // stopChildren is seen here within a tenth of a second.
    const auto deadline = Clock::now() + limit;
    while (process.state() != QProcess::NotRunning && !g_stopping && Clock::now() < deadline) {
        process.waitForFinished(100);
    }
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(5000);
        return {ChildEnd::Kind::TimedOut};
    }
    if (process.exitStatus() != QProcess::NormalExit) return {ChildEnd::Kind::Crashed};
    return {ChildEnd::Kind::Exited, process.exitCode()};
}

void stopChildren() { g_stopping = true; }

}  // namespace platform::ui
