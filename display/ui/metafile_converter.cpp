#include "display/ui/metafile_converter.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <atomic>
#include <cstdio>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string_view>
#include <tuple>

#include "display/emf_check.h"
#include "display/metafile_child.h"
#include "platform/fs.h"
#include "platform/read_limits.h"
#include "platform/system_info.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif
#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>
#include <vector>
#endif

namespace display::ui {

namespace {

using Clock = std::chrono::steady_clock;

// A picture is known by its name, its content and the size it is drawn at: a
// file rewritten in place is converted again, the same file shown again is not.
struct CacheKey {
    std::string file;
    std::size_t size;
    std::size_t hash;
    int width, height;
    bool operator<(const CacheKey& o) const {
        return std::tie(file, size, hash, width, height) <
               std::tie(o.file, o.size, o.hash, o.width, o.height);
    }
};

constexpr std::size_t kCacheEntries = 32;

// Set at the end of the program: a running converter is stopped, none starts.
std::atomic<bool> g_ending{false};

#ifndef _WIN32
// LibreOffice places the imported picture as a Graphic shape on a page and
// writes that shape's BoundingBox (hundredths of a millimetre); the picture is
// that box, not the page.
QRectF graphicBounds(const QByteArray& svg) {
    const qsizetype graphic = svg.indexOf("class=\"Graphic\"");
    if (graphic < 0) return {};
    const qsizetype box = svg.indexOf("class=\"BoundingBox\"", graphic);
    if (box < 0) return {};
    const qsizetype end = svg.indexOf('>', box);
    const QString tag = QString::fromUtf8(svg.mid(box, end < 0 ? -1 : end - box));
    auto attr = [&](const char* name) {
        QRegularExpression re(QStringLiteral("\\b%1=\"([-0-9.]+)\"").arg(QLatin1String(name)));
        auto m = re.match(tag);
        return m.hasMatch() ? m.captured(1).toDouble() : -1.0;
    };
    QRectF r(attr("x"), attr("y"), attr("width"), attr("height"));
    return r.width() > 0 && r.height() > 0 ? r : QRectF();
}
#endif

// How a converter run ended: exit 0, the refusal code, another exit code, a
// signal (or an abnormal end on Windows), or stopped at its time limit.
enum class RunResult { Finished, Refused, Failed, Crashed, TimedOut };

RunResult exitResult(int code) {
    if (code == display::kMetafileConverted) return RunResult::Finished;
    if (code == display::kMetafileRefused) return RunResult::Refused;
    return RunResult::Failed;
}

#ifdef Q_OS_UNIX
// posix_spawn rather than fork: the display process is large and has threads.
// The converter gets a session of its own, so that a time-out ends the
// launcher and the office process it starts together.
// The running converter's process group, for endAll.
std::atomic<pid_t> g_running{0};

void stopRunning() {
    if (const pid_t pid = g_running.load(); pid > 0) ::kill(-pid, SIGKILL);
}

RunResult runConverter(const QString& program, const QStringList& arguments,
                       std::chrono::milliseconds limit) {
    if (g_ending) return RunResult::Failed;
    std::vector<std::string> args;
    args.push_back(program.toStdString());
    for (const QString& a : arguments) args.push_back(a.toStdString());
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    for (int fd : {0, 1, 2})
        posix_spawn_file_actions_addopen(&files, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t pid = 0;
    const int spawned =
        posix_spawn(&pid, argv[0], &files, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    posix_spawnattr_destroy(&attributes);
    if (spawned != 0) return RunResult::Failed;
    g_running = pid;
    struct Forget {
        ~Forget() { g_running = 0; }
    } forget;

    const auto deadline = Clock::now() + limit;
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (done < 0 && errno != EINTR) return RunResult::Failed;
        if (Clock::now() >= deadline || g_ending) {
            ::kill(-pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return RunResult::TimedOut;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (WIFSIGNALED(status)) return RunResult::Crashed;
    return WIFEXITED(status) ? exitResult(WEXITSTATUS(status)) : RunResult::Failed;
}
#else
void stopRunning() {}  // the waiting thread sees g_ending within a tenth of a second

RunResult runConverter(const QString& program, const QStringList& arguments,
                       std::chrono::milliseconds limit) {
    if (g_ending) return RunResult::Failed;
    QProcess process;
#ifdef Q_OS_WIN
    // No console: the child needs none, and one left behind a killed child
    // would outlive it.
    process.setCreateProcessArgumentsModifier([](QProcess::CreateProcessArguments* args) {
        args->flags = (args->flags & ~DWORD(CREATE_NO_WINDOW)) | DETACHED_PROCESS;
    });
#endif
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForStarted(5000)) return RunResult::Failed;
    const auto deadline = Clock::now() + limit;
    while (process.state() != QProcess::NotRunning && !g_ending && Clock::now() < deadline) {
        process.waitForFinished(100);
    }
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(5000);
        return RunResult::TimedOut;
    }
    if (process.exitStatus() != QProcess::NormalExit) return RunResult::Crashed;
    return exitResult(process.exitCode());
}
#endif

const char* endText(RunResult result) {
    switch (result) {
        case RunResult::Crashed: return "the converter crashed";
        case RunResult::TimedOut: return "the converter ran out of time and was stopped";
        default: return "the converter failed";
    }
}

void note(const std::string& file, const std::string& what) {
    std::fprintf(stderr, "lumisett: picture %s not shown: %s\n", file.c_str(), what.c_str());
}

// What a converter wrote: empty when it wrote nothing (or more than any picture).
QByteArray readOutput(const std::string& path) {
    std::string svg;
    if (!platform::readFile(path, &svg, platform::kPictureFileLimit).isOk()) return {};
    return QByteArray(svg.data(), qsizetype(svg.size()));
}

// The BMP a drawing child wrote, if it is a picture of exactly `size`.
QImage readDrawing(const QByteArray& bmp, QSize size) {
    QBuffer buffer;
    buffer.setData(bmp);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "bmp");
    reader.setAllocationLimit(int(display::kMetafileChildMaxPixels * 4 / (1024 * 1024)) + 1);
    if (reader.size() != size) return {};
    QImage image = reader.read();
    if (image.size() != size) return {};
    return image.convertToFormat(QImage::Format_RGB32);
}

// lumisett-tool beside the running program, else the one this build made.
QString defaultChildProgram() {
#ifdef Q_OS_WIN
    const QString name = QStringLiteral("lumisett-tool.exe");
#else
    const QString name = QStringLiteral("lumisett-tool");
#endif
    const std::string self = platform::programPath();
    if (!self.empty()) {
        const QString beside =
            QFileInfo(QString::fromStdString(self)).absoluteDir().filePath(name);
        if (QFileInfo(beside).isExecutable()) return beside;
    }
#ifdef LUMISETT_TOOL_BUILD_PATH
    if (QFileInfo(QStringLiteral(LUMISETT_TOOL_BUILD_PATH)).isExecutable())
        return QStringLiteral(LUMISETT_TOOL_BUILD_PATH);
#endif
    return {};
}

}  // namespace

struct MetafileConverter::Impl {
    std::mutex mutex;  // one conversion at a time; guards everything below
    std::string program;
    std::chrono::milliseconds timeLimit{30000};
    std::string childProgram;
    std::chrono::milliseconds childTimeLimit{10000};
    std::unique_ptr<QTemporaryDir> profile;
    std::map<CacheKey, std::optional<ConvertedMetafile>> cache;
    std::deque<CacheKey> cacheOrder;

