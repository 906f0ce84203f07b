#include "tables/numeric_text.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace tables {

double numericValue(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    std::string num;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) num += text[i++];
    bool digits = false;
    bool point = false;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c >= '0' && c <= '9') {
            num += c;
            digits = true;
        } else if (c == '.' && !point) {
            num += c;
            point = true;
        } else {
            break;
        }
    }
    if (!digits) return 0.0;
    return std::strtod(num.c_str(), nullptr);
}

namespace {

// Decimal digits of |value| as the shortest text that reads back as the same
// double, rounded half away from zero to `decimals` places. Returns the
// integer part and the fraction as separate digit strings.
void roundDecimal(double value, int decimals, std::string* intPart, std::string* fracPart) {
    char buf[400];  // the longest fixed-notation double needs about 330
    auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::fixed);
    std::string text = res.ec == std::errc() ? std::string(buf, res.ptr) : std::string("0");
    std::size_t dot = text.find('.');
    std::string ip = dot == std::string::npos ? text : text.substr(0, dot);
    std::string fp = dot == std::string::npos ? "" : text.substr(dot + 1);
    bool roundUp = false;
    if (int(fp.size()) > decimals) {
        roundUp = fp[std::size_t(decimals)] >= '5';
        fp.resize(std::size_t(decimals));
    }
    fp.append(std::size_t(decimals) - fp.size(), '0');
    if (roundUp) {
        std::string all = ip + fp;
        int k = int(all.size()) - 1;
        while (k >= 0 && all[std::size_t(k)] == '9') all[std::size_t(k--)] = '0';
        if (k < 0) {
            all.insert(all.begin(), '1');
        } else {
            ++all[std::size_t(k)];
        }
        ip = all.substr(0, all.size() - std::size_t(decimals));
        fp = all.substr(all.size() - std::size_t(decimals));
    }
    std::size_t nz = ip.find_first_not_of('0');
    ip = nz == std::string::npos ? "0" : ip.substr(nz);
    *intPart = ip;
    *fracPart = fp;
}

}  // namespace

std::string formatNumberTrimmed(double value, int decimals) {
    if (decimals < 0) decimals = 0;
    if (!std::isfinite(value)) return "";
    std::string ip, fp;
    roundDecimal(value, decimals, &ip, &fp);
    bool zero = ip == "0" && fp.find_first_not_of('0') == std::string::npos;
    std::string out = (value < 0 && !zero) ? "-" : "";
    out += ip;
    if (decimals > 0) out += "." + fp;
    return out;
}

std::string formatNumber(double value, int width, int decimals) {
    if (width < 0) width = 0;
    std::string text = formatNumberTrimmed(value, decimals);
    if (text.empty() || int(text.size()) > width) return std::string(std::size_t(width), '*');
    return std::string(std::size_t(width) - text.size(), ' ') + text;
}

}  // namespace tables
