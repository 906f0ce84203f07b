#include "display/ui/code_file_watcher.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QThread>
#include <condition_variable>
#include <mutex>
#include <optional>

#include "platform/file_stamp.h"
#include "platform/path.h"

namespace display::ui {

// What the caller's thread and the watching thread share; it outlives a
// watching thread left running by stop().
struct CodeFileWatcher::Shared {
    std::mutex mutex;
    std::condition_variable armed;
    std::function<void()> changed;  // emptied by stop()
    std::string codeFile;           // the path last asked for
    unsigned asked = 0, taken = 0;  // watch() calls made and armed
};

// The watching thread's side. Its QFileSystemWatcher is made on that thread.
class CodeFileWatcher::Worker : public QObject {
    Q_OBJECT
public:
    explicit Worker(std::shared_ptr<Shared> shared) : m_shared(std::move(shared)) {}

    // Called by name in a queued call, so that nothing of ours crosses threads
    // inside Qt's event: the path comes through Shared.
    Q_INVOKABLE void takeRequest() {
        unsigned asked;
        std::string codeFile;
        {
            std::lock_guard lock(m_shared->mutex);
            codeFile = m_shared->codeFile;
            asked = m_shared->asked;
        }
        if (!m_watcher) {
            m_watcher = new QFileSystemWatcher(this);
            connect(m_watcher, &QFileSystemWatcher::fileChanged, this, [this] { fileChanged(); });
            connect(m_watcher, &QFileSystemWatcher::directoryChanged, this,
                    [this] { directoryChanged(); });
        }
        const bool same = codeFile == m_codeFile;
        m_codeFile = std::move(codeFile);
        arm(true);
        // The same file watched afresh (Apply/Save): a write while its watch
        // was renewed gives no event, so the stamp tells.
        const auto stamp = platform::fileStamp(m_codeFile);
        const bool missed = same && stamp != m_stamp;
        m_stamp = stamp;
        if (missed) notify();
        std::lock_guard lock(m_shared->mutex);
        m_shared->taken = asked;
        m_shared->armed.notify_all();
    }

private:
    // Written to, or gone (Qt then stops watching it).
    void fileChanged() {
        arm(false);
        m_stamp = platform::fileStamp(m_codeFile);
        notify();
    }

    // Something in the folder changed: perhaps the code file was renamed into
    // place, deleted or created, or the folder itself was created.
    void directoryChanged() {
        arm(true);
        const auto stamp = platform::fileStamp(m_codeFile);
        if (stamp == m_stamp) return;
        m_stamp = stamp;
        notify();
    }

    // Watches the code file when it exists, and its folder or else the
    // nearest existing parent. `renew` watches the file afresh even when its
    // name is watched: the file there now may be another than the one
    // watched (renamed into place).
    void arm(bool renew) {
        QString file;
        if (!m_codeFile.empty()) {
            if (auto native = platform::toNative(m_codeFile))
                file = QDir::cleanPath(QDir::fromNativeSeparators(QFile::decodeName(native->c_str())));
        }
        QString dir;
        if (!file.isEmpty()) {
            dir = QFileInfo(file).absolutePath();
            while (!QFileInfo(dir).isDir()) {
                const QString up = QFileInfo(dir).absolutePath();
                if (up == dir) {
                    dir.clear();
                    break;
                }
                dir = up;
            }
        }
        const bool dirWatched = !m_dir.isEmpty() && m_watcher->directories().contains(m_dir);
        if (dir != m_dir || !dirWatched) {
            if (dirWatched) m_watcher->removePath(m_dir);
            m_dir = !dir.isEmpty() && m_watcher->addPath(dir) ? dir : QString();
        }
        const bool exists = !file.isEmpty() && QFileInfo(file).isFile();
        const bool watched = !m_file.isEmpty() && m_watcher->files().contains(m_file);
        if (renew || file != m_file || !watched || !exists) {
            if (watched) m_watcher->removePath(m_file);
            m_file = exists && m_watcher->addPath(file) ? file : QString();
        }
    }

    void notify() {
        std::lock_guard lock(m_shared->mutex);
        if (m_shared->changed) m_shared->changed();
    }

    std::shared_ptr<Shared> m_shared;
    QFileSystemWatcher* m_watcher = nullptr;
    std::string m_codeFile;  // program form
    QString m_file, m_dir;   // watched now
    std::optional<platform::FileStamp> m_stamp;
};

CodeFileWatcher::CodeFileWatcher(std::function<void()> changed)
    : m_shared(std::make_shared<Shared>()), m_thread(new QThread) {
    m_shared->changed = std::move(changed);
    m_worker = new Worker(m_shared);
    m_worker->moveToThread(m_thread);
    QObject::connect(m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread->start();
}

CodeFileWatcher::~CodeFileWatcher() { stop(); }

void CodeFileWatcher::watch(const std::string& codeFile) {
    if (!m_thread) return;
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->codeFile = codeFile;
        ++m_shared->asked;
    }
    QMetaObject::invokeMethod(m_worker, "takeRequest", Qt::QueuedConnection);
}

void CodeFileWatcher::stop() {
    if (!m_thread) return;
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->changed = nullptr;
    }
    m_thread->quit();
    if (m_thread->wait(QDeadlineTimer(kStopWait.count()))) delete m_thread;
    // Otherwise the thread and its worker stay, harmless, until the process ends.
    m_thread = nullptr;
    m_worker = nullptr;
}

bool CodeFileWatcher::waitArmed(std::chrono::milliseconds limit) {
    std::unique_lock lock(m_shared->mutex);
    return m_shared->armed.wait_for(lock, limit,
                                    [this] { return m_shared->taken == m_shared->asked; });
}

}  // namespace display::ui

#include "code_file_watcher.moc"
