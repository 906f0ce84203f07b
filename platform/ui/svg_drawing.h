#pragma once

#include <QByteArray>
#include <QRectF>
#include <QSize>
#include <memory>

class QPainter;

namespace platform::ui {

// Whether this build can draw SVG documents. The Windows build has no SVG
// module of Qt: there metafiles come already drawn (display/metafile_child.h).
extern const bool kSvgDrawing;

// An SVG document parsed for drawing (Qt's SVG renderer). Made on any thread;
// one object is used by one thread at a time.
class SvgDrawing {
public:
    // Parses `svg`. isValid() is false when it is no document that can be
    // drawn, and always where kSvgDrawing is false.
    explicit SvgDrawing(const QByteArray& svg);
    ~SvgDrawing();
    SvgDrawing(const SvgDrawing&) = delete;
    SvgDrawing& operator=(const SvgDrawing&) = delete;

    bool isValid() const;
    // The document's own size in pixels; empty when it has none (or is not valid).
    QSize defaultSize() const;
    // The part of the document that is drawn (by default its own view box).
    void setViewBox(const QRectF& viewBox);
    // Draws the view box into `target` with `painter`'s settings. Nothing
    // when not valid.
    void render(QPainter& painter, const QRectF& target);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace platform::ui
