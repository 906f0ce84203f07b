#include "display/emf_check.h"

#include <cstdint>
#include <vector>

namespace display {
namespace {

// Record types (MS-EMF 2.1.1) that the check looks into.
enum : std::uint32_t {
    kHeader = 1, kPolyBezier = 2, kPolyLineTo = 6, kPolyPolyline = 7, kPolyPolygon = 8,
    kEof = 14, kSelectObject = 37, kCreatePen = 38, kCreateBrush = 39, kDeleteObject = 40,
    kSelectPalette = 48, kCreatePalette = 49, kSetPaletteEntries = 50, kResizePalette = 51,
    kPolyDraw = 56, kGdiComment = 70, kFillRgn = 71, kFrameRgn = 72, kInvertRgn = 73,
    kPaintRgn = 74, kExtSelectClipRgn = 75, kBitBlt = 76, kStretchBlt = 77, kMaskBlt = 78,
    kPlgBlt = 79, kSetDiBitsToDevice = 80, kStretchDiBits = 81, kCreateFont = 82,
    kExtTextOutA = 83, kExtTextOutW = 84, kPolyBezier16 = 85, kPolyLineTo16 = 89,
    kPolyPolyline16 = 90, kPolyPolygon16 = 91, kPolyDraw16 = 92, kCreateMonoBrush = 93,
    kCreateDibPatternBrush = 94, kExtCreatePen = 95, kPolyTextOutA = 96, kPolyTextOutW = 97,
    kCreateColorSpace = 99, kSmallTextOut = 108, kSetIcmProfileA = 112, kSetIcmProfileW = 113,
    kAlphaBlend = 114, kTransparentBlt = 116, kGradientFill = 118, kCreateColorSpaceW = 122,
    kMaxType = 122,
};

constexpr std::uint32_t kStockObject = 0x80000000u;
constexpr std::uint32_t kEtoPdy = 0x2000, kEtoNoRect = 0x100, kEtoSmallChars = 0x200;

// The least size of the records whose fixed part is known; 0: not checked.
std::uint32_t minimumSize(std::uint32_t type) {
    switch (type) {
        case 9: case 10: case 11: case 12: case 13: case 26: case 27: case 54: return 16;
        case 15: case kEof: return 20;
        case 16: case 17: case 18: case 19: case 20: case 21: case 22: case 24: case 25:
        case 34: case 37: case 40: case 48: case 57: case 58: case 67: case 98: return 12;
        case 29: case 30: case 31: case 32: return 24;
        case 35: return 32;
        case 36: return 36;
        case 38: return 28;
        case 39: return 24;
        case 41: return 28;
        case 42: case 43: return 24;
        case 44: return 32;
        case 45: case 46: case 47: case 55: return 40;
        case 51: return 16;
        case 53: return 24;
        case 62: case 63: case 64: return 24;
        case kPolyDraw: case kPolyDraw16: return 28;
        case kGdiComment: return 12;
        case kFillRgn: return 32;
        case kFrameRgn: return 40;
        case kInvertRgn: case kPaintRgn: return 28;
        case kExtSelectClipRgn: return 16;
        case kBitBlt: return 100;
        case kStretchBlt: case kAlphaBlend: case kTransparentBlt: return 108;
        case kMaskBlt: return 128;
        case kPlgBlt: return 140;
        case kSetDiBitsToDevice: return 76;
        case kStretchDiBits: return 80;
        case kCreateFont: return 104;
        case kExtTextOutA: case kExtTextOutW: return 76;
        case kCreateMonoBrush: case kCreateDibPatternBrush: return 32;
        case kExtCreatePen: return 52;
        case kPolyTextOutA: case kPolyTextOutW: return 40;
        case kSmallTextOut: return 36;
        case kCreatePalette: return 16;
        case kSetPaletteEntries: return 20;
        case kSetIcmProfileA: case kSetIcmProfileW: return 20;
        case kGradientFill: return 36;
        default:
            if (type >= kPolyBezier && type <= kPolyLineTo) return 28;
            if (type >= kPolyBezier16 && type <= kPolyLineTo16) return 28;
            if (type == kPolyPolyline || type == kPolyPolygon || type == kPolyPolyline16 ||
                type == kPolyPolygon16)
                return 32;
            return 8;
    }
}

class Checker {
public:
    explicit Checker(std::string_view bytes) : m_bytes(bytes) {}

