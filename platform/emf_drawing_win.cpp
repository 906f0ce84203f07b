#include <windows.h>

#include <cstdint>
#include <cstring>
#include <limits>

#include "platform/emf_drawing.h"

namespace platform {
namespace {

void put16(std::string* out, std::uint16_t v) {
    for (int i = 0; i < 2; ++i) out->push_back(char((v >> (8 * i)) & 0xFF));
}
void put32(std::string* out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out->push_back(char((v >> (8 * i)) & 0xFF));
}

// A 32-bit BI_RGB BMP file of `width` x `height` pixels from top-down BGRX
// rows, the fourth byte set: rows stored bottom-up, as every BMP reader takes.
std::string bmpFile(const std::uint32_t* pixels, int width, int height) {
    const std::uint32_t rowBytes = std::uint32_t(width) * 4;
    const std::uint32_t pixelBytes = rowBytes * std::uint32_t(height);
    std::string out;
    out.reserve(54 + pixelBytes);
    out += "BM";
    put32(&out, 54 + pixelBytes);
    put32(&out, 0);
    put32(&out, 54);  // where the pixels begin
    put32(&out, 40);  // BITMAPINFOHEADER
    put32(&out, std::uint32_t(width));
    put32(&out, std::uint32_t(height));
    put16(&out, 1);
    put16(&out, 32);
    put32(&out, BI_RGB);
    put32(&out, pixelBytes);
    put32(&out, 3780);  // 96 dpi
    put32(&out, 3780);
    put32(&out, 0);
    put32(&out, 0);
    for (int y = height - 1; y >= 0; --y) {
        const std::uint32_t* row = pixels + std::size_t(y) * std::size_t(width);
        for (int x = 0; x < width; ++x) put32(&out, row[x] | 0xFF000000u);
    }
    return out;
}

}  // namespace

// Plays the metafile into a DIB section of the asked size on white.
std::optional<std::string> drawEmf(std::string_view emf, int width, int height) {
    if (width <= 0 || height <= 0 || emf.size() > std::numeric_limits<UINT>::max())
        return std::nullopt;
    HENHMETAFILE meta =
        SetEnhMetaFileBits(UINT(emf.size()), reinterpret_cast<const BYTE*>(emf.data()));
    if (!meta) return std::nullopt;
    std::optional<std::string> result;
    HDC dc = CreateCompatibleDC(nullptr);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = dc ? CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    if (dib && bits) {
        HGDIOBJ old = SelectObject(dc, dib);
        std::memset(bits, 0xFF, std::size_t(width) * std::size_t(height) * 4);
        const RECT frame = {0, 0, width, height};
        if (PlayEnhMetaFile(dc, meta, &frame)) {
            GdiFlush();
            result = bmpFile(static_cast<const std::uint32_t*>(bits), width, height);
        }
        SelectObject(dc, old);
    }
    if (dib) DeleteObject(dib);
    if (dc) DeleteDC(dc);
    DeleteEnhMetaFile(meta);
    return result;
}

}  // namespace platform