    std::optional<ConvertedMetafile> run(const std::string& file, const std::string& bytes,
                                         QSize drawSize);
    // The child's answer: a picture, or nullopt with `refused` telling a
    // refusal (the office converter may try) from a failure.
    std::optional<ConvertedMetafile> runChild(const std::string& file, std::string_view emf,
                                              QSize drawSize, bool* refused);
#ifndef _WIN32
    std::optional<ConvertedMetafile> runOffice(const std::string& file, const std::string& bytes,
                                               bool isEmf);
#endif
};

MetafileConverter& MetafileConverter::instance() {
    static MetafileConverter converter;
    return converter;
}

MetafileConverter::MetafileConverter() : m_impl(new Impl) {}
MetafileConverter::~MetafileConverter() { delete m_impl; }

void MetafileConverter::setProgram(std::string program) {
    std::lock_guard lock(m_impl->mutex);
    m_impl->program = std::move(program);
}

void MetafileConverter::setTimeLimit(std::chrono::milliseconds limit) {
    std::lock_guard lock(m_impl->mutex);
    m_impl->timeLimit = limit;
}

void MetafileConverter::setChildProgram(std::string program) {
    std::lock_guard lock(m_impl->mutex);
    m_impl->childProgram = std::move(program);
}

void MetafileConverter::setChildTimeLimit(std::chrono::milliseconds limit) {
    std::lock_guard lock(m_impl->mutex);
    m_impl->childTimeLimit = limit;
}

void MetafileConverter::endAll() {
    g_ending = true;
    stopRunning();
}

void MetafileConverter::clearCache() {
    std::lock_guard lock(m_impl->mutex);
    m_impl->cache.clear();
    m_impl->cacheOrder.clear();
}

std::optional<ConvertedMetafile> MetafileConverter::convert(const std::string& file,
                                                            const std::string& bytes,
                                                            QSize drawSize) {
    if (!display::kMetafileChildDraws) drawSize = {};
    const CacheKey key{file, bytes.size(), std::hash<std::string>{}(bytes), drawSize.width(),
                       drawSize.height()};
    std::lock_guard lock(m_impl->mutex);
    if (auto it = m_impl->cache.find(key); it != m_impl->cache.end()) return it->second;
    auto result = m_impl->run(file, bytes, drawSize);
    if (m_impl->cacheOrder.size() >= kCacheEntries) {
        m_impl->cache.erase(m_impl->cacheOrder.front());
        m_impl->cacheOrder.pop_front();
    }
    m_impl->cache.emplace(key, result);
    m_impl->cacheOrder.push_back(key);
    return result;
}

std::optional<ConvertedMetafile> MetafileConverter::Impl::run(const std::string& file,
                                                              const std::string& bytes,
                                                              QSize drawSize) {
    const bool isEmf = bytes.size() >= 44 && bytes.compare(40, 4, " EMF") == 0;
#ifdef _WIN32
    if (!isEmf) {
        note(file, "only EMF metafiles are drawn on Windows");
        return std::nullopt;
    }
#else
    if (!isEmf) return runOffice(file, bytes, false);
#endif
    const EmfCheck check = checkEmf(bytes);
    if (!check.ok()) {
        note(file, "not a sound EMF file (" + check.fault + ")");
        return std::nullopt;
    }
    if (display::kMetafileChildDraws &&
        (drawSize.isEmpty() ||
         qint64(drawSize.width()) * drawSize.height() > display::kMetafileChildMaxPixels)) {
        note(file, "no size to draw it at");
        return std::nullopt;
    }
    bool refused = false;
    auto picture =
        runChild(file, std::string_view(bytes).substr(0, check.length), drawSize, &refused);
#ifdef _WIN32
    if (refused) note(file, "Windows cannot draw it");
    return picture;
#else
    if (picture || !refused) return picture;
    return runOffice(file, bytes.substr(0, check.length), true);
#endif
}

std::optional<ConvertedMetafile> MetafileConverter::Impl::runChild(const std::string& file,
                                                                   std::string_view emf,
                                                                   QSize drawSize,
                                                                   bool* refused) {
    *refused = false;
    const QString programPath =
        childProgram.empty() ? defaultChildProgram() : QString::fromStdString(childProgram);
    if (programPath.isEmpty()) {
        note(file, "lumisett-tool, which converts metafiles, is missing");
        return std::nullopt;
    }
    QTemporaryDir work;
    if (!work.isValid()) return std::nullopt;
    const std::string input = work.filePath(QStringLiteral("picture.emf")).toStdString();
    const std::string output =
        work.filePath(kMetafileChildDraws ? QStringLiteral("picture.bmp")
                                          : QStringLiteral("picture.svg"))
            .toStdString();
    if (!platform::writeNewFile(input, std::string(emf)).isOk()) return std::nullopt;
    QStringList arguments = {QString::fromLatin1(kConvertMetafileCommand),
                             QString::fromStdString(input), QString::fromStdString(output)};
    if (kMetafileChildDraws)
        arguments << QString::number(drawSize.width()) << QString::number(drawSize.height());
    const RunResult result = runConverter(programPath, arguments, childTimeLimit);
    if (result == RunResult::Refused) {
        *refused = true;
        return std::nullopt;
    }
    if (result != RunResult::Finished) {
        note(file, endText(result));
        return std::nullopt;
    }
    ConvertedMetafile picture;
    const QByteArray written = readOutput(output);
    if (kMetafileChildDraws)
        picture.image = readDrawing(written, drawSize);
    else
        picture.svg = written;
    if (picture.svg.isEmpty() && picture.image.isNull()) {
        note(file, "the converter wrote no picture");
        return std::nullopt;
    }
    return picture;
}

#ifndef _WIN32
std::optional<ConvertedMetafile> MetafileConverter::Impl::runOffice(const std::string& file,
                                                             const std::string& bytes,
                                                             bool isEmf) {
    const QString programPath = program.empty()
                                    ? QStandardPaths::findExecutable(QStringLiteral("soffice"))
                                    : QString::fromStdString(program);
    if (programPath.isEmpty()) {
        note(file, "no converter can draw it here (LibreOffice is not installed)");
        return std::nullopt;
    }

    QTemporaryDir work;
    if (!work.isValid()) return std::nullopt;
    if (!profile || !profile->isValid()) profile = std::make_unique<QTemporaryDir>();
    if (!profile->isValid()) return std::nullopt;

    // A copy under a plain name with the extension its content calls for: the
    // converter picks its import filter by the extension, and the shop's file
    // names may hold anything.
    const QString input = work.filePath(isEmf ? QStringLiteral("picture.emf")
                                              : QStringLiteral("picture.met"));
    if (!platform::writeNewFile(input.toStdString(), bytes).isOk()) return std::nullopt;
    const QString outDir = work.filePath(QStringLiteral("out"));

    const QStringList arguments = {
        QStringLiteral("--headless"), QStringLiteral("--norestore"), QStringLiteral("--nologo"),
        QStringLiteral("--nolockcheck"),
        QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(profile->path()).toString(),
        QStringLiteral("--convert-to"), QStringLiteral("svg"), QStringLiteral("--outdir"), outDir,
        input};
    const RunResult result = runConverter(programPath, arguments, timeLimit);
    if (result == RunResult::TimedOut) profile.reset();  // may be left locked
    if (result != RunResult::Finished) {
        note(file, endText(result));
        return std::nullopt;
    }

    ConvertedMetafile picture;
    picture.svg = readOutput(QDir(outDir).filePath(QStringLiteral("picture.svg")).toStdString());
    if (picture.svg.isEmpty()) return std::nullopt;
    picture.viewBox = graphicBounds(picture.svg);
    if (!picture.viewBox.isNull()) {
        constexpr double kPixelsPerHundredthMm = 96.0 / 2540.0;
        picture.size = QSize(qRound(picture.viewBox.width() * kPixelsPerHundredthMm),
                             qRound(picture.viewBox.height() * kPixelsPerHundredthMm));
    }
    return picture;
}
#endif

}  // namespace display::ui
