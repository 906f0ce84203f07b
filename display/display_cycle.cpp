#include "display/display_cycle.h"

#include "core/display_state.h"
#include "core/xbase_values.h"
#include "display/code_file.h"
#include "display/find_pic.h"
#include "errors/recovery.h"
#include "inventory/item_code.h"
#include "inventory/normalize.h"
#include "platform/fs.h"
#include "platform/read_limits.h"
#include "settings/list_file.h"

namespace display {
namespace {
const char kCrLf[] = "\r\n";
}

CycleServices fileServices() {
    CycleServices s;
    s.findPic = [](const std::string& code, const std::string& path) { return FindPic(code, path); };
    s.findViews = [](const std::string& first) { return FindViews(first); };
    s.isFile = [](const std::string& path) { return platform::isFile(path); };
    s.readFile = platform::readFile;
    s.nextSlide = [](const std::string& listFile, long& record, std::string* next) {
        return settings::nextSlide(listFile, record, next);
    };
    s.pause = [](int hundredths) { platform::sleepHundredths(hundredths); };
    s.fileStamp = [](const std::string& path) { return platform::fileStamp(path); };
    s.now = [] { return std::chrono::steady_clock::now(); };
    return s;
}

DisplayCycle::DisplayCycle(core::ProgramState& state, DisplayMode& mode, DisplayWindow& window,
                           inventory::ItemLookup& lookup, const SlidePeriodField& slowField,
                           const settings::AppliedSettings& settings, CycleServices services)
    : m_state(state),
      m_mode(mode),
      m_window(window),
      m_lookup(lookup),
      m_slowField(slowField),
      m_settings(settings),
      m_services(std::move(services)) {}

void DisplayCycle::reset() {
    m_cLastCode = "xxx";
    m_unchangedSince.reset();
}

void DisplayCycle::turn(const TurnRequest& request) {
    if (request.kind == TurnRequest::Kind::Reset) return reset();
    if (request.kind == TurnRequest::Kind::Show && m_mode.source() != request.askedIn) return;
    const settings::Settings s = m_settings.current();
    const bool completed = errors::recoverTurn(
        [&] { HangPicture(s.cPath, s.cBuffer, s.idleSlides); }, [this] { reset(); });
    if (!completed) m_window.hideFlasher();
}

void DisplayCycle::HangPicture(const std::string& cPath, const std::string& cCodeFile,
                               double idleSeconds) {
    if (core::StopDisplay()) {
        reset();
        return;
    }

    std::string cTarget;
    std::string nextEntry;
    Source source = m_mode.source();
    if (source == Source::Slides && m_mode.idleSlides()) {
        if (idleTurn(cCodeFile) == IdleTurn::Wait) return;
        source = m_mode.source();  // Data again, unless the clerk chose another meanwhile
    }
    const bool dataTurn = source != Source::Slides && source != Source::Kbd && source != Source::Freeze;
    m_turnSource = dataTurn ? Source::Data : source;
    if (!dataTurn) {
        m_unchangedSince.reset();
        m_lookedUpStamp.reset();
    }
    bool codeRead = false;
    std::optional<platform::FileStamp> readStamp;
    if (source == Source::Slides) {
        m_window.showFreezeButton();
        m_mode.followSlidePeriod(m_slowField.value());
        m_state.cCode.setData("");
        std::string entry =
            m_services.nextSlide(m_state.cListFile.getData(), m_nSlideRecord, &nextEntry);
        ParsedEntry parsed = parseEntry(entry, cPath);
        m_state.cCode.setData(parsed.code);
        cTarget = parsed.target;
    } else if (source == Source::Kbd) {
        m_state.cCode.setData(inventory::Normalize(m_state.cCode.getData()));
        m_services.pause(10);
    } else if (source == Source::Freeze) {
        if (m_mode.enterKeyboard()) m_window.hideFreezeButton();
    } else {
        m_window.showFreezeButton();
        m_state.cCode.setData("");
        std::string host = stationName(cCodeFile, m_state.cHost.getData());
        m_state.cHost.setData(host);
        std::string content;
        // Only a regular file is read, and only up to the limit: a FIFO or a
        // huge file in its place must neither hold the turn nor be read at
        // every turn.
        platform::Status read = platform::Status::notFound(cCodeFile);
        if (m_services.isFile(cCodeFile)) {
            readStamp = codeFileStamp(cCodeFile);
            read = m_services.readFile(cCodeFile, &content, platform::kCodeFileLimit);
        }
        if (read.isOk()) {
            content = core::replaceAll(core::rtrim(content), "/", "\\");
            ParsedEntry parsed = parseEntry(content, cPath);
            // Half a code, caught while the till still writes it, is not
            // shown: the rest of it is a moment away.
            if (!settled(cCodeFile, parsed, readStamp)) {
                m_state.cCode.setData(m_cLastCode == "xxx" ? "" : m_cLastCode);
                m_services.pause(10);
                return;
            }
            m_state.cCode.setData(parsed.code);
            cTarget = parsed.target;
            codeRead = true;
        } else {
            m_cLastCode = "xxx";
            m_window.showPicture(m_state.cLogo.getData());
            m_window.setTitle("Code name not found");
            m_window.setTitle2(host);
            std::string diagnostics = cCodeFile + kCrLf + m_state.cCode.getData();
            if (read.code() == platform::Status::Code::TooLarge) {
                diagnostics += kCrLf + std::string(kCodeFileTooLargeText) +
                               std::to_string(platform::kCodeFileLimit);
            }
            m_window.setDescription(std::string(kMissingCodeFileText) + kCrLf + kCrLf + kCrLf +
                                    "Diagnostics:" + kCrLf + diagnostics);
            m_services.pause(500);
        }
    }

    if (m_mode.source() != Source::Kbd) m_window.showFlasher();
    // The till writing the code shown again (the clerk scans the item again)
    // brings a fresh lookup too.
    const bool rescanned = codeRead && readStamp && m_lookedUpStamp && *readStamp != *m_lookedUpStamp;
    if (m_state.cCode.getData() != m_cLastCode || rescanned) {
        redraw(cPath, cTarget);
        if (codeRead && m_cLastCode == m_state.cCode.getData()) m_lookedUpStamp = readStamp;
    }
    if (source == Source::Slides && m_mode.source() == Source::Slides) prepareSlide(nextEntry, cPath);
    if (dataTurn) followIdleTime(cCodeFile, codeRead, idleSeconds);
    m_services.pause(10);
    m_window.hideFlasher();
}

std::chrono::steady_clock::time_point DisplayCycle::now() const {
    return m_services.now ? m_services.now() : std::chrono::steady_clock::now();
}

std::optional<platform::FileStamp> DisplayCycle::codeFileStamp(const std::string& cCodeFile) const {
    return m_services.fileStamp ? m_services.fileStamp(cCodeFile) : std::nullopt;
}

DisplayCycle::IdleTurn DisplayCycle::idleTurn(const std::string& cCodeFile) {
    const std::optional<platform::FileStamp> stamp = codeFileStamp(cCodeFile);
    // A code file that vanishes for a moment (deleted, then written anew)
    // is no new code yet.
    if (stamp && stamp != m_codeFileStamp && m_mode.endIdleSlides()) {
        m_cLastCode = "xxx";
        return IdleTurn::Resume;
    }
    const auto t = now();
    // Due half a poll early, so the slides keep their period on average.
    const auto interval = std::chrono::duration<double>(
        (m_slowField.value() - m_mode.period() / 2) / 10);
    if (m_lastIdleSlide && t - *m_lastIdleSlide < interval) return IdleTurn::Wait;
    m_lastIdleSlide = t;
    return IdleTurn::Slide;
}

void DisplayCycle::followIdleTime(const std::string& cCodeFile, bool codeRead, double idleSeconds) {
    const std::optional<platform::FileStamp> stamp = codeFileStamp(cCodeFile);
    const auto t = now();
    if (!m_unchangedSince || stamp != m_codeFileStamp) m_unchangedSince = t;
    m_codeFileStamp = stamp;
    const double idle = idleSeconds;
    if (idle <= 0 || !codeRead || t - *m_unchangedSince < std::chrono::duration<double>(idle)) return;
    if (m_mode.startIdleSlides()) {
        m_lastIdleSlide.reset();
        m_state.cHost.setData("");  // a slide carries no station name
        m_cLastCode = "xxx";        // drawn anew even when the till's code comes first
    }
}

void DisplayCycle::stepViews() {
    if (m_views.size() < 2 || core::StopDisplay()) return;
    const double seconds = m_settings.current().viewSeconds;
    const auto t = now();
    if (seconds <= 0 || t - m_viewSince < std::chrono::duration<double>(seconds)) return;
    m_view = (m_view + 1) % m_views.size();
    m_viewSince = t;
    m_window.showPicture(m_views[m_view]);
}

bool DisplayCycle::settled(const std::string& cCodeFile, const ParsedEntry& parsed,
                           const std::optional<platform::FileStamp>& stamp) {
    const bool closed = m_services.writerDone && m_services.writerDone(cCodeFile) == true;
    const bool wholeCode = inventory::classifyCode(core::upper(parsed.code)) != inventory::CodeClass::Invalid;
    if (closed || wholeCode || m_services.isFile(parsed.target) || !stamp) {
        m_unsettled.reset();
        return true;
    }
    // No item code and no picture: shown only once the file has stayed as
    // it is for a while.
    const auto t = now();
    if (!m_unsettled || m_unsettled->stamp != *stamp) m_unsettled = Unsettled{*stamp, t};
    return t - m_unsettled->since >= kUnsettledWait;
}

void DisplayCycle::redraw(const std::string& cPath, std::string cTarget) {
    const std::string code = m_state.cCode.getData();
    const auto t = now();
    const bool lasting = (m_busySince && t - *m_busySince >= kLastingBusy) ||
                         (m_missingSince && t - *m_missingSince >= kFilesGoneWait);
    const inventory::Description shown = m_lookup.describe(
        code, cPath, lasting ? inventory::Patience::Report : inventory::Patience::Quiet);
    if (!shown.complete) {
        // The point-of-sale holds or rewrites the tables: what is on the
        // screen stays, and the next turn looks again.
        if (!m_busySince) m_busySince = t;
        if (shown.filesMissing && !m_missingSince) m_missingSince = t;
        return;
    }
    m_busySince.reset();
    m_missingSince.reset();
    if (code == m_cLastCode && shown.text == m_shownText) return;
    m_cLastCode = code;
    m_shownText = shown.text;
    m_window.hidePicture();
    m_window.setDescription(shown.text);
    const std::string picture = pictureOf(code, cTarget, cPath);
    m_views.clear();
    m_view = 0;
    m_viewSince = t;
    if (!picture.empty()) {
        m_window.showPicture(picture);
        m_window.setTitle(code);
        if (m_settings.current().viewSeconds > 0 && m_services.findViews) {
            m_views = m_services.findViews(picture);
            m_views.insert(m_views.begin(), picture);
        }
    } else {
        m_window.showPicture(m_state.cLogo.getData());
        m_window.setTitle(core::isEmptyText(code) ? "....." : "Picture not found for " + core::upper(code));
    }
    m_window.setTitle2(m_state.cHost.getData());
    if (shown.item && m_services.shown) {
        std::string station;
        if (m_turnSource == Source::Data) {
            station = m_state.cHost.getData();
            if (station.size() >= 2 && station.front() == '(' && station.back() == ')') {
                station = station.substr(1, station.size() - 2);
            }
        }
        m_services.shown(code, m_turnSource, station);
    }
}

std::string DisplayCycle::pictureOf(const std::string& code, const std::string& cTarget,
                                    const std::string& cPath) {
    std::string file = cTarget;
    if (!core::isEmptyText(code) && !m_services.isFile(file)) file = m_services.findPic(code, cPath);
    if (!core::isEmptyText(file) && m_services.isFile(file)) return file;
    return "";
}

void DisplayCycle::prepareSlide(const std::string& entry, const std::string& cPath) {
    const ParsedEntry next = parseEntry(entry, cPath);
    const std::string picture = pictureOf(next.code, next.target, cPath);
    m_window.preparePicture(picture.empty() ? m_state.cLogo.getData() : picture);
}

}  // namespace display
