#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QThread;

namespace display::ui {

// Watches the point-of-sale's code file with the system's change notification
// (inotify on Linux, FindFirstChangeNotification on Windows) and calls `changed`
// whenever the file may have changed: written, replaced by a rename, deleted
// or created. The folder is watched too, since a point-of-sale may put a new
// file in place by a rename, and the file is watched again whenever the one
// at its name was replaced; while the folder does not exist, its nearest
// existing parent is watched so that its creation is seen. Changes of other
// files in the folder call nothing. Where no notification arrives (many
// network shares) nothing is called: the display's poll covers those.
//
// Where the system tells it (Linux), the watcher also follows whether the
// till has closed the file since it last wrote it: `closed` is called when it
// has (a whole file is there to read), and writerDone() says so.
//
// A folder renamed away and made again under its name (or replaced by a
// link) is another folder: the watcher notices within about a second (at
// once where the folder's parent tells) and watches the new one.
//
// The watching runs on a thread of its own with a Qt event loop, so that a
// share that is slow to answer never holds up the window; `changed` and
// `closed` are called on that thread.
class CodeFileWatcher {
public:
    explicit CodeFileWatcher(std::function<void()> changed, std::function<void()> closed = {});
    ~CodeFileWatcher();
    CodeFileWatcher(const CodeFileWatcher&) = delete;
    CodeFileWatcher& operator=(const CodeFileWatcher&) = delete;

    // From now on watches `codeFile` (program form); "" or a path that cannot
    // be mapped watches nothing. Any thread; returns at once.
    void watch(const std::string& codeFile);

    // Ends the watching; `changed` is not called once this returns. Waits at
    // most kStopWait for the thread (a share that does not answer may hold
    // it), then leaves it to end with the process. Also done by the destructor.
    void stop();
    static constexpr std::chrono::milliseconds kStopWait{1000};

    // Whether the till has closed `codeFile` since it last wrote it: true
    // closed, false still writing; nullopt when it is not the file watched or
    // the system does not tell. Any thread.
    std::optional<bool> writerDone(const std::string& codeFile) const;

    // Waits until the last watch() has taken effect; false after `limit`.
    // For tests.
    bool waitArmed(std::chrono::milliseconds limit);

private:
    struct Shared;
    class Worker;

    std::shared_ptr<Shared> m_shared;
    QThread* m_thread = nullptr;
    Worker* m_worker = nullptr;  // lives on m_thread, deleted there when it ends
};

}  // namespace display::ui
