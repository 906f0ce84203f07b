#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "inventory/item_code.h"
#include "inventory/item_text.h"
#include "platform/status.h"
#include "tables/cursor.h"
#include "tables/table.h"

namespace inventory {

// The inventory tables one lookup reads, open for as long as the object
// lives: istock with istkcode, or isub with isubcode and imerch with
// imercode, each shared and read-only with its index as controlling order.
// They close with the object, whatever way the lookup leaves. Nothing here
// asks anyone: every failure is a Status naming its file. One thread.
class ItemTables {
public:
    // The tables of `plan` (TablePlan::OpenStock or OpenMerchandise) in the
    // data path `cPath` (program form, no trailing separator), which wait at
    // most `lockWaitMs` for another program's lock. Nothing is opened yet.
    ItemTables(std::string cPath, TablePlan plan, int lockWaitMs);

    // How many tables the plan opens (1 or 2), in their order: isub before
    // imerch.
    std::size_t count() const { return m_tables.size(); }
    // Opens table `k` / its index. Status of the open (NotFound for a missing
    // file, Locked when another program holds it exclusively).
    platform::Status openTable(std::size_t k);
    platform::Status openOrder(std::size_t k);
    // Puts table `k` on its index's first key, as an order stands when it is
    // opened: a damaged index may show there already.
    platform::Status toFirstKey(std::size_t k);

    // Seeks `code` (upper-cased, 7 characters) in the item table (istock or
    // imerch) and passes over records marked deleted: the point-of-sale marks
    // a superseded record deleted and may enter the code again in a new one.
    // `*found` when a live record with the code is current; its fields then go
    // into `*item`. A damaged or stale index is Corrupt in the index file;
    // NotFound names a field the table lacks.
    platform::Status findItem(std::string_view code, bool* found, ItemRecord* item);

    // The component lines of `code` in isub, in index order from the seek of
    // `code` on, as long as the code matches; deleted lines come with their
    // flag (describeMerchandise leaves them out). Merchandise plans only.
    platform::Status readComponents(std::string_view code, std::vector<ComponentLine>* lines);

private:
    struct Open {
        std::string name, index;  // "istock", "istkcode"
        std::unique_ptr<tables::Table> table;
        std::unique_ptr<tables::Cursor> order;  // goes before its table
    };
    Open& item() { return m_tables.back(); }

    std::string m_cPath;
    int m_lockWaitMs;
    std::vector<Open> m_tables;
};

}  // namespace inventory
