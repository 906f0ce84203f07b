#include "settings/param_file.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>

#include "core/xbase_values.h"
#include "platform/dialogs.h"
#include "platform/fs.h"
#include "platform/read_limits.h"

namespace settings {
namespace {

const char kCrLf[] = "\r\n";

// The heads of the sections added after the fourteen lines.
const char kScreenHead[] = "[SCREEN]";
const char kIdleSlidesHead[] = "[IDLESLIDES]";
const char kWatchdogHead[] = "[WATCHDOG]";
const char kKioskHead[] = "[KIOSK]";
const char kPictureStoreHead[] = "[PICTURESTORE]";
const char kViewsHead[] = "[VIEWS]";
const char kPriceOnRequestHead[] = "[PRICEONREQUEST]";
const char kShownLogHead[] = "[SHOWNLOG]";
const char* const kAddedHeads[] = {kScreenHead,  kIdleSlidesHead,      kWatchdogHead, kKioskHead,
                                   kPictureStoreHead, kViewsHead, kPriceOnRequestHead, kShownLogHead};

// Value line of a section: from the second character after the head's end
// (CR LF, whatever actually follows the head) up to the next CR LF. "" when
// no CR LF follows.
std::optional<std::string> sectionValue(const std::string& text, const std::string& upperText,
                                        std::string_view head) {
    std::size_t pos = upperText.find(head);
    if (pos == std::string::npos) return std::nullopt;
    pos += head.size() + 2;
    if (pos > text.size()) return std::string();
    std::size_t end = text.find(kCrLf, pos);
    if (end == std::string::npos) return std::string();
    return text.substr(pos, end - pos);
}

// The text with every line end as CR LF: a lone LF (a Linux editor) and a lone
// CR (a tool that changed them) end a line too, and a last line without its
// end (an editor that adds none) gets one, so the rules below, written for
// CR LF, read any file alike.
std::string withCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8 + 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            out += kCrLf;
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            out += c;
        }
    }
    if (!out.empty() && out.back() != '\n') out += kCrLf;
    return out;
}

// A period as the spin button between `low` and `high` holds it.
double periodWithin(double v, int low, int high) {
    v = std::round(v);
    if (!(v >= low)) return low;  // NaN too
    return v > high ? high : v;
}

// Refused when a path is longer than its field, rather than cut, or holds a
// line break, which would end its line in the file.
platform::Status pathsFit(const Settings& s) {
    for (const auto& [name, path] : {std::pair{"code file path", &s.cBuffer},
                                     std::pair{"data path", &s.cPath}}) {
        if (path->find_first_of("\r\n") != std::string::npos) {
            return platform::Status::invalid("The " + std::string(name) +
                                             " holds a line break, which the parameter file "
                                             "cannot keep.");
        }
        if (path->size() > std::size_t(kPathFieldWidth)) {
            return platform::Status::invalid(
                "The " + std::string(name) + " has " + std::to_string(path->size()) +
                " characters; it may have at most " + std::to_string(kPathFieldWidth) +
                ". Shorten it, then Apply/Save again.");
        }
    }
    return {};
}

// Whole numbers without a width limit, leading blanks removed.
std::string wholeNumber(double v) { return core::formatNumberTrimmed(v, 0); }

