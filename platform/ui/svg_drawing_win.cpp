#include "platform/ui/svg_drawing.h"

namespace platform::ui {

// Qt for Windows is built here without its SVG module.
const bool kSvgDrawing = false;

struct SvgDrawing::Impl {};

SvgDrawing::SvgDrawing(const QByteArray&) {}
SvgDrawing::~SvgDrawing() = default;

bool SvgDrawing::isValid() const { return false; }
QSize SvgDrawing::defaultSize() const { return {}; }
void SvgDrawing::setViewBox(const QRectF&) {}
void SvgDrawing::render(QPainter&, const QRectF&) {}

}  // namespace platform::ui
