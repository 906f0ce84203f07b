#include "settings/ui/qt_list_box.h"

#include <QListWidget>

#include "platform/ui/qt_text.h"

namespace settings::ui {

int QtListBox::count() const {
    return m_list->count();
}

std::string QtListBox::itemText(int position) const {
    QListWidgetItem* item = m_list->item(position - 1);
    return item ? platform::ui::fromQString(item->text()) : "";
}

void QtListBox::append(const std::string& text) {
    m_list->addItem(platform::ui::toQString(text));
}

void QtListBox::insertAt(int position, const std::string& text) {
    if (position < 1 || position > count() + 1) return;
    m_list->insertItem(position - 1, platform::ui::toQString(text));
}

void QtListBox::deleteAt(int position) {
    if (position < 1 || position > count()) return;
    // Qt would pass the selection on to the next item, and a second Remove
    // would then delete an item the user never chose.
    const bool wasSelected = m_list->item(position - 1)->isSelected();
    delete m_list->takeItem(position - 1);
    if (wasSelected) m_list->clearSelection();
}

std::optional<int> QtListBox::selection() const {
    std::optional<int> first;
    for (const QListWidgetItem* item : m_list->selectedItems()) {
        int position = m_list->row(item) + 1;
        if (!first || position < *first) first = position;
    }
    return first;
}

void QtListBox::select(int position) {
    if (position >= 1 && position <= count()) {
        m_list->setCurrentRow(position - 1, QItemSelectionModel::ClearAndSelect);
    } else {
        m_list->clearSelection();
    }
}

}  // namespace settings::ui