    EmfCheck run() {
        EmfCheck result;
        result.fault = check();
        if (result.ok()) result.length = m_length;
        return result;
    }

private:
    std::uint32_t u32(std::uint64_t at) const {
        const auto* p = reinterpret_cast<const unsigned char*>(m_bytes.data() + at);
        return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
               std::uint32_t(p[3]) << 24;
    }
    std::uint16_t u16(std::uint64_t at) const {
        const auto* p = reinterpret_cast<const unsigned char*>(m_bytes.data() + at);
        return std::uint16_t(p[0] | p[1] << 8);
    }
    std::int32_t s32(std::uint64_t at) const { return std::int32_t(u32(at)); }

    std::string fault(const std::string& what) const {
        return "record " + std::to_string(m_index) + " (type " + std::to_string(m_type) +
               ") at byte " + std::to_string(m_at) + ": " + what;
    }

    // Whether `length` bytes at `offset` within the current record lie inside it.
    bool inRecord(std::uint64_t offset, std::uint64_t length) const {
        return offset <= m_size && length <= m_size - offset;
    }
    // A field of the current record, read after its size was checked.
    std::uint32_t field(std::uint64_t offset) const { return u32(m_at + offset); }

    std::string check() {
        if (m_bytes.size() < 88) return "shorter than an EMF header";
        if (u32(0) != kHeader) return "does not begin with an EMF header record";
        if (u32(40) != 0x464D4520u) return "no EMF signature in its header";
        const std::uint32_t headerSize = u32(4);
        m_length = u32(48);
        if (m_length > m_bytes.size()) {
            return "the header counts " + std::to_string(m_length) + " bytes, the file holds " +
                   std::to_string(m_bytes.size());
        }
        if (headerSize < 88 || headerSize % 4 || headerSize > m_length) return "bad header size";
        m_handles = u16(56);
        if (m_handles == 0) return "no object handle table in its header";
        const std::uint32_t nDescription = u32(60), offDescription = u32(64);
        if (nDescription &&
            (offDescription < 88 || std::uint64_t(offDescription) + 2ull * nDescription > headerSize)) {
            return "description outside the header record";
        }
        if (headerSize >= 100) {
            const std::uint32_t cbPixelFormat = u32(88), offPixelFormat = u32(92);
            if (cbPixelFormat && (offPixelFormat < 88 ||
                                  std::uint64_t(offPixelFormat) + cbPixelFormat > headerSize)) {
                return "pixel format outside the header record";
            }
        }
        const std::uint32_t records = u32(52);

        bool sawEof = false;
        for (m_at = 0, m_index = 1; m_at < m_length; m_at += m_size, ++m_index) {
            if (sawEof) return fault("a record after EMR_EOF");
            if (m_length - m_at < 8) return fault("a record head past the end");
            m_type = u32(m_at);
            m_size = u32(m_at + 4);
            if (m_size < 8 || m_size % 4) return fault("bad record size " + std::to_string(m_size));
            if (m_size > m_length - m_at) return fault("record size past the end");
            if (m_type == kHeader && m_index != 1) return fault("a second header");
            if (m_type == 0 || m_type > kMaxType) continue;  // unknown: passed over
            if (m_size < minimumSize(m_type)) return fault("record too short for its type");
            if (std::string f = checkRecord(); !f.empty()) return fault(f);
            if (m_type == kEof) sawEof = true;
        }
        if (!sawEof) return "no EMR_EOF record";
        if (records != m_index - 1) {
            return "the header counts " + std::to_string(records) + " records, the file holds " +
                   std::to_string(m_index - 1);
        }
        return {};
    }

    std::string newHandle(std::uint64_t offset) const {
        const std::uint32_t h = field(offset);
        if (h == 0 || h >= m_handles) return "object handle " + std::to_string(h) + " out of range";
        return {};
    }

    std::string usedHandle(std::uint64_t offset) const {
        const std::uint32_t h = field(offset);
        if (h & kStockObject) return {};
        return newHandle(offset);
    }

    // `count` items of `each` bytes at `offset` of the record.
    std::string array(std::uint64_t offset, std::uint64_t count, std::uint64_t each,
                      const char* what) const {
        if (!inRecord(offset, count * each)) return std::string(what) + " past the record's end";
        return {};
    }

    std::string polyPoly(std::uint64_t pointSize) const {
        const std::uint32_t polys = field(24), points = field(28);
        if (auto f = array(32, polys, 4, "polygon counts"); !f.empty()) return f;
        if (auto f = array(32 + 4ull * polys, points, pointSize, "points"); !f.empty()) return f;
        std::uint64_t sum = 0;
        for (std::uint32_t i = 0; i < polys; ++i) sum += field(32 + 4ull * i);
        if (sum != points) return "polygon counts do not add up to the points";
        return {};
    }