// [StartPos]: x, y and the frame state, found by the commas after its head.
void readStartPos(std::string_view text, const std::string& upperText, Settings& settings) {
    std::size_t head = upperText.find("[STARTPOS]");
    if (head == std::string::npos) return;
    // The comma searches below go past the [StartPos] line, as they always
    // have; the sections added after it are no part of what they may find.
    for (const char* added : kAddedHeads) {
        std::size_t at = upperText.find(added, head);
        if (at != std::string::npos && at < text.size()) text = text.substr(0, at);
    }
    // Positions below are 1-based, as the rules were written; 0 means none.
    auto findFrom = [&](const char* what, std::size_t from1) -> std::size_t {
        if (from1 == 0 || from1 > text.size()) return 0;
        std::size_t hit = text.find(what, from1 - 1);
        return hit == std::string::npos ? 0 : hit + 1;
    };
    auto numberAt = [&](std::size_t from1, std::size_t count) {
        if (from1 == 0 || from1 > text.size()) return 0.0;
        return core::numericValue(std::string_view(text).substr(from1 - 1, count));
    };
    std::size_t nPos = head + 1 + 12;
    std::size_t nComma1 = findFrom(",", nPos);
    std::size_t nComma2 = nComma1 ? findFrom(",", nComma1 + 1) : 0;
    std::size_t nEnd;
    if (nComma2 == 0) {
        nComma2 = findFrom(kCrLf, nPos);
        nEnd = 0;
    } else {
        nEnd = findFrom(kCrLf, nPos);
    }
    if (nComma1 > 1 && nComma2 > 3) {
        settings.posX = nComma1 > nPos ? numberAt(nPos, nComma1 - nPos) : 0.0;
        settings.posY = nComma2 > nComma1 ? numberAt(nComma1 + 1, nComma2 - nComma1) : 0.0;
    }
    if (nEnd > 0) {
        const double state = nEnd > nComma2 ? numberAt(nComma2 + 1, nEnd - nComma2) : 0.0;
        // Only 1, 2 and 3 mean something (the window opens normal for any
        // other), and a huge value must not reach the conversion to int.
        settings.nFrameState = state >= 1 && state < 4 ? int(state) : 0;
    }
}

// A number of the file brought within [0, high] (no number: 0).
double within(const std::string& v, double high) {
    const double n = core::numericValue(v);
    return n > 0 ? std::min(n, high) : 0;
}

void readAdditions(const std::string& lines, const std::string& upperText, Settings& settings) {
    auto on = [](const std::string& v) { return core::numericValue(v) == 1; };
    if (auto v = sectionValue(lines, upperText, kWatchdogHead)) settings.watchdog = on(*v);
    if (auto v = sectionValue(lines, upperText, kKioskHead)) settings.kiosk = on(*v);
    if (auto v = sectionValue(lines, upperText, kPictureStoreHead)) {
        settings.pictureStoreMb = std::round(within(*v, kPictureStoreMaxMb));
    }
    if (auto v = sectionValue(lines, upperText, kViewsHead)) {
        // A picture a second at most: a camera photograph takes a good part
        // of a second to decode.
        settings.viewSeconds = within(*v, kViewSecondsMax);
        if (settings.viewSeconds > 0) settings.viewSeconds = std::max(settings.viewSeconds, kViewSecondsMin);
    }
    if (auto v = sectionValue(lines, upperText, kPriceOnRequestHead)) {
        // The amount, and on the next line the text (none: the default).
        if (!core::isEmptyText(*v)) settings.priceOnRequest = core::numericValue(*v);
        const std::size_t at = upperText.find(kPriceOnRequestHead);
        const std::size_t amountEnd = lines.find(kCrLf, at + std::strlen(kPriceOnRequestHead) + 2);
        if (amountEnd != std::string::npos) {
            const std::size_t textEnd = lines.find(kCrLf, amountEnd + 2);
            const std::string text =
                textEnd == std::string::npos ? std::string() : lines.substr(amountEnd + 2, textEnd - amountEnd - 2);
            const bool isHead = core::alltrim(text).starts_with("[");
            if (!core::isEmptyText(text) && !isHead) settings.priceOnRequestText = core::alltrim(text);
        }
    }
    if (auto v = sectionValue(lines, upperText, kShownLogHead)) settings.shownLog = on(*v);
}

}  // namespace

