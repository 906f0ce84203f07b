#pragma once

#include <QImage>
#include <QSize>
#include <optional>
#include <string>

// Windows only: EMF pictures drawn by the system's own GDI, which reads every
// record a shop's programs write. No Qt widgets; any thread, several at once.
namespace display::ui {

// The picture's own size in pixels, from the EMF header's bounds; empty when
// `emf` is not an EMF file or claims no area.
QSize emfSize(const std::string& emf);

// Plays `emf` into an opaque image of `size` on white (PlayEnhMetaFile into a
// DIB section). nullopt when GDI refuses the file or the size is empty or
// larger than `maxPixels`.
std::optional<QImage> renderEmf(const std::string& emf, QSize size, long long maxPixels);

}  // namespace display::ui
