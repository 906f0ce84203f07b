#include "display/ui/local_pictures.h"

#include <cmath>
#include <cstdio>

namespace display::ui {

LocalPictures::~LocalPictures() { turnOff(); }

void LocalPictures::apply(double megabytes, const std::string& cPath,
                          const std::vector<std::string>& listEntries) {
    applyIn({}, {}, megabytes, cPath, listEntries);
}

void LocalPictures::applyIn(const std::string& base, const std::vector<std::string>& below,
                            double megabytes, const std::string& cPath,
                            const std::vector<std::string>& listEntries) {
    const std::uint64_t capacity =
        megabytes > 0 ? std::uint64_t(std::llround(megabytes * 1048576.0)) : 0;
    if (capacity == 0) return turnOff();
    std::shared_ptr<Running> running;
    {
        std::lock_guard lock(m_mutex);
        running = m_running;
    }
    if (running) {
        running->pictures->store().setCapacity(capacity);
    } else {
        std::string why;
        std::unique_ptr<PictureStore> store =
            base.empty() ? PictureStore::openUsers(capacity, &why)
                         : PictureStore::open(base, below, capacity, &why);
        if (!store) {
            std::fprintf(stderr, "lumisett: no local picture store: %s\n", why.c_str());
            return;
        }
        running = std::make_shared<Running>();
        running->pictures = std::make_shared<StoredPictures>(std::move(store));
        StoredPictures* pictures = running->pictures.get();
        running->filler = std::make_shared<PictureStoreFiller>(
            [pictures](const std::string& file, StorePriority priority,
                       const std::function<void()>& pause) {
                return pictures->copy(file, priority, pause);
            },
            [pictures] { static_cast<void>(pictures->store().flush()); });
    }
    // The list and the walk wait for the first canvas: copies are made for it.
    StoredPictures* pictures = running->pictures.get();
    const std::weak_ptr<PictureStoreFiller> weak = running->filler;
    auto fill = [weak, listEntries, cPath] {
        if (auto filler = weak.lock()) {
            filler->wantList(listEntries, cPath);
            filler->walk(cPath);
        }
    };
    pictures->setListeners(
        [weak](const std::string& file) {
            if (auto filler = weak.lock()) filler->want(file);
        },
        fill);
    if (!pictures->copyCanvas().isEmpty()) fill();
    PictureCache::shared().setStore(running->pictures);
    std::lock_guard lock(m_mutex);
    m_running = running;
}

void LocalPictures::turnOff() {
    std::shared_ptr<Running> running;
    {
        std::lock_guard lock(m_mutex);
        running = std::move(m_running);
    }
    if (!running) return;
    PictureCache::shared().setStore(nullptr);
    // Stopped after its copy in progress; a decode still running with the
    // store finds no filler to tell.
    running->filler.reset();
    static_cast<void>(running->pictures->store().flush());
}

void LocalPictures::turnRunning(bool running) {
    std::shared_ptr<Running> r;
    {
        std::lock_guard lock(m_mutex);
        r = m_running;
    }
    if (!r) return;
    if (running) r->filler->turnBegins();
    else r->filler->turnEnds();
}

bool LocalPictures::isOn() const {
    std::lock_guard lock(m_mutex);
    return m_running != nullptr;
}

bool LocalPictures::waitFilled(std::chrono::milliseconds limit) {
    std::shared_ptr<Running> r;
    {
        std::lock_guard lock(m_mutex);
        r = m_running;
    }
    return !r || r->filler->waitIdle(limit);
}

PictureStore* LocalPictures::store() {
    std::lock_guard lock(m_mutex);
    return m_running ? &m_running->pictures->store() : nullptr;
}

}  // namespace display::ui
