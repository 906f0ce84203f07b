#pragma once

#include <optional>
#include <string>
#include <vector>

// The slide show list as the list procedures see it: the page's list box in
// the program, a plain vector in tests and the command-line tool. Positions
// count from 1. GUI thread only (like the widget behind it).
namespace settings {

class ListBox {
public:
    virtual ~ListBox() = default;
    virtual int count() const = 0;
    // Text of the item at `position` (1..count), exactly as stored: blank
    // filling included. "" for a position out of range.
    virtual std::string itemText(int position) const = 0;
    virtual void append(const std::string& text) = 0;
    // Inserts before the item at `position`; count + 1 appends. Positions out
    // of 1..count + 1 are ignored.
    virtual void insertAt(int position, const std::string& text) = 0;
    // Deletes the item at `position`; positions out of 1..count are ignored.
    virtual void deleteAt(int position) = 0;
    // The first selected position, or none.
    virtual std::optional<int> selection() const = 0;
    // Makes `position` the only selected item; out of range clears the selection.
    virtual void select(int position) = 0;
};

// A list box without a widget.
class MemoryListBox : public ListBox {
public:
    MemoryListBox() = default;
    explicit MemoryListBox(std::vector<std::string> items) : m_items(std::move(items)) {}

    int count() const override { return int(m_items.size()); }
    std::string itemText(int position) const override;
    void append(const std::string& text) override { m_items.push_back(text); }
    void insertAt(int position, const std::string& text) override;
    void deleteAt(int position) override;
    std::optional<int> selection() const override { return m_selected; }
    void select(int position) override;

    const std::vector<std::string>& items() const { return m_items; }

private:
    std::vector<std::string> m_items;
    std::optional<int> m_selected;
};

}  // namespace settings
