#pragma once

// Pictures the widget and decoder tests write into a temporary folder.

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <cstdint>
#include <ostream>
#include <string>

#include "testsupport/temp_dir.h"

namespace display::ui::testing {

inline QImage solidImage(int w, int h, QColor colour) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// The bytes of `image` in `format` ("PNG", "JPG", "BMP").
inline std::string encoded(const QImage& image, const char* format, int quality = 90) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, quality);
    return bytes.toStdString();
}

// A 1 x 1 red GIF (Qt reads GIF but cannot write it).
inline std::string redGif() {
    static const unsigned char bytes[] = {
        'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0,  // screen, 2-colour table
        0xFF, 0, 0, 0, 0, 0,                                    // red, black
        0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0,                        // image descriptor
        2, 2, 0x44, 0x01, 0, 0x3B};                             // LZW data, trailer
    return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

// A GIF whose logical screen is `w` x `h` pixels and whose one frame is a
// single red pixel in its corner: its reader reports the frame's size.
inline std::string gifWithScreen(std::uint16_t w, std::uint16_t h) {
    std::string gif = redGif();
    gif[6] = char(w & 0xFF);
    gif[7] = char(w >> 8);
    gif[8] = char(h & 0xFF);
    gif[9] = char(h >> 8);
    return gif;
}

// A valid 24-bit BMP stored top-down (negative height in its header): the
// first row red, the others blue.
inline std::string bmpTopDown(int w, int h) {
    auto le32 = [](std::uint32_t v) {
        return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
    };
    const int row = (w * 3 + 3) / 4 * 4;
    std::string s = "BM" + le32(std::uint32_t(54 + row * h)) + le32(0) + le32(54);
    s += le32(40) + le32(std::uint32_t(w)) + le32(std::uint32_t(-h)) +
         std::string("\1\0\x18\0", 4) + le32(0) + le32(std::uint32_t(row * h)) + le32(2835) +
         le32(2835) + le32(0) + le32(0);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) s += y == 0 ? std::string("\0\0\xFF", 3) : std::string("\xFF\0\0", 3);
        s += std::string(std::size_t(row - w * 3), '\0');
    }
    return s;
}

inline std::uint32_t crc32(const std::string& data) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char c : data) {
        crc ^= c;
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

inline std::string bigEndian32(std::uint32_t v) {
    return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}

// A PNG whose valid header claims `w` x `h` pixels and whose data is a few bytes.
inline std::string pngClaiming(std::uint32_t w, std::uint32_t h) {
    std::string ihdr = "IHDR" + bigEndian32(w) + bigEndian32(h) + std::string("\x08\x02\0\0\0", 5);
    std::string idat = "IDAT" + std::string("\x78\x9C\x63\x00\x00\x00\x01\x00\x01", 9);
    auto chunk = [](const std::string& body) {
        return bigEndian32(std::uint32_t(body.size() - 4)) + body + bigEndian32(crc32(body));
    };
    return std::string("\x89PNG\r\n\x1A\n", 8) + chunk(ihdr) + chunk(idat) + chunk("IEND");
}

// A BMP whose header claims `w` x `h` pixels of 24 bits and holds almost none.
inline std::string bmpClaiming(std::int32_t w, std::int32_t h) {
    auto le32 = [](std::uint32_t v) {
        return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
    };
    std::string s = "BM" + le32(54 + 16) + le32(0) + le32(54);
    s += le32(40) + le32(std::uint32_t(w)) + le32(std::uint32_t(h)) + std::string("\1\0\x18\0", 4) +
         le32(0) + le32(16) + le32(2835) + le32(2835) + le32(0) + le32(0);
    return s + std::string(16, '\x7F');
}

// `jpeg` with the size in its frame header replaced by `w` x `h`.
inline std::string jpegClaiming(std::string jpeg, std::uint16_t w, std::uint16_t h) {
    for (std::size_t i = 2; i + 9 < jpeg.size(); ++i) {
        auto m = static_cast<unsigned char>(jpeg[i + 1]);
        if (static_cast<unsigned char>(jpeg[i]) == 0xFF && (m == 0xC0 || m == 0xC2)) {
            jpeg[i + 5] = char(h >> 8);
            jpeg[i + 6] = char(h);
            jpeg[i + 7] = char(w >> 8);
            jpeg[i + 8] = char(w);
            break;
        }
    }
    return jpeg;
}

// A 200 x 100 OS/2 metafile (MET) holding one dark box from (20, 10) to
// (180, 90): structured fields (big-endian length, 0xD3, type) for the
// document, the graphics object, its descriptor (16-bit little-endian
// coordinates, 96 units to the inch, bounds 0..200 x 0..100) and its drawing
// orders (set colour, begin area, box, end area).
inline std::string metSample() {
    auto be16 = [](int v) { return std::string{char((v >> 8) & 0xFF), char(v & 0xFF)}; };
    auto le16 = [](int v) { return std::string{char(v & 0xFF), char((v >> 8) & 0xFF)}; };
    auto field = [&](int type, const std::string& body) {
        return be16(8 + int(body.size())) + "\xD3" + be16(type) + std::string(3, '\0') + body;
    };
    const std::string gvmSubset("\xF7\x07\xB0\0\0\0\0\0\x04", 9);
    const std::string pictureBody = std::string("\0\0\x04\0", 4) + le16(960) + le16(960) +
                                    le16(0) + le16(0) + le16(200) + le16(0) + le16(100);
    const std::string picture = "\xF6" + std::string(1, char(pictureBody.size())) + pictureBody;
    const std::string orders = std::string("\x0A\x02\x68\x80\xC0\x0E\0\0", 8) + le16(20) +
                               le16(10) + le16(180) + le16(90) + le16(0) + le16(0) +
                               std::string("\x60\0", 2);
    return field(0xA8A8, "DOC00001") + field(0xA8BB, "OBJ00001") +
           field(0xA6BB, gvmSubset + picture) + field(0xEEBB, orders) +
           field(0xA9BB, "OBJ00001") + field(0xA9A8, "DOC00001");
}

}  // namespace display::ui::testing

inline void PrintTo(const QSize& s, std::ostream* os) { *os << s.width() << "x" << s.height(); }
inline void PrintTo(const QColor& c, std::ostream* os) { *os << c.name().toStdString(); }
