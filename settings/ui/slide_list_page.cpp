#include "settings/ui/slide_list_page.h"

#include <QAbstractItemView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QWidget>

#include "graphics/color_codes.h"
#include "graphics/ui/colours.h"
#include "graphics/ui/place.h"
#include "platform/ui/qt_text.h"
#include "settings/list_editor.h"
#include "settings/ui/get_filename.h"

namespace settings::ui {

SlideListActions withListFile(SlideListActions actions, std::string cListFile, PauseFn pause) {
    actions.readList = [cListFile](ListBox& l) { ReadList(l, cListFile); };
    actions.applySave = [cListFile, pause = std::move(pause)](ListBox& l) {
        SaveList(l, cListFile, pause);
    };
    return actions;
}

SlideListPage::SlideListPage(QWidget* oChooseTab, SlideListActions actions)
    : QObject(oChooseTab), m_page(oChooseTab), m_actions(std::move(actions)), m_listBox(nullptr) {
    oChooseList = new QListWidget(m_page);
    oChooseList->setObjectName("oChooseList");
    oChooseList->setSelectionMode(QAbstractItemView::SingleSelection);
    oChooseList->setFocusPolicy(Qt::StrongFocus);
    graphics::ui::setColours(oChooseList, graphics::kSysClrEntryField);
    place(oChooseList, 192, 12, 384, 300);
    oChooseList->show();
    m_listBox = QtListBox(oChooseList);
    if (m_actions.readList) m_actions.readList(m_listBox);

    heading = new QLabel("Slide Show List", m_page);
    heading->setFont(QFont("MS Sans Serif", 24));
    heading->setAlignment(Qt::AlignCenter);
    place(heading, 192, 312, 264, 36);
    heading->show();

    addImageButton = button("Add with image", 276, 24);
    addCodeButton = button("Add code only", 252, 24);
    removeButton = button("Remove", 180, 24);
    moveUpButton = button("Move Up", 132, 24);
    moveDownButton = button("Move Down", 108, 24);
    saveButton = button("Apply/Save", 48, 36);
    saveButton->setFont(QFont("Times New Roman", 14));
    showButton = button("Show", 18, 24);

    connect(addImageButton, &QPushButton::clicked, this, [this] { addWithImage(); });
    connect(addCodeButton, &QPushButton::clicked, this, [this] { AddManualItem(); });
    connect(removeButton, &QPushButton::clicked, this, [this] { RemoveItem(m_listBox); });
    connect(moveUpButton, &QPushButton::clicked, this, [this] { MoveUp(m_listBox); });
    connect(moveDownButton, &QPushButton::clicked, this, [this] { MoveDown(m_listBox); });
    connect(saveButton, &QPushButton::clicked, this, [this] {
        if (m_actions.applySave) m_actions.applySave(m_listBox);
    });
    connect(showButton, &QPushButton::clicked, this, [this] {
        if (m_actions.show) m_actions.show();
    });
}

void SlideListPage::place(QWidget* w, int x, int y, int width, int height) const {
    graphics::ui::placeBottomLeft(w, x, y, width, height);
}

QPushButton* SlideListPage::button(const char* caption, int y, int height) {
    auto* b = new QPushButton(caption, m_page);
    graphics::ui::setColours(b, graphics::kSysClrButtonFace, graphics::kSysClrButtonText);
    b->setFocusPolicy(Qt::StrongFocus);
    place(b, 36, y, 108, height);
    b->show();
    return b;
}

void SlideListPage::AddManualItem() {
    auto* oWidget = new QLineEdit(m_page);
    oWidget->setObjectName("manualCodeField");
    graphics::ui::setColours(oWidget, graphics::kSysClrEntryField);
    place(oWidget, 36, 228, 80, 24);
    oWidget->show();
    oWidget->raise();
    oWidget->setFocus();

    auto* oOkButton = new QPushButton("OK", m_page);
    oOkButton->setObjectName("manualCodeOk");
    graphics::ui::setColours(oOkButton, graphics::kSysClrButtonFace, graphics::kSysClrButtonText);
    oOkButton->setFocusPolicy(Qt::StrongFocus);
    place(oOkButton, 116, 228, 28, 24);
    oOkButton->show();
    oOkButton->raise();

    connect(oOkButton, &QPushButton::clicked, this, [this, oWidget, oOkButton] {
        oOkButton->disconnect(this);  // one OK per pair, however fast the clicks
        addManualCode(m_listBox, platform::ui::fromQString(oWidget->text()));
        // The button is still inside its own signal: hide both now, delete
        // them once the event loop is back.
        oWidget->hide();
        oOkButton->hide();
        oWidget->deleteLater();
        oOkButton->deleteLater();
    });
}

void SlideListPage::addWithImage() {
    const std::string cPath = m_actions.cPath ? m_actions.cPath() : "";
    std::string cPathTemp =
        GetFilename(cPath + "\\images", "*.BMP;*.JPG;*.GIF;*.PNG", "Select image");
    addImageEntry(m_listBox, cPathTemp, cPath);
}

}  // namespace settings::ui
