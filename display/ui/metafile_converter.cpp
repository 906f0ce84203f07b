#include "display/ui/metafile_converter.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <cstdio>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string_view>
#include <tuple>
#include <vector>

#include "display/emf_check.h"
#include "display/metafile_child.h"
#include "display/ui/picture_decoder.h"
#include "platform/fs.h"
#include "platform/os.h"
#include "platform/read_limits.h"
#include "platform/system_info.h"
#include "platform/ui/child_process.h"
#include "platform/ui/svg_drawing.h"

namespace display::ui {

namespace {

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

// LibreOffice writes SVG, which only a build that draws SVG can show. The
// Windows build has none (its conversion child draws with GDI), so there MET
// files and what GDI refuses stay undrawn.
bool officeConverterUsable() { return platform::ui::kSvgDrawing; }

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

// How a converter run ended: exit 0, the refusal code, another exit code, a
// signal (or an abnormal end on Windows), or stopped at its time limit.
enum class RunResult { Finished, Refused, Failed, Crashed, TimedOut };

RunResult exitResult(int code) {
    if (code == display::kMetafileConverted) return RunResult::Finished;
    if (code == display::kMetafileRefused) return RunResult::Refused;
    return RunResult::Failed;
}

// A converter run, stopped at `limit` (platform::ui::runChild).
RunResult runConverter(const QString& program, const QStringList& arguments,
                       std::chrono::milliseconds limit) {
    std::vector<std::string> args;
    for (const QString& a : arguments) args.push_back(a.toStdString());
    const platform::ui::ChildEnd end = platform::ui::runChild(program.toStdString(), args, limit);
    switch (end.kind) {
        case platform::ui::ChildEnd::Kind::Exited: return exitResult(end.exitCode);
        case platform::ui::ChildEnd::Kind::Crashed: return RunResult::Crashed;
        case platform::ui::ChildEnd::Kind::TimedOut: return RunResult::TimedOut;
        case platform::ui::ChildEnd::Kind::Failed: break;
    }
    return RunResult::Failed;
}

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

// lumisett-tool beside the running program, else the one this build made.
QString defaultChildProgram() {
    const QString name =
        QStringLiteral("lumisett-tool") + QLatin1String(platform::kExecutableSuffix);
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
    std::optional<ConvertedMetafile> runOffice(const std::string& file, const std::string& bytes,
                                               bool isEmf);
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

void MetafileConverter::endAll() { platform::ui::stopChildren(); }

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
    if (!isEmf) {
        if (officeConverterUsable()) return runOffice(file, bytes, false);
        note(file, "only EMF metafiles are drawn on Windows");
        return std::nullopt;
    }
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
    if (picture || !refused) return picture;
    if (officeConverterUsable()) return runOffice(file, bytes.substr(0, check.length), true);
    note(file, "Windows cannot draw it");
    return picture;
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
        picture.image = readDrawnPicture(written, drawSize);
    else
        picture.svg = written;
    if (picture.svg.isEmpty() && picture.image.isNull()) {
        note(file, "the converter wrote no picture");
        return std::nullopt;
    }
    return picture;
}

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

}  // namespace display::ui
