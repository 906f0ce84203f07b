#include "display/emf_check.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using Words = std::vector<std::uint32_t>;

std::string words(const Words& ws) {
    std::string s;
    for (std::uint32_t w : ws)
        for (int i = 0; i < 4; ++i) s.push_back(char((w >> (8 * i)) & 0xFF));
    return s;
}

std::string record(std::uint32_t type, const Words& body) {
    return words({type, std::uint32_t(8 + 4 * body.size())}) + words(body);
}

// A metafile of `records` between a header (with `handles` object handles)
// and EMR_EOF, every count right.
std::string emfOf(const std::vector<std::string>& records, std::uint32_t handles = 4) {
    std::string body;
    for (const auto& r : records) body += r;
    const std::string eof = record(14, {0, 16, 20});
    const std::uint32_t total = std::uint32_t(88 + body.size() + eof.size());
    const std::string header = record(1, {0, 0, 100, 100, 0, 0, 2646, 2646, 0x464D4520, 0x10000,
                                          total, std::uint32_t(records.size() + 2), handles, 0,
                                          0, 0, 1024, 768, 271, 203});
    return header + body + eof;
}

constexpr std::uint32_t kHuge = 0x40000000;

// A filled rectangle as the shop's drawing programs write it: a brush and a
// pen made, selected, used.
std::string rectangle() {
    return emfOf({record(39, {1, 0, 0xFF, 0}), record(37, {1}), record(38, {2, 0, 1, 0, 0xFF}),
                  record(37, {2}), record(43, {0, 0, 200, 100})});
}

TEST(EmfCheckTest, SoundMetafilesPass) {
    // An RLE-compressed bitmap of 50 x 40 with two palette colours.
    std::string rle;
    for (int row = 0; row < 40; ++row) rle += std::string("\x32\x01\x00\x00", 4);
    rle += std::string("\x00\x01\x00\x00", 4);
    Words bitmap = {10, 10, 59, 49, 10, 10, 0, 0, 50, 40, 80, 48, 128, std::uint32_t(rle.size()),
                    0, 0x00CC0020, 50, 40, 40, 50, 40, 1 | 8 << 16, 1, std::uint32_t(rle.size()),
                    3780, 3780, 2, 0, 0x00FFFFFF, 0x00FF00};
    const std::string stretch = words({81, std::uint32_t(8 + 4 * bitmap.size() + rle.size())}) +
                                words(bitmap) + rle;
    const std::string text = record(84, {0, 0, 10, 10, 1, 0, 0, 0, 0, 3, 76, 0, 0, 0, 10, 10,
                                         84, 'a' | 'b' << 16, 'c', 1, 1, 1});
    const std::string poly = record(4, {0, 0, 5, 5, 2, 1, 1, 4, 4});
    const std::string polyPoly = record(8, {0, 0, 5, 5, 2, 4, 2, 2, 1, 1, 2, 2, 3, 3, 4, 4});
    for (const std::string& emf : {rectangle(), emfOf({}), emfOf({text, poly, polyPoly, stretch}),
                                   emfOf({record(39, {1, 0, 0, 0}), record(37, {1}),
                                          record(37, {0x80000005}), record(40, {1})})}) {
        const display::EmfCheck check = display::checkEmf(emf);
        EXPECT_TRUE(check.ok()) << check.fault;
        EXPECT_EQ(check.length, emf.size());
    }
    // Bytes after the metafile are not part of it.
    const display::EmfCheck padded = display::checkEmf(rectangle() + std::string(16, '\0'));
    EXPECT_TRUE(padded.ok()) << padded.fault;
    EXPECT_EQ(padded.length, rectangle().size());
}

TEST(EmfSizeTest, ComesFromTheHeaderBounds) {
    auto withBounds = [](std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) {
        return words({1, 88, std::uint32_t(l), std::uint32_t(t), std::uint32_t(r),
                      std::uint32_t(b)}) + rectangle().substr(24);
    };
    const struct {
        std::string bytes;
        int width, height;
    } cases[] = {
        {rectangle(), 100, 100},
        {withBounds(10, 20, 210, 120), 200, 100},
        {withBounds(-50, -40, 50, 40), 100, 80},
        {withBounds(0, 0, 0, 100), 0, 0},                    // no area
        {withBounds(100, 0, 0, 100), 0, 0},                  // right of its left
        {withBounds(INT32_MIN, 0, INT32_MAX, 100), 0, 0},    // wider than any picture
        {rectangle().substr(0, 87), 0, 0},                   // no whole header
        {"\x02" + rectangle().substr(1), 0, 0},              // not a header record
        {rectangle().replace(40, 4, "XEMF"), 0, 0},          // no signature
    };
    for (const auto& c : cases) {
        const display::EmfSize size = display::emfSize(c.bytes);
        EXPECT_EQ(size.width, c.width) << c.bytes.size();
        EXPECT_EQ(size.height, c.height) << c.bytes.size();
    }
}

