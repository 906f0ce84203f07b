#include "errors/line_split.h"

#include <vector>

#include "core/xbase_values.h"

namespace errors {
namespace {

constexpr int kTabWidth = 4;

// Wraps one hard line (no line ends inside) into `out`.
void wrapParagraph(std::string_view para, std::size_t width, std::vector<std::string>& out) {
    std::string cur;
    std::size_t breakAt = 0;  // length of `cur` up to and including its last blank; 0: none
    bool soft = false;        // `cur` continues a line broken softly
    auto emit = [&](std::string line) {
        out.push_back(std::move(line));
        soft = true;
    };
    auto putBlank = [&] {
        if (cur.empty() && soft) return;  // blanks at a soft break are dropped
        if (cur.size() < width) {
            cur += ' ';
            breakAt = cur.size();
            return;
        }
        // The line is full and the blank is where it breaks.
        emit(std::move(cur));
        cur.clear();
        breakAt = 0;
    };
    for (char c : para) {
        if (c == '\t') {
            std::size_t n = kTabWidth - cur.size() % kTabWidth;
            for (std::size_t i = 0; i < n; ++i) putBlank();
            continue;
        }
        if (c == ' ' || c == '\r') {
            putBlank();
            continue;
        }
        if (cur.size() >= width) {
            if (breakAt > 0) {
                std::string rest = cur.substr(breakAt);
                cur.resize(breakAt);
                emit(std::move(cur));
                cur = std::move(rest);
            } else {
                emit(std::move(cur));  // a word longer than the line: cut
                cur.clear();
            }
            breakAt = 0;
        }
        cur += c;
    }
    if (!cur.empty() || !soft) out.push_back(std::move(cur));
}

// The memo lines of `text`, before their trailing blanks go.
std::vector<std::string> memoLines(std::string_view text, int width) {
    std::vector<std::string> lines;
    std::size_t w = width < 1 ? 1 : std::size_t(width);
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t lf = text.find('\n', pos);
        std::size_t end = lf == std::string_view::npos ? text.size() : lf;
        std::size_t paraEnd = end > pos && text[end - 1] == '\r' ? end - 1 : end;
        wrapParagraph(text.substr(pos, paraEnd - pos), w, lines);
        if (lf == std::string_view::npos) break;
        pos = lf + 1;
    }
    return lines;
}

}  // namespace

std::string LineSplit(std::string_view cText, int nWidth) {
    std::string result;
    for (const std::string& line : memoLines(cText, nWidth)) {
        result += core::rtrim(line);
        result += ';';
    }
    if (!result.empty() && result.back() == ';') result.pop_back();
    return result;
}

}  // namespace errors
