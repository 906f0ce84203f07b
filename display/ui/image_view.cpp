#include "display/ui/image_view.h"

#include <QPaintEvent>
#include <QPainter>

#include "display/ui/picture_cache.h"

namespace display::ui {
namespace {

DecodedPicture decode(const std::string& file, QSize canvasSize, bool autoScale) {
    return PictureCache::shared().decode(file, canvasSize, autoScale);
}

// The toolkit's colour 15, pale grey.
const QColor kCanvasColour(192, 192, 192);
constexpr int kFrameInset = 4;
constexpr int kCanvasInset = 1;

}  // namespace

class ImageView::Canvas : public QWidget {
public:
    Canvas(ImageView* view, QWidget* parent) : QWidget(parent), m_view(view) {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        m_view->paintCanvas(painter, event->rect());
    }

private:
    ImageView* m_view;
};

ImageView::ImageView(QWidget* parent)
    : QFrame(parent),
      m_frame(new QFrame(this)),
      m_canvas(new Canvas(this, m_frame)),
      m_preparer(PictureCache::shared()) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    m_frame->setFrameStyle(QFrame::Box | QFrame::Plain);
    m_frame->setLineWidth(kCanvasInset);
}

ImageView::~ImageView() {
    if (m_redecodeThread.joinable()) m_redecodeThread.join();
}

void ImageView::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    const int w = width(), h = height();
    m_frame->setGeometry(kFrameInset, kFrameInset, std::max(w - 2 * kFrameInset, 0),
                         std::max(h - 2 * kFrameInset, 0));
    const int inset = kFrameInset + kCanvasInset;
    m_canvas->setGeometry(kCanvasInset, kCanvasInset, std::max(w - 2 * inset, 0),
                          std::max(h - 2 * inset, 0));
    m_canvasWidth = m_canvas->width();
    m_canvasHeight = m_canvas->height();
    decodeAgainIfGrown();
}

QSize ImageView::canvasSize() const {
    // From the widget's own size: a hidden widget gets its resize event only
    // when shown, but a picture may be loaded before that.
    const int inset = 2 * (kFrameInset + kCanvasInset);
    return {std::max(width() - inset, 0), std::max(height() - inset, 0)};
}
QSize ImageView::canvasSizeSnapshot() const { return {m_canvasWidth, m_canvasHeight}; }
QWidget* ImageView::canvas() const { return m_canvas; }

int ImageView::mode() const {
    switch (m_kind) {
        case PictureKind::Raster: return 1;
        case PictureKind::Metafile: return 2;
        case PictureKind::None: break;
    }
    return 0;
}

void ImageView::setAutoScale(bool on) {
    if (on == m_autoScale) return;
    m_autoScale = on;
    m_scaled = {};
    decodeAgainIfGrown();
    m_canvas->update();
}

bool ImageView::load(const std::string& file) {
    return setPicture(decode(file, canvasSize(), m_autoScale), file);
}

void ImageView::showPictureQueued(const std::string& file) {
    DecodedPicture decoded = decode(file, canvasSizeSnapshot(), autoScaleSnapshot());
    {
        std::lock_guard lock(m_handOver);
        m_arrived.push_back({std::move(decoded), file});
    }
    QMetaObject::invokeMethod(this, "takeArrivedPicture", Qt::QueuedConnection);
}

void ImageView::preparePicture(const std::string& file) {
    m_preparer.prepare(file, canvasSizeSnapshot(), autoScaleSnapshot());
}

void ImageView::takeArrivedPicture() {
    std::optional<Arrived> next;
    {
        std::lock_guard lock(m_handOver);
        if (m_arrived.empty()) return;
        next = std::move(m_arrived.front());
        m_arrived.pop_front();
    }
    setPicture(std::move(next->picture), next->file);
    show();
}

