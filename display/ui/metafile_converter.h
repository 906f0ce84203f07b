#pragma once

#include <QByteArray>
#include <QImage>
#include <QRectF>
#include <QSize>
#include <chrono>
#include <optional>
#include <string>

namespace display::ui {

// A converted metafile: an SVG document and the part of it that holds the
// picture, or (where the conversion child draws, display::kMetafileChildDraws)
// the picture drawn at the asked size.
struct ConvertedMetafile {
    QByteArray svg;
    QRectF viewBox;  // null: the whole document
    QSize size;      // the picture's own size in pixels; empty: the document's
    QImage image;    // drawn, opaque; null with an SVG document
};

// Converts metafiles, always out of process, so that a picture that crashes,
// hangs or exhausts a converter never takes the display with it:
// - EMF: first the record structure is checked here (display/emf_check.h);
//   a file that fails the check is refused. A sound one goes to the
//   conversion child, `lumisett-tool convert-metafile` (display/metafile_child.h),
//   which limits its own memory and processor time and is stopped after the
//   child time limit. It writes SVG, or on Windows draws the picture with GDI.
// - Elsewhere than Windows, what that child refuses, and OS/2 MET files, go
//   to LibreOffice's headless converter (soffice --headless --convert-to svg)
//   under its own time limit and a private profile folder. Windows has no
//   converter for MET files.
// A crash, a time-out or a refusal is noted on stderr and gives nullopt.
// Results (failures too) are kept per file name, content and drawn size, so a
// slide show that comes back to a picture does not convert it again. One
// conversion runs at a time. Blocks the calling thread for the whole
// conversion: call it off the GUI thread. All members thread-safe.
class MetafileConverter {
public:
    static MetafileConverter& instance();

    // Converts the metafile `bytes` read from `file` (program-form path, for
    // the cache and the notes). `drawSize`: the size in pixels to draw at,
    // for a child that draws; ignored (and best left empty) elsewhere.
    std::optional<ConvertedMetafile> convert(const std::string& file, const std::string& bytes,
                                             QSize drawSize = {});

    // The conversion child: "" (the default) is lumisett-tool beside the
    // running program, or else the one of this build tree. Tests put a
    // program here that crashes or hangs.
    void setChildProgram(std::string program);
    void setChildTimeLimit(std::chrono::milliseconds limit);
    // The office converter: "" (the default) looks for soffice on the PATH.
    // A name that does not exist makes every office conversion fail.
    void setProgram(std::string program);
    void setTimeLimit(std::chrono::milliseconds limit);
    void clearCache();
    // For the end of the program: stops a running conversion at once (it
    // gives no picture) and fails every later one without starting a
    // converter, so that no child outlives the program. Any thread.
    static void endAll();

private:
    MetafileConverter();
    ~MetafileConverter();
    struct Impl;
    Impl* m_impl;
};

}  // namespace display::ui
