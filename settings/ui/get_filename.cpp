#include "settings/ui/get_filename.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

#include "platform/ui/qt_text.h"
#include "core/xbase_values.h"
#include "platform/os.h"
#include "platform/path.h"

namespace settings::ui {
namespace {

using platform::ui::fromQString;
using platform::ui::toQString;

// "All files": "*.*" matches every file on Windows; elsewhere names without a
// dot would be left out by it.
constexpr const char* kAllFiles = platform::kWindows ? "*.*" : "*";

QtFileDialog g_qtDialog;
FileDialog* g_dialog = &g_qtDialog;

std::vector<std::string> splitPatterns(const std::string& cFilter) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (;;) {
        std::size_t semi = cFilter.find(';', start);
        std::string part = core::alltrim(cFilter.substr(start, semi - start));
        if (!part.empty()) out.push_back(part);
        if (semi == std::string::npos) break;
        start = semi + 1;
    }
    if (out.empty()) out.push_back(kAllFiles);
    return out;
}

QString qtFilter(const FileFilter& f) {
    QStringList patterns;
    for (const std::string& p : f.patterns) patterns << toQString(p);
    return toQString(f.description) + " (" + patterns.join(' ') + ")";
}

}  // namespace

void QtFileDialog::configure(QFileDialog& dialog, const std::string& title,
                             const std::vector<FileFilter>& filters, const std::string& start) {
    dialog.setWindowTitle(toQString(title));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    QStringList names;
    for (const FileFilter& f : filters) names << qtFilter(f);
    dialog.setNameFilters(names);
    if (!names.isEmpty()) dialog.selectNameFilter(names.first());

    QFileInfo info(toQString(start));
    QString folder = info.isDir() ? info.absoluteFilePath() : info.absolutePath();
    // A start that does not exist (a data path not set up yet) opens at the
    // nearest folder above it that does.
    while (!QFileInfo(folder).isDir()) {
        QString up = QFileInfo(folder).absolutePath();
        if (up == folder) break;
        folder = up;
    }
    dialog.setDirectory(folder);
    if (!info.isDir() && info.exists()) dialog.selectFile(info.fileName());
}

std::optional<std::string> QtFileDialog::openFile(const std::string& title,
                                                  const std::vector<FileFilter>& filters,
                                                  const std::string& start) {
    QFileDialog dialog;
    configure(dialog, title, filters, start);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    // Native separators, so Windows callers find their "\" in the name.
    return fromQString(QDir::toNativeSeparators(dialog.selectedFiles().first()));
}

FileDialog& fileDialog() {
    return *g_dialog;
}

FileDialog* setFileDialog(FileDialog* d) {
    FileDialog* old = g_dialog;
    g_dialog = d ? d : &g_qtDialog;
    return old;
}

std::string GetFilename(const std::string& cStart, const std::string& cFilter,
                        const std::string& cTitle) {
    const std::string title = "Please select " + cTitle;
    const std::vector<FileFilter> filters{{cTitle, splitPatterns(cFilter)},
                                          {"All files", {kAllFiles}}};
    const std::string start = platform::toNative(cStart).value_or(cStart);
    std::optional<std::string> chosen = g_dialog->openFile(title, filters, start);
    if (!chosen) return "";
    return core::lower(*chosen);
}

}  // namespace settings::ui
