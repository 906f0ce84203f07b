#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QFileDialog;

namespace settings::ui {

// One entry of a file dialog's filter list: a description and its patterns.
struct FileFilter {
    std::string description;
    std::vector<std::string> patterns;
    bool operator==(const FileFilter&) const = default;
};

// The platform's file-open dialog, behind an interface so tests can script
// the user's answer. Texts are Windows-1252, paths native.
class FileDialog {
public:
    virtual ~FileDialog() = default;
    // Shows a modal dialog for one existing file, starting at `start` (a folder,
    // or a file with its folder), with `filters` in order, the first in force.
    // Returns the chosen file's full native path, or nullopt on cancel.
    virtual std::optional<std::string> openFile(const std::string& title,
                                                const std::vector<FileFilter>& filters,
                                                const std::string& start) = 0;
};

// The QFileDialog version.
class QtFileDialog : public FileDialog {
public:
    std::optional<std::string> openFile(const std::string& title,
                                        const std::vector<FileFilter>& filters,
                                        const std::string& start) override;
    // Sets up `dialog` as openFile does before showing it.
    static void configure(QFileDialog& dialog, const std::string& title,
                          const std::vector<FileFilter>& filters, const std::string& start);
};

// The dialog in force; until set, a QtFileDialog. setFileDialog installs `d`
// (not owned; must outlive its use) or, with nullptr, the Qt one again, and
// returns the previous one.
FileDialog& fileDialog();
FileDialog* setFileDialog(FileDialog* d);

// Lets the user pick one existing file: title "Please select " + cTitle,
// filters cTitle with the patterns of cFilter (split at ";") and then "All
// files", starting at cStart (program form: a folder, or a file with its
// folder). Returns the chosen file's full name in lower case (Windows-1252),
// or "" when the dialog is cancelled. GUI thread only.
std::string GetFilename(const std::string& cStart, const std::string& cFilter,
                        const std::string& cTitle);

}  // namespace settings::ui
