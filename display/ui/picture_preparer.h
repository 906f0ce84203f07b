#pragma once

#include <QSize>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>

#include "display/ui/picture_cache.h"

namespace display::ui {

// Decodes pictures ahead into a PictureCache on a thread of its own, so that
// showing one later takes no decoding (the slide show's next slide). One
// picture at a time; a request made while another waits replaces it. Raster
// pictures only: a metafile may spend seconds in its converter, and the end
// of the program must not wait for that.
class PicturePreparer {
public:
    explicit PicturePreparer(PictureCache& cache) : m_cache(cache) {}
    // Drops a waiting request and waits for a decode in progress.
    ~PicturePreparer();
    PicturePreparer(const PicturePreparer&) = delete;
    PicturePreparer& operator=(const PicturePreparer&) = delete;

    // Any thread; returns at once. The thread starts with the first request.
    void prepare(const std::string& file, QSize canvasSize, bool autoScale);

    // Waits until no request waits and none is being decoded; false when
    // `limit` passed first. For tests and the benchmark.
    bool waitIdle(std::chrono::milliseconds limit);

private:
    struct Request {
        std::string file;
        QSize canvasSize;
        bool autoScale = true;
    };
    void run(std::stop_token stop);

    PictureCache& m_cache;
    std::mutex m_mutex;
    std::condition_variable_any m_wake;
    std::condition_variable m_idle;
    std::optional<Request> m_waiting;
    bool m_decoding = false;
    std::jthread m_thread;
};

}  // namespace display::ui
