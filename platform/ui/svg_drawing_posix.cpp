#include <QSvgRenderer>

#include "platform/ui/svg_drawing.h"

namespace platform::ui {

const bool kSvgDrawing = true;

struct SvgDrawing::Impl {
    explicit Impl(const QByteArray& svg) : renderer(svg) {}
    QSvgRenderer renderer;
};

SvgDrawing::SvgDrawing(const QByteArray& svg) : m_impl(std::make_unique<Impl>(svg)) {}
SvgDrawing::~SvgDrawing() = default;

bool SvgDrawing::isValid() const { return m_impl->renderer.isValid(); }

QSize SvgDrawing::defaultSize() const {
    return isValid() ? m_impl->renderer.defaultSize() : QSize();
}

void SvgDrawing::setViewBox(const QRectF& viewBox) { m_impl->renderer.setViewBox(viewBox); }

void SvgDrawing::render(QPainter& painter, const QRectF& target) {
    if (isValid()) m_impl->renderer.render(&painter, target);
}

}  // namespace platform::ui
