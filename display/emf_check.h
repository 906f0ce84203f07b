#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The record structure of an enhanced metafile (EMF), checked before any
// library reads it: pictures come from folders anyone in the shop can write,
// and the EMF library trusts every size, offset, count and handle index it
// finds. No Qt; any thread.
namespace display {

struct EmfCheck {
    std::string fault;        // "" when the structure holds together
    std::size_t length = 0;   // the metafile's own length (its header's byte count)

    bool ok() const { return fault.empty(); }
};

// Checks `bytes` as an EMF: the header record (signature, sizes, the
// description and pixel format inside it, a byte count within the file); then
// every record in turn: a size of at least 8, a multiple of 4, inside the
// metafile; the fixed part of each known record type; every count and offset
// of points, polygons, text, palettes, regions, gradients and bitmaps (with
// their BITMAPINFOHEADER, colour table and pixel rows) inside the record; the
// object handle indices within the header's handle count; and EMR_EOF as the
// last record, with as many records as the header says. Unknown record types
// are passed over by their size. Bytes after the metafile are ignored (the
// caller hands only `length` bytes on). The fault names the record and what
// is wrong with it, for a note to support staff.
EmfCheck checkEmf(std::string_view bytes);

// The picture's own size in device pixels, from the header record's bounds.
// 0 x 0 when `bytes` does not begin with an EMF header or the bounds hold no
// area. Reads the header only: it says nothing about the records.
struct EmfSize {
    int width = 0;
    int height = 0;
    bool isEmpty() const { return width <= 0 || height <= 0; }
};
EmfSize emfSize(std::string_view bytes);

}  // namespace display