std::string ReadParam(const std::string& paramFile, Settings& settings) {
    std::string text;
    // Beyond the limit, or not a regular file: read as a missing file.
    platform::Status read = platform::readFile(paramFile, &text, platform::kParamFileLimit);
    if (read.code() == platform::Status::Code::TooLarge) {
        platform::dialogs().messageBox(std::string(kParamFileTooLarge) + "\r\n\r\n" + paramFile +
                                       "\r\nAt most " +
                                       std::to_string(platform::kParamFileLimit / 1024) +
                                       " KB are read.");
    }
    if (!read.isOk()) text.clear();
    const std::string lines = withCrLf(text);
    const std::string upperText = core::upper(lines);

    if (auto v = sectionValue(lines, upperText, "[CODESPEC]")) settings.cBuffer = *v;
    if (auto v = sectionValue(lines, upperText, "[DATAPATH]")) settings.cPath = *v;
    if (auto v = sectionValue(lines, upperText, "[SLOWTIME]")) {
        settings.nSlow = periodWithin(core::numericValue(*v), kSlowMin, kSlowMax);
    }
    if (auto v = sectionValue(lines, upperText, "[FASTTIME]")) {
        settings.nFast = periodWithin(core::numericValue(*v), kFastMin, kFastMax);
    }
    if (auto v = sectionValue(lines, upperText, kScreenHead)) settings.screen = core::alltrim(*v);
    if (auto v = sectionValue(lines, upperText, kIdleSlidesHead)) {
        settings.idleSlides = std::clamp(std::round(core::numericValue(*v)), kIdleSlidesMin,
                                         kIdleSlidesMax);
    }
    readAdditions(lines, upperText, settings);
    readStartPos(lines, upperText, settings);
    return text;
}

std::string paramText(const Settings& s, int frameState) {
    std::string out;
    auto line = [&](const std::string& text) { out += text + kCrLf; };
    line("[CodeSpec]");
    line(s.cBuffer);
    line("");
    line("[Datapath]");
    line(s.cPath);
    line("");
    line("[SlowTime]");
    line(core::ltrim(core::formatNumber(s.nSlow, 3, 0)));
    line("");
    line("[FastTime]");
    line(core::ltrim(core::formatNumber(s.nFast, 3, 0)));
    line("");
    line("[StartPos]");
    line(wholeNumber(s.posX) + "," + wholeNumber(s.posY) + "," + std::to_string(frameState));
    if (!core::isEmptyText(s.screen)) {
        line("");
        line("[Screen]");
        line(s.screen);
    }
    if (s.idleSlides != 0) {
        line("");
        line("[IdleSlides]");
        line(wholeNumber(s.idleSlides));
    }
    auto section = [&](const char* head, const std::string& value) {
        line("");
        line(head);
        line(value);
    };
    if (s.watchdog) section("[Watchdog]", "1");
    if (s.kiosk) section("[Kiosk]", "1");
    if (s.pictureStoreMb != 0) section("[PictureStore]", wholeNumber(s.pictureStoreMb));
    if (s.viewSeconds != 0) section("[Views]", core::formatNumberTrimmed(s.viewSeconds, s.viewSeconds == std::round(s.viewSeconds) ? 0 : 1));
    if (s.priceOnRequest) {
        section("[PriceOnRequest]", core::formatNumberTrimmed(*s.priceOnRequest, *s.priceOnRequest == std::round(*s.priceOnRequest) ? 0 : 2));
        line(s.priceOnRequestText);
    }
    if (s.shownLog) section("[ShownLog]", "1");
    return out;
}

platform::Status SaveParam(const std::string& paramFile, Settings& settings,
                           const WindowQuery& window) {
    if (window.frameState() == 3) {
        settings.posX = window.positionX();
        settings.posY = window.positionY();
    }
    int frameState = window.fullScreenTicked() ? 2 : 3;
    if (platform::Status fits = pathsFit(settings); !fits.isOk()) {
        platform::dialogs().messageBox("Parameters NOT saved!\r\n\r\n" + fits.message());
        return fits;
    }
    platform::Status st = platform::writeFileAtomic(paramFile, paramText(settings, frameState));
    if (st.isOk()) {
        platform::dialogs().messageBox("Parameters saved.");
    } else {
        platform::dialogs().messageBox("Parameters NOT saved!\r\n\r\nCould not write " + paramFile +
                                       "\r\n" + st.message());
    }
    return st;
}

}  // namespace settings
