#include "inventory/item_tables.h"

#include <cstdint>

namespace inventory {
namespace {

using platform::Status;

// Steps on through an order. A damaged table or index can keep a step from
// moving or lead round in a circle: no walk takes more steps than the table
// has records.
class Walk {
public:
    explicit Walk(tables::Cursor& order) : m_order(order) {}

    Status start() { return m_order.table().recordCount(&m_limit); }
    // Steps to the next record; `*moved` false when the walk must end here.
    Status next(bool* moved) {
        const std::uint32_t before = m_order.table().recno();
        Status st = m_order.next();
        *moved = st.isOk() && m_order.table().recno() != before && ++m_steps <= m_limit;
        return st;
    }

private:
    tables::Cursor& m_order;
    std::uint32_t m_limit = 0;
    std::uint32_t m_steps = 0;
};

Status codeMatches(const tables::Table& table, std::string_view code, bool* matches) {
    std::string text;
    Status st = table.getText("code", &text);
    *matches = st.isOk() && text.starts_with(code);
    return st;
}

// Reads fields of the current record; the first failure stops the rest.
class Fields {
public:
    explicit Fields(const tables::Table& table) : m_table(table) {}
    Fields& text(const char* name, std::string* value) {
        if (m_status.isOk()) m_status = m_table.getText(name, value);
        return *this;
    }
    Fields& number(const char* name, double* value) {
        if (m_status.isOk()) m_status = m_table.getNumber(name, value);
        return *this;
    }
    Status status() const { return m_status; }

private:
    const tables::Table& m_table;
    Status m_status;
};

Status readItem(const tables::Table& t, ItemRecord* item) {
    item->deleted = t.deleted();
    return Fields(t)
        .text("code", &item->code)
        .text("desc", &item->desc)
        .number("price", &item->price)
        .number("doll_price", &item->doll_price)
        .number("ctdiamond", &item->ctdiamond)
        .text("colour", &item->colour)
        .number("ctother", &item->ctother)
        .number("size", &item->size)
        .number("total_mass", &item->total_mass)
        .status();
}

Status readLine(const tables::Table& t, ComponentLine* line) {
    line->deleted = t.deleted();
    return Fields(t)
        .text("code", &line->code)
        .text("desc", &line->desc)
        .text("raw_code", &line->raw_code)
        .number("qty", &line->qty)
        .number("mass", &line->mass)
        .status();
}

}  // namespace

ItemTables::ItemTables(std::string cPath, TablePlan plan, int lockWaitMs)
    : m_cPath(std::move(cPath)), m_lockWaitMs(lockWaitMs) {
    if (plan == TablePlan::OpenStock) {
        m_tables.push_back({"istock", "istkcode"});
    } else {
        m_tables.push_back({"isub", "isubcode"});
        m_tables.push_back({"imerch", "imercode"});
    }
}

Status ItemTables::openTable(std::size_t k) {
    Open& o = m_tables.at(k);
    o.order.reset();
    o.table.reset();
    Status st = tables::Table::open(m_cPath + "\\" + o.name + ".dbf", true, true, &o.table);
    if (st.isOk()) o.table->setLockWait(m_lockWaitMs);
    return st;
}

Status ItemTables::openOrder(std::size_t k) {
    Open& o = m_tables.at(k);
    o.order.reset();
    return tables::Cursor::open(*o.table, m_cPath + "\\" + o.index + ".ntx", &o.order);
}

Status ItemTables::toFirstKey(std::size_t k) { return m_tables.at(k).order->first(); }

Status ItemTables::findItem(std::string_view code, bool* found, ItemRecord* item) {
    *found = false;
    tables::Cursor& order = *this->item().order;
    const tables::Table& table = *this->item().table;
    bool seeked = false;
    Status st = order.seek(code, &seeked);
    if (!st.isOk() || !seeked) return st;
    Walk walk(order);
    if (st = walk.start(); !st.isOk()) return st;
    while (table.deleted()) {
        bool moved = false, matches = false;
        if (st = walk.next(&moved); !st.isOk() || !moved || table.eof()) return st;
        if (st = codeMatches(table, code, &matches); !st.isOk() || !matches) return st;
    }
    if (st = readItem(table, item); !st.isOk()) return st;
    *found = true;
    return st;
}

Status ItemTables::readComponents(std::string_view code, std::vector<ComponentLine>* lines) {
    lines->clear();
    tables::Cursor& order = *m_tables.front().order;
    const tables::Table& table = *m_tables.front().table;
    bool found = false;
    Status st = order.seek(code, &found);
    if (!st.isOk()) return st;
    Walk walk(order);
    if (st = walk.start(); !st.isOk()) return st;
    for (;;) {
        bool matches = false, moved = false;
        if (table.eof()) return st;
        if (st = codeMatches(table, code, &matches); !st.isOk() || !matches) return st;
        ComponentLine line;
        if (st = readLine(table, &line); !st.isOk()) return st;
        lines->push_back(std::move(line));
        if (st = walk.next(&moved); !st.isOk() || !moved) return st;
    }
}

}  // namespace inventory
