#include "display/picture_store_filler.h"

#include <algorithm>
#include <cctype>

#include "core/xbase_values.h"
#include "display/code_file.h"
#include "display/find_pic.h"
#include "platform/background_thread.h"
#include "platform/fs.h"

namespace display {
namespace {

// Folders of the walk: the data folder and its images folder list pictures;
// the images folder also lists the folders to walk after it.
constexpr char kImagesMark = '>';

}  // namespace

bool hasFinderExtension(const std::string& name) {
    if (name.size() < 5) return false;
    std::string ext = name.substr(name.size() - 4);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return ext == ".jpg" || ext == ".bmp" || ext == ".gif" || ext == ".png";
}

std::vector<std::string> listPictures(const std::vector<std::string>& entries,
                                      const std::string& cPath) {
    std::vector<std::string> out;
    for (const std::string& entry : entries) {
        const ParsedEntry parsed = parseEntry(entry, cPath);
        std::string file = parsed.target;
        if (!core::isEmptyText(parsed.code) && !platform::isFile(file)) file = FindPic(parsed.code, cPath);
        if (!core::isEmptyText(file) && platform::isFile(file)) out.push_back(file);
    }
    return out;
}

PictureStoreFiller::PictureStoreFiller(CopyFn copy, std::function<void()> whenIdle)
    : m_copy(std::move(copy)), m_whenIdle(std::move(whenIdle)) {}

PictureStoreFiller::~PictureStoreFiller() {
    if (!m_thread.joinable()) return;
    m_thread.request_stop();  // wakes every wait through its stop token
    m_thread.join();
}

void PictureStoreFiller::startLocked() {
    if (!m_thread.joinable()) {
        m_thread = std::jthread([this](std::stop_token stop) { run(stop); });
        m_stop = m_thread.get_stop_token();
    }
    m_wake.notify_all();
}

void PictureStoreFiller::want(const std::string& file) {
    std::lock_guard lock(m_mutex);
    if (!m_wantedSet.insert(file).second) return;
    m_wanted.push_back(file);
    startLocked();
}

void PictureStoreFiller::wantList(std::vector<std::string> entries, std::string cPath) {
    std::lock_guard lock(m_mutex);
    m_list.clear();
    m_listEntries = std::move(entries);
    m_listPath = std::move(cPath);
    startLocked();
}

void PictureStoreFiller::walk(const std::string& cPath) {
    std::lock_guard lock(m_mutex);
    m_walkFiles.clear();
    m_walkFolders = {cPath, kImagesMark + cPath + "\\images"};
    startLocked();
}

void PictureStoreFiller::turnBegins() {
    std::lock_guard lock(m_mutex);
    ++m_turns;
}

void PictureStoreFiller::turnEnds() {
    std::lock_guard lock(m_mutex);
    if (m_turns > 0) --m_turns;
    m_lastTurnEnd = std::chrono::steady_clock::now();
    m_wake.notify_all();
}

bool PictureStoreFiller::waitIdle(std::chrono::milliseconds limit) {
    std::unique_lock lock(m_mutex);
    return m_idle.wait_for(lock, limit, [this] { return !hasWorkLocked() && !m_working; });
}

bool PictureStoreFiller::hasWorkLocked() const {
    return !m_wanted.empty() || !m_list.empty() || !m_listEntries.empty() ||
           !m_walkFiles.empty() || !m_walkFolders.empty();
}

bool PictureStoreFiller::nextLocked(Job* job) {
    if (!m_wanted.empty()) {
        *job = {m_wanted.front(), StorePriority::Shown};
        m_wantedSet.erase(m_wanted.front());
        m_wanted.pop_front();
    } else if (!m_list.empty()) {
        *job = {m_list.front(), StorePriority::Listed};
        m_list.pop_front();
    } else if (!m_walkFiles.empty()) {
        *job = {m_walkFiles.front(), StorePriority::Background};
        m_walkFiles.pop_front();
    } else {
        return false;
    }
    return true;
}

bool PictureStoreFiller::waitForIdleLocked(std::unique_lock<std::mutex>& lock,
                                           std::stop_token& stop) {
    for (;;) {
        if (!m_wake.wait(lock, stop, [this] { return m_turns == 0; })) return false;
        const auto quietFrom = m_lastTurnEnd + kResumeAfter;
        if (std::chrono::steady_clock::now() >= quietFrom) return true;
        // A turn that begins meanwhile ends this wait: then wait for it.
        m_wake.wait_until(lock, stop, quietFrom, [this] { return m_turns > 0; });
        if (stop.stop_requested()) return false;
    }
}

void PictureStoreFiller::pause() {
    std::unique_lock lock(m_mutex);
    std::stop_token stop = m_stop;
    static_cast<void>(waitForIdleLocked(lock, stop));
}

bool PictureStoreFiller::stepWalkLocked(std::unique_lock<std::mutex>& lock) {
    if (m_walkFolders.empty()) return false;
    std::string folder = m_walkFolders.front();
    m_walkFolders.pop_front();
    const bool images = !folder.empty() && folder[0] == kImagesMark;
    if (images) folder.erase(0, 1);
    m_working = true;
    lock.unlock();
    const std::vector<platform::FolderEntry> entries = platform::folderEntries(folder);
    lock.lock();
    m_working = false;
    for (const auto& e : entries) {
        if (e.isFile && hasFinderExtension(e.name)) m_walkFiles.push_back(folder + "\\" + e.name);
        if (images && e.isFolder) m_walkFolders.push_back(folder + "\\" + e.name);
    }
    return true;
}

void PictureStoreFiller::run(std::stop_token stop) {
    platform::makeThisThreadBackground();
    std::unique_lock lock(m_mutex);
    for (;;) {
        while (!m_wake.wait_for(lock, stop, kIdleEvery, [this] { return hasWorkLocked(); })) {
            if (stop.stop_requested()) return;
            idleLocked(lock);
        }
        if (!waitForIdleLocked(lock, stop)) return;
        Job job;
        if (m_wanted.empty() && !m_listEntries.empty()) {
            // The share may be slow to answer: found here, not by the caller.
            const std::vector<std::string> entries = std::move(m_listEntries);
            const std::string cPath = m_listPath;
            m_listEntries.clear();
            m_working = true;
            lock.unlock();
            const std::vector<std::string> files = listPictures(entries, cPath);
            lock.lock();
            m_working = false;
            if (m_listEntries.empty()) m_list.assign(files.begin(), files.end());
        } else if (!nextLocked(&job)) {
            stepWalkLocked(lock);
        } else {
            m_working = true;
            lock.unlock();
            const CopyResult result = m_copy(job.file, job.priority, [this] { pause(); });
            lock.lock();
            m_working = false;
            // A full store takes nothing more from the walk.
            if (result == CopyResult::Full && job.priority == StorePriority::Background) {
                m_walkFiles.clear();
                m_walkFolders.clear();
            }
        }
        if (!hasWorkLocked()) idleLocked(lock);
    }
}

void PictureStoreFiller::idleLocked(std::unique_lock<std::mutex>& lock) {
    if (m_whenIdle) {
        m_working = true;
        lock.unlock();
        m_whenIdle();
        lock.lock();
        m_working = false;
    }
    if (!hasWorkLocked()) m_idle.notify_all();
}

}  // namespace display
