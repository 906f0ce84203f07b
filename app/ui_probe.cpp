#include "app/ui_probe.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTabBar>
#include <QTextEdit>
#include <algorithm>
#include <cstdio>
#include <optional>

#include "app/display_page.h"
#include "app/main_window.h"
#include "app/program.h"
#include "app/settings_page.h"
#include "display/ui/image_view.h"
#include "inventory/ui/index_util_ui.h"
#include "inventory/ui/progress_bar.h"
#include "platform/fs.h"
#include "platform/ui/qt_text.h"
#include "settings/ui/slide_list_page.h"

namespace app {
namespace {

QJsonArray rectOf(const QWidget* w) {
    const QPoint topLeft = w->mapToGlobal(QPoint(0, 0));
    return {topLeft.x(), topLeft.y(), w->width(), w->height()};
}

// What a widget of a kind the program shows displays. Returns false for a
// kind that is not described (a container: its children are looked at).
// `leaf` tells whether the widget's own children are its inner parts.
bool describeContent(const QWidget* w, QJsonObject& out, bool& leaf) {
    leaf = true;
    if (auto* tabs = qobject_cast<const QTabBar*>(w)) {
        QJsonArray texts;
        for (int i = 0; i < tabs->count(); ++i) texts.append(tabs->tabText(i));
        out["tabs"] = texts;
        out["current"] = tabs->currentIndex();
    } else if (auto* button = qobject_cast<const QAbstractButton*>(w)) {
        out["text"] = button->text();
        if (button->isCheckable()) out["checked"] = button->isChecked();
    } else if (auto* label = qobject_cast<const QLabel*>(w)) {
        out["text"] = label->text();
    } else if (auto* combo = qobject_cast<const QComboBox*>(w)) {
        QJsonArray items;
        for (int i = 0; i < combo->count(); ++i) items.append(combo->itemText(i));
        out["items"] = items;
        out["current"] = combo->currentIndex();
        out["text"] = combo->currentText();
    } else if (auto* spin = qobject_cast<const QSpinBox*>(w)) {
        out["value"] = spin->value();
        out["text"] = spin->text();
    } else if (auto* otherSpin = qobject_cast<const QAbstractSpinBox*>(w)) {
        out["text"] = otherSpin->text();
    } else if (auto* line = qobject_cast<const QLineEdit*>(w)) {
        out["text"] = line->text();
    } else if (auto* plain = qobject_cast<const QPlainTextEdit*>(w)) {
        out["text"] = plain->toPlainText();
    } else if (auto* rich = qobject_cast<const QTextEdit*>(w)) {
        out["text"] = rich->toPlainText();
    } else if (auto* list = qobject_cast<const QListWidget*>(w)) {
        QJsonArray items, rows;
        const QPoint origin = list->viewport()->mapToGlobal(QPoint(0, 0));
        for (int i = 0; i < list->count(); ++i) {
            items.append(list->item(i)->text());
            const QRect r = list->visualItemRect(list->item(i)).translated(origin);
            rows.append(QJsonArray{r.x(), r.y(), r.width(), r.height()});
        }
        out["items"] = items;
        out["rows"] = rows;
        out["currentRow"] = list->currentRow();
    } else if (auto* view = qobject_cast<const display::ui::ImageView*>(w)) {
        out["file"] = platform::ui::toQString(view->file());
        out["mode"] = view->mode();
        out["canvas"] = rectOf(view->canvas());
    } else if (auto* bar = qobject_cast<const inventory::ProgressBar*>(w)) {
        out["minimum"] = bar->minimum();
        out["maximum"] = bar->maximum();
        out["progress"] = bar->progress();
    } else {
        leaf = false;
        return false;
    }
    return true;
}

}  // namespace

std::unique_ptr<UiProbe> UiProbe::fromEnvironment(Program& program) {
    const QString file = qEnvironmentVariable(kVariable);
    if (file.isEmpty()) return nullptr;
    bool given = false;
    const int interval = qEnvironmentVariableIntValue(kIntervalVariable, &given);
    return std::make_unique<UiProbe>(program, file, given && interval > 0 ? interval : 100);
}

UiProbe::UiProbe(Program& program, QString file, int intervalMs)
    : m_program(program), m_file(std::move(file)),
      m_path(QFile::encodeName(QDir::toNativeSeparators(m_file)).toStdString()) {
    // Never silent: whoever started the program learns that it writes a file.
    if (platform::folderOpenToOthers(m_path)) {
        std::fprintf(stderr,
                     "lumisett: UI probe (%s) refused: %s is in a folder of another user that "
                     "others may write to; no snapshot is written\n",
                     kVariable, qPrintable(m_file));
        m_refused = true;
        return;
    }
    std::fprintf(stderr, "lumisett: UI probe (%s) on: snapshots of the window go to %s\n", kVariable,
                 qPrintable(m_file));
    writeIfChanged();
    m_timer.setInterval(intervalMs);
    connect(&m_timer, &QTimer::timeout, this, [this] { writeIfChanged(); });
    m_timer.start();
}

void UiProbe::nameWidgets() {
    auto add = [this](const QWidget* widget, const char* name) {
        if (widget) m_names.insert(widget, QString::fromLatin1(name));
    };
    for (const auto& [widget, name] : m_program.window().probeNames()) add(widget, name);
    for (const auto& [widget, name] : m_program.displayPage().probeNames()) add(widget, name);
    for (const auto& [widget, name] : m_program.settingsPage().probeNames()) add(widget, name);
    for (const auto& [widget, name] : m_program.listPage().probeNames()) add(widget, name);
}

QString UiProbe::nameOf(const QWidget* w) const {
    if (!w) return {};
    auto it = m_names.constFind(w);
    return it != m_names.constEnd() ? *it : w->objectName();
}

void UiProbe::describeChildren(QWidget* parent, QJsonArray& out) const {
    for (QObject* child : parent->children()) {
        auto* w = qobject_cast<QWidget*>(child);
        if (!w || w->isWindow() || !w->isVisible()) continue;
        QJsonObject item;
        bool leaf = false;
        const QString name = nameOf(w);
        if (describeContent(w, item, leaf) || !name.isEmpty()) {
            item["name"] = name;
            item["class"] = QString::fromLatin1(w->metaObject()->className());
            item["rect"] = rectOf(w);
            out.append(item);
        }
        if (!leaf) describeChildren(w, out);
    }
}

QJsonObject UiProbe::describeWindow(QWidget* window) const {
    QJsonObject out;
    out["class"] = QString::fromLatin1(window->metaObject()->className());
    out["title"] = window->windowTitle();
    out["rect"] = rectOf(window);
    out["active"] = window->isActiveWindow();
    QJsonArray widgets;
    describeChildren(window, widgets);
    out["widgets"] = widgets;
    return out;
}

QByteArray UiProbe::snapshot() const {
    // Before the pages are built (a box of the start-up) only the boxes count.
    MainWindow* w = m_program.built() ? &m_program.window() : nullptr;
    QString page;
    if (std::optional<Page> shown = w ? w->shownPage() : std::nullopt) {
        page = *shown == Page::Display ? "Display" : *shown == Page::Settings ? "Settings" : "Choose";
    }
    QWidget* modal = QApplication::activeModalWidget();
    QWidget* focus = QApplication::focusWidget();

    QList<QWidget*> windows;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->isVisible() && top != w && !qobject_cast<MainWindow*>(top)) windows.append(top);
    }
    std::sort(windows.begin(), windows.end(), [](const QWidget* a, const QWidget* b) {
        if (a->windowTitle() != b->windowTitle()) return a->windowTitle() < b->windowTitle();
        return QString::fromLatin1(a->metaObject()->className()) <
               QString::fromLatin1(b->metaObject()->className());
    });
    if (w && w->isVisible()) windows.prepend(w);
    QJsonArray described;
    for (QWidget* window : windows) described.append(describeWindow(window));

    QJsonObject root;
    root["page"] = page;
    root["inputBlocked"] = inventory::ui::inputBlocked();
    root["modal"] = modal ? modal->windowTitle() : QString();
    root["focus"] = focus ? (nameOf(focus).isEmpty()
                                 ? QString::fromLatin1(focus->metaObject()->className())
                                 : nameOf(focus))
                          : QString();
    root["windows"] = described;
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

bool UiProbe::writeIfChanged() {
    if (!m_named && m_program.built()) {
        nameWidgets();
        m_named = true;
    }
    if (m_refused) return false;
    QByteArray now = snapshot();
    if (now == m_written) return true;
    // A new file beside the snapshot, renamed over it: never through a link.
    const platform::Status st = platform::writeFileAtomic(m_path, now.toStdString());
    if (!st.isOk()) {
        if (!m_warned) {
            std::fprintf(stderr, "lumisett: cannot write %s: %s\n", qPrintable(m_file),
                         st.message().c_str());
        }
        m_warned = true;
        return false;
    }
    m_written = std::move(now);
    return true;
}

}  // namespace app
