#include "display/ui/code_file_watcher.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <condition_variable>
#include <mutex>
#include <optional>

#include "platform/file_stamp.h"
#include "platform/path.h"
#include "platform/write_watch.h"

namespace display::ui {

// What the caller's thread and the watching thread share; it outlives a
// watching thread left running by stop().
struct CodeFileWatcher::Shared {
    std::mutex mutex;
    std::condition_variable armed;
    std::function<void()> changed;  // emptied by stop()
    std::function<void()> closed;   // emptied by stop()
    std::string codeFile;           // the path last asked for
    unsigned asked = 0, taken = 0;  // watch() calls made and armed
    // Whether the till still writes the file watched (`writesOf`), as its
    // folder's notification says; nullopt while it cannot tell.
    std::string writesOf;
    std::optional<bool> writing;
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
            if (m_writes.descriptor() >= 0) {
                auto* writes = new QSocketNotifier(m_writes.descriptor(), QSocketNotifier::Read, this);
                connect(writes, &QSocketNotifier::activated, this, [this] { writesHappened(); });
            }
            // A folder renamed away and made again under its name is
            // another one, which the notification does not follow.
            auto* folders = new QTimer(this);
            connect(folders, &QTimer::timeout, this, [this] {
                if (platform::identityOf(m_dirProgram) != m_dirIdentity) directoryChanged();
            });
            folders->start(std::chrono::milliseconds(kFolderCheck));
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

    // What the till did to the file, as its folder's notification tells.
    void writesHappened() {
        switch (m_writes.take()) {
        case platform::WriteWatch::Happened::Nothing:
            return;
        case platform::WriteWatch::Happened::Written:
            setWriting(true);
            return;
        case platform::WriteWatch::Happened::Closed:
            setWriting(false);
            std::lock_guard lock(m_shared->mutex);
            if (m_shared->closed) m_shared->closed();
            return;
        }
    }

    void setWriting(std::optional<bool> writing) {
        std::lock_guard lock(m_shared->mutex);
        m_shared->writesOf = m_codeFile;
        m_shared->writing = writing;
    }

    // Watches the code file when it exists, and its folder or else the
    // nearest existing parent, and that folder's own parent (where a rename
    // of the folder shows). `renew` watches the file afresh even when its
    // name is watched: the file there now may be another than the one
    // watched (renamed into place). A folder that is no longer the one
    // watched (renamed away and made again) is watched afresh.
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
        const std::string dirProgram =
            dir.isEmpty() ? std::string() : QFile::encodeName(QDir::toNativeSeparators(dir)).toStdString();
        const std::optional<std::uint64_t> identity = platform::identityOf(dirProgram);
        QString parent = dir.isEmpty() ? QString() : QFileInfo(dir).absolutePath();
        if (parent == dir) parent.clear();  // the root has none
        const QStringList dirs = m_watcher->directories();
        const bool stale = dir != m_dir || parent != m_parent || identity != m_dirIdentity ||
                           (!m_dir.isEmpty() && !dirs.contains(m_dir));
        if (stale) {
            // All afresh: the folder watched may be the parent watched before,
            // and on Windows the file's watch holds a handle of the old folder
            // that a new watch of the same path would share.
            if (!m_file.isEmpty() && m_watcher->files().contains(m_file)) m_watcher->removePath(m_file);
            m_file.clear();
            for (const QString& old : {m_dir, m_parent}) {
                if (!old.isEmpty() && m_watcher->directories().contains(old)) m_watcher->removePath(old);
            }
            m_dir = !dir.isEmpty() && m_watcher->addPath(dir) ? dir : QString();
            m_parent = !m_dir.isEmpty() && !parent.isEmpty() && m_watcher->addPath(parent) ? parent : QString();
            m_dirProgram = dirProgram;
            m_dirIdentity = identity;
            // Whether the till still writes the file is known from here on.
            const bool follows = !m_dir.isEmpty() && m_dir == QFileInfo(file).absolutePath() &&
                                 m_writes.watch(m_codeFile);
            setWriting(follows ? std::optional<bool>(false) : std::nullopt);
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

    static constexpr std::chrono::seconds kFolderCheck{1};

    std::shared_ptr<Shared> m_shared;
    QFileSystemWatcher* m_watcher = nullptr;
    platform::WriteWatch m_writes;
    std::string m_codeFile;           // program form
    QString m_file, m_dir, m_parent;  // watched now
    std::string m_dirProgram;         // m_dir as the platform names it
    std::optional<std::uint64_t> m_dirIdentity;
    std::optional<platform::FileStamp> m_stamp;
};

CodeFileWatcher::CodeFileWatcher(std::function<void()> changed, std::function<void()> closed)
    : m_shared(std::make_shared<Shared>()), m_thread(new QThread) {
    m_shared->changed = std::move(changed);
    m_shared->closed = std::move(closed);
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
        m_shared->closed = nullptr;
    }
    m_thread->quit();
    if (m_thread->wait(QDeadlineTimer(kStopWait.count()))) delete m_thread;
    // Otherwise the thread and its worker stay, harmless, until the process ends.
    m_thread = nullptr;
    m_worker = nullptr;
}

std::optional<bool> CodeFileWatcher::writerDone(const std::string& codeFile) const {
    std::lock_guard lock(m_shared->mutex);
    if (!m_shared->writing || m_shared->writesOf != codeFile) return std::nullopt;
    return !*m_shared->writing;
}

bool CodeFileWatcher::waitArmed(std::chrono::milliseconds limit) {
    std::unique_lock lock(m_shared->mutex);
    return m_shared->armed.wait_for(lock, limit,
                                    [this] { return m_shared->taken == m_shared->asked; });
}

}  // namespace display::ui

#include "code_file_watcher.moc"
