#include "display/ui/metafile_converter.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>

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

extern "C" {
#include <emf2svg.h>
}

namespace display::ui {

std::optional<QByteArray> emfToSvg(const QByteArray& emf) {
    // The library keeps state of its own between calls; one at a time.
    static std::mutex libraryMutex;
    std::lock_guard lock(libraryMutex);
    generatorOptions options{};
    char emptyNamespace[] = "";
    options.nameSpace = emptyNamespace;
    options.svgDelimiter = true;
    options.emfplus = false;  // the plain EMF records every dual file also holds
    QByteArray input = emf;   // the library wants a writable buffer
    char* out = nullptr;
    size_t outLength = 0;
    const int ok = emf2svg(input.data(), size_t(input.size()), &out, &outLength, &options);
    std::optional<QByteArray> svg;
    if (ok == 1 && out && outLength > 0) svg = QByteArray(out, qsizetype(outLength));
    std::free(out);
    return svg;
}

namespace {

using Clock = std::chrono::steady_clock;

struct CacheKey {
    std::string path;
    std::uintmax_t size;
    std::filesystem::file_time_type modified;
    bool operator<(const CacheKey& o) const {
        return std::tie(path, size, modified) < std::tie(o.path, o.size, o.modified);
    }
};

constexpr std::size_t kCacheEntries = 32;

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

enum class RunResult { Finished, Failed, TimedOut };

#ifdef Q_OS_UNIX
// posix_spawn rather than fork: the display process is large and has threads.
// The converter gets a session of its own, so that a time-out ends the
// launcher and the office process it starts together.
RunResult runConverter(const QString& program, const QStringList& arguments,
                       std::chrono::milliseconds limit) {
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

    const auto deadline = Clock::now() + limit;
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (done < 0 && errno != EINTR) return RunResult::Failed;
        if (Clock::now() >= deadline) {
            ::kill(-pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return RunResult::TimedOut;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? RunResult::Finished
                                                         : RunResult::Failed;
}
#else
RunResult runConverter(const QString& program, const QStringList& arguments,
                       std::chrono::milliseconds limit) {
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForStarted(5000)) return RunResult::Failed;
    if (!process.waitForFinished(int(limit.count()))) {
        process.kill();
        process.waitForFinished(5000);
        return RunResult::TimedOut;
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0
               ? RunResult::Finished
               : RunResult::Failed;
}
#endif

}  // namespace

struct MetafileConverter::Impl {
    std::mutex mutex;  // one conversion at a time; guards everything below
    std::string program;
    std::chrono::milliseconds timeLimit{30000};
    std::unique_ptr<QTemporaryDir> profile;
    std::map<CacheKey, std::optional<SvgPicture>> cache;
    std::deque<CacheKey> cacheOrder;

    std::optional<SvgPicture> run(const std::string& nativePath);
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

void MetafileConverter::clearCache() {
    std::lock_guard lock(m_impl->mutex);
    m_impl->cache.clear();
    m_impl->cacheOrder.clear();
}

std::optional<SvgPicture> MetafileConverter::convert(const std::string& nativePath) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(nativePath, ec);
    if (ec) return std::nullopt;
    const auto modified = std::filesystem::last_write_time(nativePath, ec);
    if (ec) return std::nullopt;
    const CacheKey key{nativePath, size, modified};

    std::lock_guard lock(m_impl->mutex);
    if (auto it = m_impl->cache.find(key); it != m_impl->cache.end()) return it->second;
    auto result = m_impl->run(nativePath);
    if (m_impl->cacheOrder.size() >= kCacheEntries) {
        m_impl->cache.erase(m_impl->cacheOrder.front());
        m_impl->cacheOrder.pop_front();
    }
    m_impl->cache.emplace(key, result);
    m_impl->cacheOrder.push_back(key);
    return result;
}

std::optional<SvgPicture> MetafileConverter::Impl::run(const std::string& nativePath) {
    const QString programPath = program.empty()
                                    ? QStandardPaths::findExecutable(QStringLiteral("soffice"))
                                    : QString::fromStdString(program);
    if (programPath.isEmpty()) return std::nullopt;

    QTemporaryDir work;
    if (!work.isValid()) return std::nullopt;
    if (!profile || !profile->isValid()) profile = std::make_unique<QTemporaryDir>();
    if (!profile->isValid()) return std::nullopt;

    // A copy under a plain name with the extension its content calls for: the
    // converter picks its import filter by the extension, and the shop's file
    // names may hold anything.
    const QString source = QString::fromStdString(nativePath);
    QFile sourceFile(source);
    if (!sourceFile.open(QIODevice::ReadOnly)) return std::nullopt;
    const bool isEmf = sourceFile.read(44).mid(40) == " EMF";
    sourceFile.close();
    const QString input = work.filePath(isEmf ? QStringLiteral("picture.emf")
                                              : QStringLiteral("picture.met"));
    if (!QFile::copy(source, input)) return std::nullopt;
    const QString outDir = work.filePath(QStringLiteral("out"));

    const QStringList arguments = {
        QStringLiteral("--headless"), QStringLiteral("--norestore"), QStringLiteral("--nologo"),
        QStringLiteral("--nolockcheck"),
        QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(profile->path()).toString(),
        QStringLiteral("--convert-to"), QStringLiteral("svg"), QStringLiteral("--outdir"), outDir,
        input};
    switch (runConverter(programPath, arguments, timeLimit)) {
        case RunResult::Finished: break;
        case RunResult::TimedOut: profile.reset(); return std::nullopt;  // may be left locked
        case RunResult::Failed: return std::nullopt;
    }

    QFile out(QDir(outDir).filePath(QStringLiteral("picture.svg")));
    if (!out.open(QIODevice::ReadOnly)) return std::nullopt;
    SvgPicture picture;
    picture.svg = out.readAll();
    if (picture.svg.isEmpty()) return std::nullopt;
    picture.viewBox = graphicBounds(picture.svg);
    if (!picture.viewBox.isNull()) {
        constexpr double kPixelsPerHundredthMm = 96.0 / 2540.0;
        picture.size = QSize(qRound(picture.viewBox.width() * kPixelsPerHundredthMm),
                             qRound(picture.viewBox.height() * kPixelsPerHundredthMm));
    }
    return picture;
}

}  // namespace display::ui
