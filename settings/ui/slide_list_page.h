#pragma once

#include <QObject>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "settings/list_file.h"
#include "settings/ui/qt_list_box.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QWidget;

namespace settings::ui {

// What the page needs from the rest of the program; the main window wires
// these. Each may be left empty (nothing happens then).
struct SlideListActions {
    std::function<std::string()> cPath;       // the data path, read at each "Add with image"
    std::function<void(ListBox&)> readList;   // ReadList, run right after the list is made
    std::function<void(ListBox&)> applySave;  // SaveList, from Apply/Save
    std::function<void()> show;               // the list Show action
};

// `actions` with readList and applySave doing ReadList and SaveList on the
// table `cListFile` (SaveList asking the display to let go of its tables
// through `releaseDisplayTables`, and pausing through `pause`, or for real
// when empty).
SlideListActions withListFile(SlideListActions actions, std::string cListFile,
                              std::function<void()> releaseDisplayTables, PauseFn pause = {});

// The Slide Show List page: the list, its heading and seven buttons on the
// tab page `oChooseTab`, which the main window owns and has already given its
// final size (positions are kept from its lower-left corner). The page's font
// ("12.Times New Roman") and colours come from `oChooseTab`. The object is a
// child of `oChooseTab` and lives as long as it; it keeps its widgets, which
// carry the names probeNames() gives as object names. GUI thread only.
class SlideListPage : public QObject {
public:
    SlideListPage(QWidget* oChooseTab, SlideListActions actions);

    // The list procedures' view of oChooseList.
    ListBox& list() { return m_listBox; }

    // "Add code only": a new entry field with its own OK button just below
    // the button. OK appends the upper-cased, normalised code (or beeps when
    // there is none) and removes that field and button only.
    void AddManualItem();
    // "Add with image": the file chooser in cPath + "\images"; the chosen
    // picture is appended relative to the data path when it lies below it, or
    // with its full path; cancelling beeps.
    void addWithImage();

    // The widgets under the names the UI probe gives them.
    std::vector<std::pair<const QWidget*, const char*>> probeNames() const;

private:
    // Places `w` with its lower-left corner at {x, y} from the page's
    // lower-left corner.
    void place(QWidget* w, int x, int y, int width, int height) const;
    QPushButton* button(const char* caption, int y, int height);

    QWidget* m_page;
    SlideListActions m_actions;
    QListWidget* m_list = nullptr;  // oChooseList
    QtListBox m_listBox;
    QLabel* m_heading = nullptr;
    QPushButton* m_addImage = nullptr;
    QPushButton* m_addCode = nullptr;
    QPushButton* m_remove = nullptr;
    QPushButton* m_moveUp = nullptr;
    QPushButton* m_moveDown = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_show = nullptr;
};

}  // namespace settings::ui