TEST(EmfCheckTest, EveryTruncationIsRefused) {
    const std::string emf = rectangle();
    for (std::size_t n = 0; n < emf.size(); ++n)
        EXPECT_FALSE(display::checkEmf(emf.substr(0, n)).ok()) << n;
}

TEST(EmfCheckTest, BrokenStructuresAreRefused) {
    const std::string sound = emfOf({record(43, {0, 0, 10, 10})});
    auto patched = [&](std::size_t at, std::uint32_t value) {
        std::string s = sound;
        const std::string w = words({value});
        s.replace(at, 4, w);
        return s;
    };
    const struct {
        const char* name;
        std::string emf;
        const char* fault;
    } cases[] = {
        {"record size 0", patched(92, 0), "bad record size"},
        {"record size not a multiple of 4", patched(92, 26), "bad record size"},
        {"record size past the end", patched(92, 0x7FFFFFF0), "past the end"},
        {"byte count past the file", patched(48, 0x10000), "the file holds"},
        {"record count wrong", patched(52, 7), "records"},
        {"no handles", patched(56, 0), "handle"},
        {"description outside the header", patched(60, 100), "description"},
        {"no signature", patched(40, 0), "signature"},
        {"record too short for its type", emfOf({record(43, {0, 0})}), "too short"},
        {"huge point count", emfOf({record(4, {0, 0, 5, 5, kHuge, 1, 1})}), "points"},
        {"16-bit huge point count", emfOf({record(87, {0, 0, 5, 5, kHuge, 1})}), "points"},
        {"polygon counts beyond their points",
         emfOf({record(8, {0, 0, 5, 5, 1, 1, 9, 1, 1})}), "add up"},
        {"huge polygon count", emfOf({record(8, {0, 0, 5, 5, kHuge, 0})}), "polygon counts"},
        {"text past the record",
         emfOf({record(84, {0, 0, 10, 10, 1, 0, 0, 0, 0, kHuge, 76, 0, 0, 0, 10, 10, 0, 0})}),
         "text past"},
        {"text offset past the record",
         emfOf({record(84, {0, 0, 10, 10, 1, 0, 0, 0, 0, 2, 0xFFFFFFF0, 0, 0, 0, 10, 10, 0, 0})}),
         "text past"},
        {"spacing past the record",
         emfOf({record(84, {0, 0, 10, 10, 1, 0, 0, 0, 0, 2, 76, 0, 0, 0, 10, 10, 80, 0})}),
         "spacing"},
        {"bitmap past the record",
         emfOf({record(81, {0, 0, 1, 1, 0, 0, 0, 0, 1, 1, 80, 40, 120, kHuge, 0, 0, 1, 1,
                            40, 1, 1, 0x180001, 0, 0, 0, 0, 0, 0})}),
         "bitmap past"},
        {"bitmap rows beyond its pixels",
         emfOf({record(81, {0, 0, 1, 1, 0, 0, 0, 0, 1, 1, 80, 40, 120, 4, 0, 0, 1, 1,
                            40, 1000, 1000, 0x180001, 0, 0, 0, 0, 0, 0, 0})}),
         "rows"},
        {"colour table too long",
         emfOf({record(81, {0, 0, 1, 1, 0, 0, 0, 0, 1, 1, 80, 40, 120, 4, 0, 0, 1, 1,
                            40, 1, 1, 0x80001, 0, 0, 0, 0, 256, 0, 0})}),
         "colour table"},
        {"handle beyond the table", emfOf({record(39, {9, 0, 0, 0})}), "handle 9"},
        {"selected handle beyond the table", emfOf({record(37, {4})}), "handle 4"},
        {"gradient index past its vertices",
         emfOf({record(118, {0, 0, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 5})}), "vertex"},
        {"huge comment", emfOf({record(70, {kHuge})}), "comment"},
        {"huge palette", emfOf({record(49, {1, 0x7FFF0300})}), "palette"},
        {"huge region", emfOf({record(74, {0, 0, 1, 1, kHuge})}), "region"},
        {"region rectangles past it",
         emfOf({record(74, {0, 0, 1, 1, 32, 32, 1, kHuge, 0, 0, 0, 0, 0})}), "rectangles"},
        {"a record after EMR_EOF", emfOf({record(14, {0, 16, 20}), record(43, {0, 0, 1, 1})}),
         "after EMR_EOF"},
    };
    for (const auto& c : cases) {
        const display::EmfCheck check = display::checkEmf(c.emf);
        EXPECT_FALSE(check.ok()) << c.name;
        EXPECT_NE(check.fault.find(c.fault), std::string::npos) << c.name << ": " << check.fault;
    }
}

}  // namespace
