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

SlideListActions withListFile(SlideListActions actions, std::string cListFile,
                              std::function<void()> releaseDisplayTables, PauseFn pause) {
    actions.readList = [cListFile](ListBox& l) { ReadList(l, cListFile); };
    actions.applySave = [cListFile, release = std::move(releaseDisplayTables),
                         pause = std::move(pause)](ListBox& l) { SaveList(l, cListFile, release, pause); };
    return actions;
}

SlideListPage::SlideListPage(QWidget* oChooseTab, SlideListActions actions)
    : QObject(oChooseTab), m_page(oChooseTab), m_actions(std::move(actions)), m_listBox(nullptr) {
    m_list = new QListWidget(m_page);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setFocusPolicy(Qt::StrongFocus);
    graphics::ui::setColours(m_list, graphics::kSysClrEntryField);
    place(m_list, 192, 12, 384, 300);
    m_list->show();
    m_listBox = QtListBox(m_list);
    if (m_actions.readList) m_actions.readList(m_listBox);

    m_heading = new QLabel("Slide Show List", m_page);
    m_heading->setFont(QFont("MS Sans Serif", 24));
    m_heading->setAlignment(Qt::AlignCenter);
    place(m_heading, 192, 312, 264, 36);
    m_heading->show();

    m_addImage = button("Add with image", 276, 24);
    m_addCode = button("Add code only", 252, 24);
    m_remove = button("Remove", 180, 24);
    m_moveUp = button("Move Up", 132, 24);
    m_moveDown = button("Move Down", 108, 24);
    m_save = button("Apply/Save", 48, 36);
    m_save->setFont(QFont("Times New Roman", 14));
    m_show = button("Show", 18, 24);
    for (const auto& [widget, name] : probeNames()) {
        const_cast<QWidget*>(widget)->setObjectName(QString::fromLatin1(name));
    }

    connect(m_addImage, &QPushButton::clicked, this, [this] { addWithImage(); });
    connect(m_addCode, &QPushButton::clicked, this, [this] { AddManualItem(); });
    connect(m_remove, &QPushButton::clicked, this, [this] { RemoveItem(m_listBox); });
    connect(m_moveUp, &QPushButton::clicked, this, [this] { MoveUp(m_listBox); });
    connect(m_moveDown, &QPushButton::clicked, this, [this] { MoveDown(m_listBox); });
    connect(m_save, &QPushButton::clicked, this, [this] {
        if (m_actions.applySave) m_actions.applySave(m_listBox);
    });
    connect(m_show, &QPushButton::clicked, this, [this] {
        if (m_actions.show) m_actions.show();
    });
}

std::vector<std::pair<const QWidget*, const char*>> SlideListPage::probeNames() const {
    return {{m_list, "oChooseList"},         {m_heading, "listHeading"},
            {m_addImage, "addImageButton"},  {m_addCode, "addCodeButton"},
            {m_remove, "removeButton"},      {m_moveUp, "moveUpButton"},
            {m_moveDown, "moveDownButton"},  {m_save, "listSaveButton"},
            {m_show, "listShowButton"}};
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
