#include "core/xbase_values.h"

namespace core {

char upperChar(char ch) {
    auto c = static_cast<unsigned char>(ch);
    if (c >= 'a' && c <= 'z') return char(c - 32);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return char(c - 32);
    switch (c) {
        case 0x9A: return char(0x8A);  // s caron
        case 0x9C: return char(0x8C);  // oe
        case 0x9E: return char(0x8E);  // z caron
        case 0xFF: return char(0x9F);  // y diaeresis
        default: return ch;
    }
}

char lowerChar(char ch) {
    auto c = static_cast<unsigned char>(ch);
    if (c >= 'A' && c <= 'Z') return char(c + 32);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return char(c + 32);
    switch (c) {
        case 0x8A: return char(0x9A);
        case 0x8C: return char(0x9C);
        case 0x8E: return char(0x9E);
        case 0x9F: return char(0xFF);
        default: return ch;
    }
}

std::string upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = upperChar(c);
    return out;
}

std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = lowerChar(c);
    return out;
}

std::string rtrim(std::string_view text) {
    std::size_t n = text.size();
    while (n > 0 && text[n - 1] == ' ') --n;
    return std::string(text.substr(0, n));
}

std::string ltrim(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    return std::string(text.substr(i));
}

std::string alltrim(std::string_view text) { return ltrim(rtrim(text)); }

bool isEmptyText(std::string_view text) {
    for (char c : text) {
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return false;
    }
    return true;
}

std::string replaceAll(std::string_view text, std::string_view what, std::string_view with) {
    if (what.empty()) return std::string(text);
    std::string out;
    std::size_t pos = 0;
    for (;;) {
        std::size_t hit = text.find(what, pos);
        if (hit == std::string_view::npos) break;
        out.append(text.substr(pos, hit - pos));
        out.append(with);
        pos = hit + what.size();
    }
    out.append(text.substr(pos));
    return out;
}

}  // namespace core
