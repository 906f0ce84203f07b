#pragma once

// A layout of the inventory tables holding every field the item lookup reads.
// The lookup goes by field name, so the point-of-sale's own tables may hold
// more fields, in another order; the demo shop, the benchmarks and the tests
// write tables in this one.

#include <vector>

#include "tables/table.h"

namespace inventory {

// istock and imerch: one record per item.
inline std::vector<tables::FieldSpec> itemFields() {
    return {{"CODE", 'C', 7, 0},       {"DESC", 'C', 48, 0},   {"PRICE", 'N', 10, 2},
            {"DOLL_PRICE", 'N', 10, 2}, {"CTDIAMOND", 'N', 6, 2}, {"COLOUR", 'C', 20, 0},
            {"CTOTHER", 'N', 6, 2},    {"SIZE", 'N', 6, 1},    {"TOTAL_MASS", 'N', 8, 2}};
}

// isub: the component lines of merchandise items.
inline std::vector<tables::FieldSpec> subFields() {
    return {{"CODE", 'C', 7, 0},
            {"DESC", 'C', 48, 0},
            {"RAW_CODE", 'C', 10, 0},
            {"QTY", 'N', 4, 0},
            {"MASS", 'N', 8, 2}};
}

}  // namespace inventory
