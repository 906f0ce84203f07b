#include "display/code_file.h"

#include "core/xbase_values.h"
#include "platform/path.h"

namespace display {

ParsedEntry parseEntry(std::string_view entry, const std::string& cPath) {
    std::string e(entry);
    while (e.size() > 5 && static_cast<unsigned char>(e.back()) <= 32) e.pop_back();

    ParsedEntry out;
    if (e.size() > 8 && e.find('.') != std::string::npos) {
        std::size_t sep = platform::lastSeparator(e);
        std::size_t from = sep == std::string::npos ? 0 : sep + 1;
        std::size_t dot = e.find('.', from);
        if (dot != std::string::npos) out.code = e.substr(from, dot - from);
    } else if (e.find('.') == std::string::npos) {
        out.code = e;
    }
    out.target = cPath + "\\" + core::replaceAll(e, "/", "\\");
    return out;
}

std::string stationName(const std::string& cCodeFile, const std::string& current) {
    std::string host = current;
    if (!core::isEmptyText(cCodeFile)) {
        std::size_t k = core::upper(cCodeFile).find("IMAGE.TMP");
        // k is 0-based here: the name needs at least two characters before it,
        // the last of them a separator.
        if (k != std::string::npos && k >= 2 && platform::isSeparator(cCodeFile[k - 1])) {
            host = cCodeFile.substr(0, k - 1);
            std::size_t j = platform::lastSeparator(host);
            if (j != std::string::npos) host = host.substr(j + 1);
        }
    }
    if (host.empty() || host.front() != '(') host = "(" + host + ")";
    return host;
}

}  // namespace display
