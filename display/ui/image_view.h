#pragma once

#include <QFrame>
#include <QImage>
#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "display/picture_layout.h"
#include "display/ui/picture_decoder.h"
#include "display/ui/picture_preparer.h"
#include "platform/ui/svg_drawing.h"

namespace display::ui {

// The picture widget of the Display page. Inside a 4-pixel frame and a
// 1-pixel border lies the canvas (W - 10 x H - 10 for a W x H widget), which
// it clears to pale grey and paints the loaded picture into: a raster picture
// scaled smoothly into targetRect (aspect kept, centred), or a metafile scaled
// into the canvas the same way (at its own size without autoScale).
//
// Threads: every member is for the GUI thread except showPictureQueued(),
// preparePicture(), canvasSizeSnapshot() and autoScaleSnapshot(), which any
// thread may call. The display cycle decodes on its own thread
// (showPictureQueued) and the GUI thread takes the result in a queued call;
// load() does both on the GUI thread. A sharper decode after the canvas grows
// runs on a thread of its own, which hands its result back the same way.
//
// Every decode goes through the program's PictureCache, so a picture shown
// before at the same canvas size is not decoded again.
class ImageView : public QFrame {
    Q_OBJECT
public:
    explicit ImageView(QWidget* parent = nullptr);
    ~ImageView() override;

    // Reads and decodes `file` (program-form path) on the calling thread, then
    // setPicture. A metafile that must go through the office converter blocks
    // for the conversion the first time (see decodePicture).
    bool load(const std::string& file);

    // Any thread: decodes `file` on the calling thread at the canvas size and
    // scaling the view has now, then, in a call queued to the GUI thread (in
    // order with the caller's other queued calls), takes the picture as
    // setPicture does and shows the view.
    void showPictureQueued(const std::string& file);

    // Any thread: decodes `file` into the cache on a thread of its own, at the
    // canvas size and scaling the view has now, so that showing it next takes
    // no decoding (PicturePreparer). Returns at once; shows nothing.
    void preparePicture(const std::string& file);
    // Waits until a preparation asked for is in the cache (tests, benchmark).
    bool waitPrepared(std::chrono::milliseconds limit) { return m_preparer.waitIdle(limit); }

    // Shows a picture decoded elsewhere from `file`. When the file was missing
    // nothing changes and the result is false; otherwise the view takes the
    // picture (mode 1 raster, 2 metafile) or, when it could not be decoded,
    // clears (mode 0, file "", empty canvas) and returns false. Repaints.
    bool setPicture(DecodedPicture picture, const std::string& file);

    // Repaints the canvas now, all of it or only `clip`, a rectangle in the
    // toolkit's coordinates (pixels from the canvas's lower-left corner,
    // corners inclusive) widened by one pixel on every side.
    void display(std::optional<ToolkitRect> clip = std::nullopt);

    // true (default): pictures are scaled to the canvas; false: drawn at their
    // own pixel size.
    bool autoScale() const { return m_autoScale; }
    void setAutoScale(bool on);

    // The picture loaded last, "" when none. 0 nothing, 1 raster, 2 metafile.
    const std::string& file() const { return m_file; }
    int mode() const;

    // The canvas's size; the snapshot, for other threads, follows the resize
    // events (which a hidden widget gets when shown).
    QSize canvasSize() const;
    QSize canvasSizeSnapshot() const;
    bool autoScaleSnapshot() const { return m_autoScale; }

    // The drawing surface, for tests that grab what it shows.
    QWidget* canvas() const;

    // The decoded raster image kept for painting (its resolution follows the
    // canvas), for tests and the benchmark.
    QSize decodedSize() const { return m_image.size(); }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    class Canvas;
    friend class Canvas;

    void paintCanvas(QPainter& painter, const QRect& dirty);
    QRect pictureRect() const;
    void decodeAgainIfGrown();
    // The GUI thread's ends of the two hand-overs, called by name in queued
    // calls (so that nothing of ours crosses threads inside Qt's event).
    Q_INVOKABLE void takeArrivedPicture();
    Q_INVOKABLE void takeSharperImage();

    QFrame* m_frame;
    Canvas* m_canvas;
    PictureKind m_kind = PictureKind::None;
    std::string m_file;
    std::atomic<bool> m_autoScale{true};
    std::atomic<int> m_canvasWidth{0}, m_canvasHeight{0};

    QImage m_image;   // raster, and a metafile drawn already: as decoded
    QSize m_fullSize;  // raster: the picture's own size
    QImage m_scaled;  // m_image at the size last drawn
    std::unique_ptr<platform::ui::SvgDrawing> m_svg;  // a metafile as an SVG document
    QSize m_svgSize;  // metafile: the picture's own size

    // Pictures decoded by showPictureQueued, oldest first, and the result of
    // the sharper re-decode, each waiting for its queued call. The generation
    // tells a stale re-decode from one of the current picture.
    struct Arrived {
        DecodedPicture picture;
        std::string file;
    };
    struct Sharper {
        DecodedPicture picture;
        quint64 generation = 0;
    };
    std::mutex m_handOver;
    std::deque<Arrived> m_arrived;
    std::optional<Sharper> m_sharper;

    // A decode at a larger size, on a thread of its own, when the canvas
    // grows past the image's resolution; one at a time. The destructor joins
    // a worker still running (its queued call is then dropped with the view).
    std::jthread m_redecodeThread;
    bool m_redecoding = false;
    quint64 m_generation = 0;

    PicturePreparer m_preparer;
};

}  // namespace display::ui
