#include "settings/list_box.h"

namespace settings {

std::string MemoryListBox::itemText(int position) const {
    return position >= 1 && position <= count() ? m_items[std::size_t(position - 1)] : "";
}

// The selection follows its item, as a list widget's does.
void MemoryListBox::insertAt(int position, const std::string& text) {
    if (position < 1 || position > count() + 1) return;
    m_items.insert(m_items.begin() + (position - 1), text);
    if (m_selected && *m_selected >= position) ++*m_selected;
}

void MemoryListBox::deleteAt(int position) {
    if (position < 1 || position > count()) return;
    m_items.erase(m_items.begin() + (position - 1));
    if (m_selected) {
        if (*m_selected == position) {
            m_selected.reset();
        } else if (*m_selected > position) {
            --*m_selected;
        }
    }
}

void MemoryListBox::select(int position) {
    if (position >= 1 && position <= count()) {
        m_selected = position;
    } else {
        m_selected.reset();
    }
}

}  // namespace settings
