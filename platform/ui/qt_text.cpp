#include "platform/ui/qt_text.h"

namespace platform::ui {
namespace {

// Windows-1252 0x80..0x9F; 0 marks the five unused codes, kept as C1 controls.
const char16_t kHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

}  // namespace

QString toQString(std::string_view cp1252) {
    QString out;
    out.reserve(qsizetype(cp1252.size()));
    for (char ch : cp1252) {
        auto c = static_cast<unsigned char>(ch);
        char16_t u = c;
        if (c >= 0x80 && c < 0xA0 && kHigh[c - 0x80]) u = kHigh[c - 0x80];
        out.append(QChar(u));
    }
    return out;
}

std::string fromQString(const QString& text) {
    std::string out;
    out.reserve(std::size_t(text.size()));
    for (QChar qc : text) {
        char16_t u = qc.unicode();
        if (u < 0x80 || (u >= 0xA0 && u < 0x100)) {
            out += char(u);
            continue;
        }
        char mapped = '?';
        for (int i = 0; i < 32; ++i) {
            if (kHigh[i] == u) mapped = char(0x80 + i);
        }
        if (u >= 0x80 && u < 0xA0) mapped = char(u);  // an unused code kept as it came
        out += mapped;
    }
    return out;
}

}  // namespace platform::ui