bool ImageView::setPicture(DecodedPicture picture, const std::string& file) {
    if (picture.missing) return false;
    ++m_generation;
    m_kind = PictureKind::None;
    m_file.clear();
    m_image = {};
    m_scaled = {};
    m_fullSize = {};
    m_svg.reset();
    if (picture.kind == PictureKind::Raster) {
        m_image = std::move(picture.image);
        m_fullSize = picture.fullSize;
        m_kind = PictureKind::Raster;
    } else if (picture.kind == PictureKind::Metafile && !picture.image.isNull()) {
        // Drawn already, at the size it is shown at (picture_decoder.h).
        m_image = std::move(picture.image);
        m_svgSize = picture.svgSize;
        m_kind = PictureKind::Metafile;
    } else if (picture.kind == PictureKind::Metafile) {
        auto drawing = std::make_unique<platform::ui::SvgDrawing>(picture.svg);
        if (drawing->isValid()) {
            if (!picture.viewBox.isNull()) drawing->setViewBox(picture.viewBox);
            m_svg = std::move(drawing);
            m_svgSize = picture.svgSize;
            m_kind = PictureKind::Metafile;
        }
    }
    if (m_kind != PictureKind::None) m_file = file;
    decodeAgainIfGrown();
    display();
    return m_kind != PictureKind::None;
}

void ImageView::display(std::optional<ToolkitRect> clip) {
    const QSize size = canvasSize();
    const ToolkitRect c = clip.value_or(ToolkitRect{1, 1, double(size.width() - 1),
                                                    double(size.height() - 1)});
    const PixelRect r = toPixelRect({c.x1 - 1, c.y1 - 1, c.x2 + 1, c.y2 + 1}, size.height());
    const QRect dirty = QRect(r.left, r.top, r.width, r.height) & m_canvas->rect();
    if (!dirty.isEmpty()) m_canvas->repaint(dirty);
}

QRect ImageView::pictureRect() const {
    const QSize own = m_kind == PictureKind::Raster ? m_fullSize : m_svgSize;
    const QSize size = canvasSize();
    const PixelRect r = toPixelRect(
        targetRect(size.width(), size.height(), own.width(), own.height(), m_autoScale, m_kind),
        size.height());
    return {r.left, r.top, r.width, r.height};
}

void ImageView::paintCanvas(QPainter& painter, const QRect& dirty) {
    painter.setClipRect(dirty);
    painter.fillRect(m_canvas->rect(), kCanvasColour);
    const QRect target = pictureRect();
    if (target.isEmpty()) return;
    if (m_svg) {
        painter.setRenderHint(QPainter::Antialiasing);
        m_svg->render(painter, QRectF(target));
    } else if (m_kind != PictureKind::None) {  // raster, or a metafile drawn already
        if (m_scaled.size() != target.size()) {
            m_scaled = m_image.size() == target.size()
                           ? m_image
                           : m_image.scaled(target.size(), Qt::IgnoreAspectRatio,
                                            Qt::SmoothTransformation);
        }
        painter.drawImage(target.topLeft(), m_scaled);
    }
}

void ImageView::decodeAgainIfGrown() {
    if (m_kind != PictureKind::Raster || m_image.size() == m_fullSize) return;
    const QSize wanted = rasterDecodeSize(m_fullSize, canvasSize(), m_autoScale);
    if (wanted.width() <= m_image.width() && wanted.height() <= m_image.height()) return;
    // One at a time: when it is in, takeSharperImage starts the next if needed.
    if (m_redecoding) return;
    m_redecoding = true;
    if (m_redecodeThread.joinable()) m_redecodeThread.join();  // it has handed its result over
    m_redecodeThread = std::jthread([this, generation = m_generation, file = m_file,
                                     canvas = canvasSize(), autoScale = bool(m_autoScale)] {
        DecodedPicture picture = decode(file, canvas, autoScale);
        {
            std::lock_guard lock(m_handOver);
            m_sharper = Sharper{std::move(picture), generation};
        }
        QMetaObject::invokeMethod(this, "takeSharperImage", Qt::QueuedConnection);
    });
}

void ImageView::takeSharperImage() {
    Sharper sharper;
    {
        std::lock_guard lock(m_handOver);
        if (!m_sharper) return;
        sharper = std::move(*m_sharper);
        m_sharper.reset();
    }
    m_redecoding = false;
    DecodedPicture& picture = sharper.picture;
    if (sharper.generation != m_generation || picture.kind != PictureKind::Raster ||
        picture.fullSize != m_fullSize ||
        (picture.image.width() <= m_image.width() && picture.image.height() <= m_image.height())) {
        decodeAgainIfGrown();  // a new picture or canvas may want one of its own
        return;
    }
    m_image = std::move(picture.image);
    m_scaled = {};
    m_canvas->update();
    decodeAgainIfGrown();  // the canvas may have grown again meanwhile
}

}  // namespace display::ui
