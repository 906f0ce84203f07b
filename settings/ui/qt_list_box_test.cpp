#include "settings/ui/qt_list_box.h"

#include <gtest/gtest.h>

#include <QListWidget>
#include <random>

namespace settings::ui {
namespace {

// The widget's list must behave as the plain one the editor is tested on,
// selection included, under any mix of operations.
TEST(QtListBox, BehavesAsTheMemoryListBox) {
    QListWidget widget;
    widget.setSelectionMode(QAbstractItemView::SingleSelection);
    QtListBox qt(&widget);
    MemoryListBox plain;
    std::mt19937 rng(8);
    for (int step = 0; step < 2000; ++step) {
        int n = plain.count();
        int position = std::uniform_int_distribution<int>(-1, n + 2)(rng);
        std::string text = "item " + std::to_string(step) + (step % 3 ? "  " : "\xe9");
        const int op = std::uniform_int_distribution<int>(0, 3)(rng);
        for (ListBox* l : {static_cast<ListBox*>(&qt), static_cast<ListBox*>(&plain)}) {
            if (op == 0) l->append(text);
            if (op == 1) l->insertAt(position, text);
            if (op == 2) l->deleteAt(position);
            if (op == 3) l->select(position);
        }
        ASSERT_EQ(qt.count(), plain.count()) << "step " << step;
        ASSERT_EQ(qt.selection(), plain.selection()) << "step " << step;
        for (int i = 0; i <= plain.count() + 1; ++i) {
            ASSERT_EQ(qt.itemText(i), plain.itemText(i)) << "step " << step << " item " << i;
        }
    }
}

}  // namespace
}  // namespace settings::ui