    // One EmrText structure at `offset` of the record; `charSize` 1 or 2.
    std::string text(std::uint64_t offset, std::uint64_t charSize) const {
        if (!inRecord(offset, 40)) return "text structure past the record's end";
        const std::uint32_t chars = field(offset + 8), offString = field(offset + 12);
        const std::uint32_t options = field(offset + 16), offDx = field(offset + 36);
        if (chars && !inRecord(offString, chars * charSize)) return "text past the record's end";
        if (chars && offDx && !inRecord(offDx, chars * ((options & kEtoPdy) ? 8ull : 4ull))) {
            return "character spacing past the record's end";
        }
        return {};
    }

    // A device-independent bitmap given by the record's offset and size fields.
    std::string bitmap(std::uint64_t offBmiField, std::uint64_t cbBmiField,
                       std::uint64_t offBitsField, std::uint64_t cbBitsField) const {
        const std::uint32_t offBmi = field(offBmiField), cbBmi = field(cbBmiField);
        const std::uint32_t offBits = field(offBitsField), cbBits = field(cbBitsField);
        if (cbBmi == 0 && cbBits == 0) return {};  // no bitmap (a pattern-only operation)
        if (!inRecord(offBmi, cbBmi) || !inRecord(offBits, cbBits)) {
            return "bitmap past the record's end";
        }
        if (cbBmi < 40) return "bitmap header too short";
        const std::uint64_t at = offBmi;
        const std::uint32_t headerSize = field(at);
        const std::int32_t width = s32(m_at + at + 4), height = s32(m_at + at + 8);
        const std::uint16_t bitCount = u16(m_at + at + 14);
        const std::uint32_t compression = field(at + 16), clrUsed = field(at + 32);
        if (headerSize < 40 || headerSize > cbBmi) return "bad bitmap header size";
        if (width <= 0 || height == 0 || height == INT32_MIN) return "bad bitmap size";
        if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 &&
            bitCount != 32) {
            return "bad bitmap depth";
        }
        std::uint64_t colours = clrUsed;
        if (colours == 0 && bitCount <= 8) colours = 1ull << bitCount;
        if (bitCount <= 8 && colours > (1ull << bitCount)) return "colour table too long";
        const std::uint64_t masks = compression == 3 ? 12 : 0;  // BI_BITFIELDS
        if (std::uint64_t(headerSize) + masks + 4 * colours > cbBmi) {
            return "colour table past the bitmap header";
        }
        const bool packed = compression == 0 || compression == 3;  // BI_RGB, BI_BITFIELDS
        const std::uint64_t rows = std::uint64_t(height < 0 ? -std::int64_t(height) : height);
        const std::uint64_t rowBytes = ((std::uint64_t(width) * bitCount + 31) / 32) * 4;
        if (packed && rowBytes * rows > cbBits) return "bitmap rows past its pixel data";
        return {};
    }

    std::string region(std::uint64_t sizeField, std::uint64_t dataAt) const {
        const std::uint32_t size = field(sizeField);
        if (!inRecord(dataAt, size)) return "region past the record's end";
        if (size < 32) return "region header too short";
        const std::uint32_t rects = field(dataAt + 8);
        if (32ull + 16ull * rects > size) return "region rectangles past the region";
        return {};
    }

