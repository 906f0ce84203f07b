#pragma once

#include "settings/list_box.h"

class QListWidget;

namespace settings::ui {

// The list procedures' view of a QListWidget (single selection). Item texts
// are kept exactly, blank filling included; Windows-1252 <-> Unicode on the
// way. Does not own the widget. GUI thread only.
class QtListBox : public ListBox {
public:
    explicit QtListBox(QListWidget* list) : m_list(list) {}

    int count() const override;
    std::string itemText(int position) const override;
    void append(const std::string& text) override;
    void insertAt(int position, const std::string& text) override;
    void deleteAt(int position) override;
    std::optional<int> selection() const override;
    void select(int position) override;

    QListWidget* widget() const { return m_list; }

private:
    QListWidget* m_list;
};

}  // namespace settings::ui
