#include "display/ui/picture_preparer.h"

namespace display::ui {

PicturePreparer::~PicturePreparer() {
    if (!m_thread.joinable()) return;
    m_thread.request_stop();  // wakes the wait through its stop token
    m_thread.join();
}

void PicturePreparer::prepare(const std::string& file, QSize canvasSize, bool autoScale) {
    if (pictureKindOf(file) != PictureKind::Raster) return;
    std::lock_guard lock(m_mutex);
    m_waiting = Request{file, canvasSize, autoScale};
    if (!m_thread.joinable()) m_thread = std::jthread([this](std::stop_token stop) { run(stop); });
    m_wake.notify_one();
}

bool PicturePreparer::waitIdle(std::chrono::milliseconds limit) {
    std::unique_lock lock(m_mutex);
    return m_idle.wait_for(lock, limit, [this] { return !m_waiting && !m_decoding; });
}

void PicturePreparer::run(std::stop_token stop) {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, stop, [this] { return m_waiting.has_value(); });
        if (stop.stop_requested()) return;
        Request request = std::move(*m_waiting);
        m_waiting.reset();
        m_decoding = true;
        lock.unlock();
        static_cast<void>(m_cache.decode(request.file, request.canvasSize, request.autoScale));
        lock.lock();
        m_decoding = false;
        m_idle.notify_all();
    }
}

}  // namespace display::ui
