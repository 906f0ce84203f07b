#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <set>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "display/picture_store.h"

namespace display {

// What copying one picture came to.
enum class CopyResult {
    Held,    // the store holds a fresh copy large enough (made now or before)
    Full,    // no room for it
    Failed,  // not a picture that could be read or copied
};

// Fills the picture store in the background while the display is idle: on a
// thread of its own of the lowest priority (platform::makeThisThreadBackground),
// which waits while a turn of the display runs and for kResumeAfter after it
// (turnBegins, turnEnds), and between the steps of a copy too (the copy
// function calls the pause it is given).
//
// In this order: the pictures the display showed without the store (want),
// the pictures of the slide show list (wantList), then the pictures of the
// data folder as the picture finder looks for them: the folder itself, its
// images folder and each folder inside that (walk). Each picture once: a
// picture asked for again after it was done is done again (it may have
// changed). The walk stops when the store is full.
//
// Thread-safe; the destructor stops the thread, after the copy in progress.
class PictureStoreFiller {
public:
    static constexpr std::chrono::milliseconds kResumeAfter{200};
    static constexpr std::chrono::seconds kIdleEvery{60};

    // Makes the copy of `file` (program form) unless the store holds a fresh
    // one; calls `pause` between its steps. On the filler's thread.
    using CopyFn = std::function<CopyResult(const std::string& file, StorePriority priority,
                                            const std::function<void()>& pause)>;
    // `whenIdle` runs on the filler's thread each time the work runs out,
    // and every kIdleEvery while there is none (the store writes its index).
    explicit PictureStoreFiller(CopyFn copy, std::function<void()> whenIdle = {});
    ~PictureStoreFiller();
    PictureStoreFiller(const PictureStoreFiller&) = delete;
    PictureStoreFiller& operator=(const PictureStoreFiller&) = delete;

    // Any thread; each returns at once. The thread starts with the first.
    // A picture the display showed from its original.
    void want(const std::string& file);
    // The pictures of the slide show list's `entries` under the data path
    // `cPath` (replacing those given before), found on the filler's thread
    // (listPictures).
    void wantList(std::vector<std::string> entries, std::string cPath);
    // Walks the data folder `cPath` (program form) anew.
    void walk(const std::string& cPath);

    // A turn of the display begins, or has ended: the filler pauses from the
    // first until kResumeAfter after the last has ended. Any thread.
    void turnBegins();
    void turnEnds();

    // Waits until there is nothing left to do; false when `limit` passed
    // first. For tests and the benchmark.
    bool waitIdle(std::chrono::milliseconds limit);

private:
    struct Job {
        std::string file;
        StorePriority priority = StorePriority::Background;
    };
    void run(std::stop_token stop);
    void startLocked();
    bool nextLocked(Job* job);
    bool hasWorkLocked() const;
    // Waits while a turn runs or has just ended; false when stopped.
    bool waitForIdleLocked(std::unique_lock<std::mutex>& lock, std::stop_token& stop);
    void pause();
    // The work has run out: m_whenIdle, then waitIdle's waiters.
    void idleLocked(std::unique_lock<std::mutex>& lock);
    // The next folder of the walk, listed into m_walkFiles.
    bool stepWalkLocked(std::unique_lock<std::mutex>& lock);

    CopyFn m_copy;
    std::function<void()> m_whenIdle;
    mutable std::mutex m_mutex;
    std::condition_variable_any m_wake;
    std::condition_variable m_idle;
    std::deque<std::string> m_wanted;
    std::set<std::string> m_wantedSet;
    std::deque<std::string> m_list;
    std::vector<std::string> m_listEntries;  // still to be found
    std::string m_listPath;
    std::deque<std::string> m_walkFolders;  // still to list
    std::deque<std::string> m_walkFiles;    // listed, still to copy
    int m_turns = 0;
    std::chrono::steady_clock::time_point m_lastTurnEnd{};
    bool m_working = false;
    std::stop_token m_stop;
    std::jthread m_thread;
};

// The pictures the slide show list's `entries` show, found as a slide show
// turn finds them under the data path `cPath` (a picture the entry names, else
// the picture of its code); entries without one are left out. Reads only the
// file system; any thread.
std::vector<std::string> listPictures(const std::vector<std::string>& entries,
                                      const std::string& cPath);

// Whether `name` ends in one of the extensions the picture finder looks for
// (.jpg, .bmp, .gif, .png, in any case).
bool hasFinderExtension(const std::string& name);

}  // namespace display