    std::string checkRecord() const {
        switch (m_type) {
            case kEof: {
                const std::uint32_t entries = field(8), offset = field(12);
                if (entries && !inRecord(offset, 4ull * entries)) return "palette past the end";
                return {};
            }
            case kPolyPolyline: case kPolyPolygon: return polyPoly(8);
            case kPolyPolyline16: case kPolyPolygon16: return polyPoly(4);
            case kPolyDraw: return array(28, field(24), 9, "points");
            case kPolyDraw16: return array(28, field(24), 5, "points");
            case kSelectObject: case kDeleteObject: case kSelectPalette: return usedHandle(8);
            case kCreatePen: case kCreateBrush: case kCreateFont: case kCreateColorSpace:
            case kCreateColorSpaceW:
                return newHandle(8);
            case kCreatePalette: {
                if (auto f = newHandle(8); !f.empty()) return f;
                return array(16, u16(m_at + 14), 4, "palette");
            }
            case kSetPaletteEntries: return array(20, field(16), 4, "palette");
            case kResizePalette: return usedHandle(8);
            case kGdiComment: return array(12, field(8), 1, "comment");
            case kFillRgn: {
                if (auto f = usedHandle(28); !f.empty()) return f;
                return region(24, 32);
            }
            case kFrameRgn: {
                if (auto f = usedHandle(28); !f.empty()) return f;
                return region(24, 40);
            }
            case kInvertRgn: case kPaintRgn: return region(24, 28);
            case kExtSelectClipRgn: return field(8) ? region(8, 16) : std::string();
            case kBitBlt: case kStretchBlt: case kAlphaBlend: case kTransparentBlt:
                return bitmap(84, 88, 92, 96);
            case kMaskBlt: {
                if (auto f = bitmap(84, 88, 92, 96); !f.empty()) return f;
                return bitmap(112, 116, 120, 124);
            }
            case kPlgBlt: {
                if (auto f = bitmap(96, 100, 104, 108); !f.empty()) return f;
                return bitmap(124, 128, 132, 136);
            }
            case kSetDiBitsToDevice: case kStretchDiBits: return bitmap(48, 52, 56, 60);
            case kCreateMonoBrush: case kCreateDibPatternBrush: {
                if (auto f = newHandle(8); !f.empty()) return f;
                return bitmap(16, 20, 24, 28);
            }
            case kExtCreatePen: {
                if (auto f = newHandle(8); !f.empty()) return f;
                if (auto f = array(52, field(48), 4, "pen style entries"); !f.empty()) return f;
                return field(16) ? bitmap(12, 16, 20, 24) : std::string();
            }
            case kExtTextOutA: return text(36, 1);
            case kExtTextOutW: return text(36, 2);
            case kPolyTextOutA: case kPolyTextOutW: {
                const std::uint32_t strings = field(36);
                if (auto f = array(40, strings, 40, "texts"); !f.empty()) return f;
                for (std::uint32_t i = 0; i < strings; ++i) {
                    if (auto f = text(40 + 40ull * i, m_type == kPolyTextOutW ? 2 : 1); !f.empty())
                        return f;
                }
                return {};
            }
            case kSmallTextOut: {
                const std::uint32_t chars = field(16), options = field(20);
                const std::uint64_t at = (options & kEtoNoRect) ? 36 : 52;
                return array(at, chars, (options & kEtoSmallChars) ? 1 : 2, "text");
            }
            case kSetIcmProfileA: case kSetIcmProfileW:
                return array(20, std::uint64_t(field(12)) + field(16), 1, "profile");
            case kGradientFill: {
                const std::uint32_t vertices = field(24), shapes = field(28), mode = field(32);
                const std::uint64_t each = mode == 2 ? 12 : 8;  // triangles : rectangles
                const std::uint64_t indexAt = 36 + 16ull * vertices;
                if (auto f = array(36, vertices, 16, "vertices"); !f.empty()) return f;
                if (auto f = array(indexAt, shapes, each, "shapes"); !f.empty()) return f;
                for (std::uint64_t i = 0; i < shapes * (each / 4); ++i) {
                    if (field(indexAt + 4 * i) >= vertices) return "shape names a missing vertex";
                }
                return {};
            }
            default:
                if ((m_type >= kPolyBezier && m_type <= kPolyLineTo))
                    return array(28, field(24), 8, "points");
                if (m_type >= kPolyBezier16 && m_type <= kPolyLineTo16)
                    return array(28, field(24), 4, "points");
                return {};
        }
    }

    std::string_view m_bytes;
    std::uint32_t m_length = 0;
    std::uint32_t m_handles = 0;
    std::uint64_t m_at = 0;
    std::uint32_t m_index = 0, m_type = 0, m_size = 0;
};

}  // namespace

EmfCheck checkEmf(std::string_view bytes) { return Checker(bytes).run(); }

EmfSize emfSize(std::string_view bytes) {
    if (bytes.size() < 88) return {};
    auto s32 = [&](std::size_t at) {
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + at);
        return std::int64_t(std::int32_t(std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 |
                                         std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24));
    };
    if (s32(0) != kHeader || s32(40) != 0x464D4520) return {};
    const std::int64_t w = s32(16) - s32(8), h = s32(20) - s32(12);  // right - left, bottom - top
    if (w <= 0 || h <= 0 || w > INT32_MAX || h > INT32_MAX) return {};
    return {int(w), int(h)};
}

}  // namespace display
