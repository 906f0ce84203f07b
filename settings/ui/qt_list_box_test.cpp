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
        switch (std::uniform_int_distribution<int>(0, 3)(rng)) {
        case 0: qt.append(text), plain.append(text); break;
        case 1: qt.insertAt(position, text), plain.insertAt(position, text); break;
        case 2: qt.deleteAt(position), plain.deleteAt(position); break;
        case 3: qt.select(position), plain.select(position); break;
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
