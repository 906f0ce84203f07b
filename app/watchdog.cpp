#include "app/watchdog.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QProcess>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/program.h"
#include "core/profile.h"
#include "platform/append_file.h"
#include "platform/file_stamp.h"
#include "platform/heartbeat.h"
#include "platform/single_instance.h"
#include "platform/ui/qt_text.h"
#include "settings/net_name.h"
#include "settings/param_file.h"
#include "startup/restart_policy.h"

namespace app {
namespace {

using startup::DisplayEnd;
using startup::WatchdogClock;

constexpr std::chrono::seconds kHeartbeatPeriod{1};
// Years of restarts; a display that crashes all day long stops the log there.
constexpr std::uint64_t kWatchdogLogMaxBytes = 1u << 20;

// Supervises one display: starts it, reads its heartbeats, decides at its end.
class Watchdog : public QObject {
public:
    Watchdog(QString program, QStringList arguments, std::string profile)
        : m_profile(std::move(profile)) {
        m_child.setProgram(std::move(program));
        m_child.setArguments(std::move(arguments));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kSupervisedVariable), QStringLiteral("1"));
        m_child.setProcessEnvironment(env);
        m_child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QObject::connect(&m_child, &QProcess::readyReadStandardOutput, this, [this] { readBeats(); });
        QObject::connect(&m_child, &QProcess::started, this, [this] {
            log("display started (process " + std::to_string(m_child.processId()) + ")");
        });
        QObject::connect(&m_child, &QProcess::finished, this,
                         [this](int code, QProcess::ExitStatus status) { ended(code, status); });
        QObject::connect(&m_child, &QProcess::errorOccurred, this, [this](QProcess::ProcessError e) {
            if (e == QProcess::FailedToStart) ended({DisplayEnd::Kind::FailedToStart, 0});
        });
        m_look.setInterval(kHeartbeatPeriod);
        QObject::connect(&m_look, &QTimer::timeout, this, [this] { lookForLife(); });
    }

    void start() {
        QStringList words{QStringLiteral("lumisett")};
        words += m_child.arguments();
        log("watchdog started: " + platform::ui::fromQString(words.join(QLatin1Char(' '))));
        startDisplay();
        m_look.start();
    }

private:
    void startDisplay() {
        m_killedAsHung = false;
        m_saidGoodbye = false;
        m_lastSign = WatchdogClock::now();
        m_child.start();
    }

    void readBeats() {
        const QByteArray data = m_child.readAllStandardOutput();
        const char alive = static_cast<char>(platform::Beat::Alive);
        const char goodbye = static_cast<char>(platform::Beat::Goodbye);
        if (data.contains(alive)) m_lastSign = WatchdogClock::now();
        if (data.contains(goodbye)) m_saidGoodbye = true;
        QByteArray rest = data;
        rest.replace(alive, QByteArray()).replace(goodbye, QByteArray());
        if (!rest.isEmpty()) {
            std::fwrite(rest.constData(), 1, std::size_t(rest.size()), stdout);
            std::fflush(stdout);
        }
    }

    void lookForLife() {
        if (m_child.state() != QProcess::Running || m_killedAsHung) return;
        if (!startup::isHung(m_lastSign, WatchdogClock::now())) return;
        m_killedAsHung = true;
        m_child.kill();
    }

    void ended(int code, QProcess::ExitStatus status) {
        // What the pipe still holds (the goodbye) before the end is judged.
        readBeats();
        DisplayEnd end{DisplayEnd::Kind::Failed, code};
        if (m_killedAsHung) end.kind = DisplayEnd::Kind::Hung;
        // Exit code 0 without a goodbye: killed from outside with that code
        // (on Windows TerminateProcess may give any code).
        else if (status == QProcess::CrashExit || (code == 0 && !m_saidGoodbye))
            end.kind = DisplayEnd::Kind::Crashed;
        else if (code == 0) end.kind = DisplayEnd::Kind::Closed;
        ended(end);
    }

    void ended(DisplayEnd end) {
        switch (m_policy.ended(end, WatchdogClock::now())) {
            case startup::WatchdogStep::End:
                log("display closed (exit code 0); the watchdog ends");
                QCoreApplication::exit(0);
                break;
            case startup::WatchdogStep::Restart:
                log("restarting the display: " + startup::describeEnd(end));
                QTimer::singleShot(startup::kRestartDelay, this, [this] { startDisplay(); });
                break;
            case startup::WatchdogStep::GiveUp:
                log("giving up: " + startup::describeEnd(end) + " after " +
                    std::to_string(startup::kMaxRestarts) + " restarts within " +
                    std::to_string(startup::kRestartWindow.count()) +
                    " minutes; the display stays closed");
                QCoreApplication::exit(1);
                break;
        }
    }

    // One line of the log, appended and closed at once, so that the support
    // staff can read it at any time. Never through a link or into anything
    // but a plain file of its own (platform::appendToFile); a log grown to
    // kWatchdogLogMaxBytes takes no more lines.
    void log(const std::string& text) {
        const std::string line =
            platform::ui::fromQString(
                QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))) +
            "  " + m_profile + "  " + text + "\r\n";
        std::fprintf(stderr, "lumisett watchdog: %s\n", text.c_str());
        const auto stamp = platform::fileStamp(startup::kWatchdogLog);
        platform::Status st = stamp && stamp->size + line.size() > kWatchdogLogMaxBytes
                                  ? platform::Status::ioError("the log is full")
                                  : platform::appendToFile(startup::kWatchdogLog, line);
        if (!st.isOk() && !m_logFailed) {
            std::fprintf(stderr, "lumisett watchdog: cannot write %s: %s\n", startup::kWatchdogLog,
                         st.message().c_str());
        }
        if (!st.isOk()) m_logFailed = true;
    }

    std::string m_profile;
    QProcess m_child;
    QTimer m_look;
    startup::RestartPolicy m_policy;
    WatchdogClock::time_point m_lastSign;
    bool m_killedAsHung = false;
    bool m_saidGoodbye = false;
    bool m_logFailed = false;
};

}  // namespace

std::optional<int> runWatchdog(int argc, char** argv) {
    if (std::getenv(kSupervisedVariable)) return std::nullopt;
    std::optional<std::string> cProf;
    if (argc >= 2) cProf = argv[1];
    const std::string profile = core::deriveProfile(cProf, settings::NetName);
    const std::string paramFile = core::profileFiles(core::currentAppPath(), profile).paramFile;
    settings::Settings s;
    settings::ReadParam(paramFile, s);
    if (!s.watchdog) return std::nullopt;
    {
        // A display of the profile runs already: this start is a second one.
        // The claim is let go again before the display is started.
        platform::SingleInstance running(Program::claimKey(paramFile));
        if (!running.claim()) return std::nullopt;
    }

    QCoreApplication application(argc, argv);
    Watchdog watchdog(QCoreApplication::applicationFilePath(), QCoreApplication::arguments().mid(1),
                      profile);
    watchdog.start();
    return application.exec();
}

std::unique_ptr<WatchdogLink> WatchdogLink::forThisDisplay() {
    if (!std::getenv(kSupervisedVariable)) return nullptr;
    return std::unique_ptr<WatchdogLink>(new WatchdogLink);
}

WatchdogLink::WatchdogLink() {
    m_timer.setInterval(kHeartbeatPeriod);
    QObject::connect(&m_timer, &QTimer::timeout, [] { platform::sendHeartbeat(); });
    platform::sendHeartbeat();
    m_timer.start();
}

WatchdogLink::~WatchdogLink() { platform::sendHeartbeat(platform::Beat::Goodbye); }

}  // namespace app
