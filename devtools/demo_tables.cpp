#include "devtools/demo_tables.h"

#include <cstdio>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>

#include "inventory/item_layout.h"
#include "tables/table.h"
#include "tables/table_index.h"

namespace devtools {
namespace {

using platform::Status;

struct Stock {
    const char* code;
    const char* desc;
    double price, dollPrice, ctDiamond;
    const char* colour;
    double ctOther, size, mass;
    bool deleted = false;
};

struct Line {
    const char* code;
    const char* desc;
    const char* rawCode;
    double qty, mass;
};

const Stock kStock[] = {
    {"CH--123", "9CT GOLD CHAIN", 999, 0, 0, "", 0, 450, 4.8, true},  // superseded, deleted
    {"CH--123", "9CT GOLD CHAIN", 1250, 0, 0, "", 0, 450, 5.2},
    {"RG--001", "18CT WHITE GOLD SOLITAIRE RING", 8995, 0, 0.5, "G/VS1", 0, 16.5, 3.1},
    {"ER--010", "PAIR OF STERLING SILVER EARRINGS", 0, 45.5, 0, "", 0, 12, 2.4},
    {"BR--777", "SET OF 3 STERLING SILVER BANGLES", 1499, 0, 0, "", 0, 0, 30.12},
    {"PN--404", "9CT YELLOW GOLD HEART PENDANT", 2150, 0, 0.05, "H/SI", 0.2, 18, 1.9},
    {"WA--200", "STAINLESS STEEL GENTS WATCH", 3200, 0, 0, "", 0, 200, 95},
};

const Stock kMerch[] = {
    {"1200345", "18CT RING", 14500, 0, 0, "", 0, 17, 4.6},
    {"1300001", "DIAMOND CLUSTER PENDANT WITH 18CT YELLOW GOLD CHA", 23900, 0, 0.75,
     "F/VVS2", 0, 450, 6.3},
    {"1400002", "TANZANITE AND DIAMOND DRESS RING", 0, 2150, 0.12, "G/SI1", 1.85, 18, 5.05},
    {"1500003", "SAPPHIRE BRACELET", 6800, 0, 0, "", 2.4, 190, 11.5},
};

const Line kLines[] = {
    {"1200345", "18CT GOLD", "G18", 1, 0},
    {"1200345", "DIAMOND", "D01", 3, 0},
    {"1200345", "RUBY", "R02", 1, 0.5},
    {"1300001", "IN", "-0000", 0, 0},
    {"1300001", "DIAMONDS", "D05", 12, 0.75},
    {"1400002", "TANZANITE", "T01", 1, 1.85},
    {"1400002", "rem bought at the spring fair", "X00", 0, 0},
    {"1400002", "!cost price 950", "X00", 0, 0},
    {"1400002", "DIAMONDS", "D02", 6, 0.12},
    {"1500003", "BLUE SAPPHIRES", "S03", 8, 2.4},
    {"1500003", "18CT WHITE GOLD", "F18", 1, 0},
};

static_assert(std::size(kStock) + std::size(kMerch) == kDemoItems);

// One field of a record to write: text or a number.
struct FieldValue {
    FieldValue(const char* f, std::string_view t) : field(f), text(t), isNumber(false) {}
    FieldValue(const char* f, double n) : field(f), number(n), isNumber(true) {}
    const char* field;
    std::string_view text;
    double number = 0;
    bool isNumber;
};

// Appends a record holding `values`, deleted when `deleted`.
Status appendRecord(tables::Table& table, std::initializer_list<FieldValue> values, bool deleted) {
    Status st = table.appendBlank();
    for (const FieldValue& v : values) {
        if (!st.isOk()) return st;
        st = v.isNumber ? table.putNumber(v.field, v.number) : table.putText(v.field, v.text);
    }
    if (st.isOk() && deleted) st = table.markDeleted();
    return st;
}

Status appendItem(tables::Table& table, const Stock& s) {
    return appendRecord(table,
                        {{"CODE", s.code}, {"DESC", s.desc}, {"PRICE", s.price},
                         {"DOLL_PRICE", s.dollPrice}, {"CTDIAMOND", s.ctDiamond},
                         {"COLOUR", s.colour}, {"CTOTHER", s.ctOther}, {"SIZE", s.size},
                         {"TOTAL_MASS", s.mass}},
                        s.deleted);
}

Status appendLine(tables::Table& table, const Line& l) {
    return appendRecord(table,
                        {{"CODE", l.code}, {"DESC", l.desc}, {"RAW_CODE", l.rawCode},
                         {"QTY", l.qty}, {"MASS", l.mass}},
                        false);
}

// The generated items, numbered from 0 within their table.
const char* const kMetals[] = {"9CT GOLD", "18CT WHITE GOLD", "STERLING SILVER", "PLATINUM",
                               "9CT ROSE GOLD"};
const char* const kKinds[] = {"RING", "CHAIN", "PENDANT", "BANGLE", "BRACELET", "BROOCH",
                              "LOCKET", "CUFFLINKS"};

std::string stockCode(std::uint32_t n) {
    char code[8];
    std::uint32_t hundredThousands = n / 100000;
    std::snprintf(code, sizeof code, "%c%c%05u", char('A' + hundredThousands / 26 % 26),
                  char('A' + hundredThousands % 26), unsigned(n % 100000));
    return code;
}

std::string itemDesc(std::uint32_t n) {
    return std::string(kMetals[n % std::size(kMetals)]) + " " +
           kKinds[n / std::size(kMetals) % std::size(kKinds)];
}

Status appendGeneratedStock(tables::Table& table, std::uint32_t n) {
    std::string code = stockCode(n), desc = itemDesc(n);
    bool stone = n % 5 == 0;
    Stock s{code.c_str(), desc.c_str(), 25 + double(n * 37 % 500000) / 100, 0, stone ? 0.25 : 0,
            stone ? "G/VS1" : "", 0, n % 3 == 0 ? 18.0 : 0.0, 1 + double(n % 400) / 10};
    return appendItem(table, s);
}

Status appendGeneratedMerch(tables::Table& items, tables::Table& lines, std::uint32_t n) {
    std::string code = std::to_string(2000000 + n), desc = itemDesc(n) + " WITH DIAMONDS";
    double stones = 1 + n % 12;
    Stock s{code.c_str(), desc.c_str(), 150 + double(n * 53 % 900000) / 100, 0, stones * 0.05,
            "H/SI", 0, n % 2 == 0 ? 18.0 : 0.0, 2 + double(n % 300) / 10};
    Status st = appendItem(items, s);
    if (st.isOk()) st = appendLine(lines, {code.c_str(), "18CT GOLD", "G18", 1, 0});
    if (st.isOk()) st = appendLine(lines, {code.c_str(), "DIAMONDS", "D05", stones, stones * 0.05});
    return st;
}

// Creates `path` with `fields` and opens it exclusively for writing.
Status createAndOpen(const std::string& path, const std::vector<tables::FieldSpec>& fields,
                     std::unique_ptr<tables::Table>* table) {
    Status st = tables::Table::create(path, fields);
    if (st.isOk()) st = tables::Table::open(path, false, false, table);
    return st;
}

}  // namespace

Status writeDemoTables(const std::string& dataFolder, std::uint32_t items) {
    if (items < kDemoItems || items > kMaxDemoItems) {
        return Status::invalid("a demo shop holds " + std::to_string(kDemoItems) + " to " +
                               std::to_string(kMaxDemoItems) + " items, not " +
                               std::to_string(items));
    }
    const std::string folder = dataFolder + "/";
    std::unique_ptr<tables::Table> stock, merch, sub;
    Status st = createAndOpen(folder + "istock.dbf", inventory::itemFields(), &stock);
    if (st.isOk()) st = createAndOpen(folder + "imerch.dbf", inventory::itemFields(), &merch);
    if (st.isOk()) st = createAndOpen(folder + "isub.dbf", inventory::subFields(), &sub);
    for (const Stock& s : kStock) {
        if (st.isOk()) st = appendItem(*stock, s);
    }
    for (const Stock& s : kMerch) {
        if (st.isOk()) st = appendItem(*merch, s);
    }
    for (const Line& l : kLines) {
        if (st.isOk()) st = appendLine(*sub, l);
    }
    // Three stock items to each merchandise item.
    std::uint32_t stockMade = 0, merchMade = 0;
    for (std::uint32_t i = 0; st.isOk() && i < items - kDemoItems; ++i) {
        st = i % 4 == 3 ? appendGeneratedMerch(*merch, *sub, merchMade++)
                        : appendGeneratedStock(*stock, stockMade++);
    }
    tables::Table* const all[] = {stock.get(), merch.get(), sub.get()};
    for (std::size_t i = 0; i < std::size(all) && st.isOk(); ++i) {
        st = all[i]->commit();
        if (st.isOk()) {
            st = tables::createIndex(*all[i], folder + kInventoryFiles[i].index,
                                     kInventoryFiles[i].key);
        }
    }
    return st;
}

}  // namespace devtools
