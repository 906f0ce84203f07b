#pragma once

#include <QByteArray>
#include <QRectF>
#include <QSize>
#include <QString>
#include <chrono>
#include <optional>
#include <string>

namespace display::ui {

// An SVG document and the part of it that holds the picture.
struct SvgPicture {
    QByteArray svg;
    QRectF viewBox;  // null: the whole document
    QSize size;      // the picture's own size in pixels; empty: the document's
};

// EMF to SVG in memory with libemf2svg. nullopt when the library refuses the
// file (some records, such as RLE-compressed bitmaps, it cannot handle).
// Any thread.
std::optional<QByteArray> emfToSvg(const QByteArray& emf);

// Converts metafiles out of process with LibreOffice's headless converter
// (soffice --headless --convert-to svg), for the metafiles libemf2svg refuses
// and the OS/2 MET files nothing else reads. One conversion runs at a time,
// under a time limit, with a private profile folder; results (failures too)
// are kept per file, size and modification time, so a slide show that comes
// back to a picture does not convert it again. Blocks the calling thread for
// the whole conversion: call it off the GUI thread. All members thread-safe.
class MetafileConverter {
public:
    static MetafileConverter& instance();

    // Converts the file at `nativePath`; nullopt when the converter is missing,
    // fails, or runs out of time.
    std::optional<SvgPicture> convert(const std::string& nativePath);

    // The converter program: "" (the default) looks for soffice on the PATH.
    // A name that does not exist makes every conversion fail.
    void setProgram(std::string program);
    void setTimeLimit(std::chrono::milliseconds limit);
    void clearCache();

private:
    MetafileConverter();
    ~MetafileConverter();
    struct Impl;
    Impl* m_impl;
};

}  // namespace display::ui
