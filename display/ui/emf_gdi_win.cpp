#include <windows.h>

#include <cstring>
#include <limits>

#include "display/ui/emf_gdi.h"

namespace display::ui {
namespace {

bool readHeader(const std::string& emf, ENHMETAHEADER* header) {
    if (emf.size() < sizeof(ENHMETAHEADER)) return false;
    std::memcpy(header, emf.data(), sizeof *header);
    return header->iType == EMR_HEADER && header->dSignature == ENHMETA_SIGNATURE;
}

}  // namespace

QSize emfSize(const std::string& emf) {
    ENHMETAHEADER header;
    if (!readHeader(emf, &header)) return {};
    const long long w = (long long)header.rclBounds.right - header.rclBounds.left;
    const long long h = (long long)header.rclBounds.bottom - header.rclBounds.top;
    if (w <= 0 || h <= 0 || w > std::numeric_limits<int>::max() ||
        h > std::numeric_limits<int>::max())
        return {};
    return {int(w), int(h)};
}

std::optional<QImage> renderEmf(const std::string& emf, QSize size, long long maxPixels) {
    if (size.isEmpty() || (long long)size.width() * size.height() > maxPixels) return std::nullopt;
    if (emf.size() > std::numeric_limits<UINT>::max()) return std::nullopt;
    HENHMETAFILE meta =
        SetEnhMetaFileBits(UINT(emf.size()), reinterpret_cast<const BYTE*>(emf.data()));
    if (!meta) return std::nullopt;
    std::optional<QImage> result;
    HDC dc = CreateCompatibleDC(nullptr);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size.width();
    info.bmiHeader.biHeight = -size.height();  // top row first, as QImage
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = dc ? CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    if (dib && bits) {
        HGDIOBJ old = SelectObject(dc, dib);
        const std::size_t bytes = std::size_t(size.width()) * size.height() * 4;
        std::memset(bits, 0xFF, bytes);
        const RECT frame = {0, 0, size.width(), size.height()};
        if (PlayEnhMetaFile(dc, meta, &frame)) {
            GdiFlush();
            // The DIB's pixels are 32-bit BGRX, QImage's RGB32 in memory once
            // the fourth byte, which GDI clears where it draws, is 0xFF.
            auto* pixel = static_cast<quint32*>(bits);
            for (std::size_t i = 0; i < bytes / 4; ++i) pixel[i] |= 0xFF000000u;
            result = QImage(static_cast<const uchar*>(bits), size.width(), size.height(),
                            size.width() * 4, QImage::Format_RGB32)
                         .copy();
        }
        SelectObject(dc, old);
    }
    if (dib) DeleteObject(dib);
    if (dc) DeleteDC(dc);
    DeleteEnhMetaFile(meta);
    return result;
}

}  // namespace display::ui
