#pragma once

#include <cstdint>
#include <string>

#include "platform/status.h"

// The inventory tables of the demo shop, without its pictures: what the demo
// shop, the point-of-sale simulator's tests and the benchmarks need. No Qt.
namespace devtools {

// The demo shop's hand-written items (istock and imerch records, the deleted
// one included): the smallest and the default size.
inline constexpr std::uint32_t kDemoItems = 11;
// The largest size writeDemoTables accepts (a few hundred megabytes of tables).
inline constexpr std::uint32_t kMaxDemoItems = 1000000;

// Writes istock.dbf, imerch.dbf, isub.dbf with their indexes istkcode.ntx,
// imercode.ntx, isubcode.ntx (key CODE, inventory/item_layout.h) into the
// existing folder `dataFolder`, replacing them. The tables hold `items`
// item records in all: the hand-written ones first (the default size
// kDemoItems gives exactly those), then generated ones, three standard stock
// items ("AA00000", "AA00001", ...) to each merchandise item ("2000000", ...)
// with two isub lines each. Every generated code is unique. Invalid for a
// size outside kDemoItems..kMaxDemoItems; otherwise the first failure, naming
// its file. 100,000 items take about a second.
[[nodiscard]] platform::Status writeDemoTables(const std::string& dataFolder,
                                               std::uint32_t items = kDemoItems);

// The table, index and key expression of each inventory table, in the order
// istock, imerch, isub.
struct InventoryFile {
    const char* table;  // "istock.dbf"
    const char* index;  // "istkcode.ntx"
    const char* key;    // "istock->code"
};
inline constexpr InventoryFile kInventoryFiles[] = {{"istock.dbf", "istkcode.ntx", "istock->code"},
                                                    {"imerch.dbf", "imercode.ntx", "imerch->code"},
                                                    {"isub.dbf", "isubcode.ntx", "isub->code"}};

}  // namespace devtools
