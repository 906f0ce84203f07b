#pragma once

// Small EMF files built byte by byte for the tests: Qt cannot write EMF and the
// tests must not depend on sample files from elsewhere.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace display::ui::testing {

class EmfWriter {
public:
    // A picture of `width` x `height` device pixels (at 96 dpi).
    EmfWriter(int width, int height) : m_width(width), m_height(height) {}

    // A rectangle filled and outlined with one colour (0xRRGGBB).
    void filledRect(int left, int top, int right, int bottom, std::uint32_t rgb) {
        const std::uint32_t colorRef = ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
        ++m_handles;
        const std::uint32_t brush = m_handles;
        record(39, {brush, 0 /*BS_SOLID*/, colorRef, 0});  // EMR_CREATEBRUSHINDIRECT
        record(37, {brush});                                // EMR_SELECTOBJECT
        ++m_handles;
        const std::uint32_t pen = m_handles;
        record(38, {pen, 0 /*PS_SOLID*/, 1, 0, colorRef});  // EMR_CREATEPEN
        record(37, {pen});
        record(43, {u(left), u(top), u(right), u(bottom)});  // EMR_RECTANGLE
    }

    // A `w` x `h` bitmap of one palette colour, stored RLE8-compressed, which
    // the EMF-to-SVG library refuses.
    void rleBitmap(int x, int y, int w, int h, std::uint32_t rgb) {
        std::vector<std::uint8_t> bits;
        for (int row = 0; row < h; ++row) {
            bits.insert(bits.end(), {std::uint8_t(w), 1, 0, 0});  // run of index 1, end of line
        }
        bits.insert(bits.end(), {0, 1});  // end of bitmap
        while (bits.size() % 4) bits.push_back(0);
        std::vector<std::uint32_t> info = {40, u(w), u(h), 1u | (8u << 16), 1 /*BI_RLE8*/,
                                           std::uint32_t(bits.size()), 3780, 3780, 2, 0,
                                           0x00FFFFFF, rgb & 0xFFFFFF};
        const std::uint32_t head = 80, bmi = std::uint32_t(info.size() * 4);
        std::vector<std::uint32_t> fields = {u(x), u(y), u(x + w - 1), u(y + h - 1),  // bounds
                                             u(x), u(y), 0, 0, u(w), u(h),
                                             head, bmi, head + bmi, std::uint32_t(bits.size()),
                                             0 /*DIB_RGB_COLORS*/, 0x00CC0020 /*SRCCOPY*/,
                                             u(w), u(h)};
        fields.insert(fields.end(), info.begin(), info.end());
        std::string body = words(fields);
        body.append(bits.begin(), bits.end());
        rawRecord(81, body);  // EMR_STRETCHDIBITS
    }

    std::string bytes() const {
        std::string eof = recordBytes(14, words({0, 16, 20}));  // EMR_EOF
        const std::uint32_t total = std::uint32_t(88 + m_records.size() + eof.size());
        const std::uint32_t frameW = std::uint32_t(m_width * 2540 / 96);
        const std::uint32_t frameH = std::uint32_t(m_height * 2540 / 96);
        std::string header = recordBytes(
            1, words({0, 0, u(m_width), u(m_height),  // bounds, device pixels
                      0, 0, frameW, frameH,                   // frame, 0.01 mm
                      0x464D4520, 0x10000, total, m_count + 2,
                      (m_handles + 1),  // handles; reserved word 0
                      0, 0, 0,          // description, palette
                      1024, 768, 271, 203}));  // reference device: 96 dpi
        return header + m_records + eof;
    }

private:
    static std::uint32_t u(int v) { return std::uint32_t(v); }
    static std::string words(std::initializer_list<std::uint32_t> ws) {
        return words(std::vector<std::uint32_t>(ws));
    }
    static std::string words(const std::vector<std::uint32_t>& ws) {
        std::string s;
        for (std::uint32_t w : ws)
            for (int i = 0; i < 4; ++i) s.push_back(char((w >> (8 * i)) & 0xFF));
        return s;
    }
    static std::string recordBytes(std::uint32_t type, const std::string& body) {
        return words({type, std::uint32_t(8 + body.size())}) + body;
    }
    void record(std::uint32_t type, std::initializer_list<std::uint32_t> fields) {
        rawRecord(type, words(fields));
    }
    void rawRecord(std::uint32_t type, const std::string& body) {
        m_records += recordBytes(type, body);
        ++m_count;
    }

    int m_width, m_height;
    std::string m_records;
    std::uint32_t m_count = 0;
    std::uint32_t m_handles = 0;
};

}  // namespace display::ui::testing
