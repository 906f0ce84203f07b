#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>
#include <string>

class QWidget;
class QJsonArray;
class QJsonObject;

namespace app {

class Program;

// What the end-to-end tests read of a running program that they drive from
// outside with real mouse clicks and key presses. Opt-in: only when the
// environment variable LUMISETT_UI_PROBE names a file does the program make a
// probe, which says so in one line on stderr naming the file, and writes a
// JSON snapshot of what is on the screen to that file at start and then
// every tenth of a second when anything changed. Each snapshot is written to
// a new file beside it and renamed over it (platform::writeFileAtomic): a
// reader never sees half a snapshot, and a symbolic link at the file's name
// is replaced, never written through. A file in a folder of another user
// that others may write to without the sticky bit
// (platform::folderOpenToOthers) is refused, with a line on stderr, and
// nothing is written. The snapshot:
//
//   page          "Display", "Settings", "Choose" or "" (no page shown)
//   inputBlocked  true while the re-index swallows the window's input
//   modal         title of the modal box in force, "" when none
//   focus         name of the widget with the keyboard focus
//   windows       each visible window (the main window first, then by title):
//                 class, title, rect, active, and its visible widgets, each
//                 with name, class, rect and what it shows: text, checked,
//                 value, items with their rows' rects and currentRow, tabs and
//                 current, picture file, mode and canvas rect, progress with
//                 minimum and maximum
//
// Rectangles are [x, y, width, height] in screen pixels from the top-left
// corner, as the window system places them. Widgets the program keeps in a
// variable are named after it (oDescDispBox, oStat, oTitle, oFast, ...), the
// others by their object name, if any. GUI thread only.
class UiProbe : public QObject {
public:
    static constexpr const char* kVariable = "LUMISETT_UI_PROBE";
    // Milliseconds between looks at the screen, when not a tenth of a second
    // (the benchmarks time the display with a finer probe).
    static constexpr const char* kIntervalVariable = "LUMISETT_UI_PROBE_MS";

    // The probe the environment asks for, or nullptr when the variable is
    // unset or empty. May be made before Program::start, so that the boxes of
    // the start-up are seen (the main window and its widgets join once the
    // pages are built); the probe must not outlive `program`.
    static std::unique_ptr<UiProbe> fromEnvironment(Program& program);

    // Says so on stderr, writes the first snapshot to `file` at once and
    // starts the timer; or, for a file in a folder others may change under
    // it, says that on stderr and writes nothing, ever.
    UiProbe(Program& program, QString file, int intervalMs = 100);

    // The snapshot as it would be written now.
    QByteArray snapshot() const;

    // Writes the snapshot when it differs from the one written last. A file
    // that cannot be written is reported once on stderr; the probe goes on
    // trying. Returns false when the write failed or the probe was refused.
    bool writeIfChanged();

private:
    void nameWidgets();
    QJsonObject describeWindow(QWidget* window) const;
    void describeChildren(QWidget* parent, QJsonArray& out) const;
    QString nameOf(const QWidget* w) const;

    Program& m_program;
    QString m_file;
    std::string m_path;  // m_file for the platform layer
    QHash<const QWidget*, QString> m_names;
    QByteArray m_written;
    bool m_named = false;  // the program's widgets, once its pages are built
    bool m_warned = false;
    bool m_refused = false;
    QTimer m_timer;
};

}  // namespace app
