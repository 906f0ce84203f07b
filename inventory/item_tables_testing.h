#pragma once

// Test helper: the three inventory tables, described once as plain rows and
// written either by our engine or by Perl's XBase module
// (interop/item_tables.pl), then indexed by our engine on `code`.

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>


#include "inventory/item_layout.h"
#include "tables/table.h"
#include "tables/table_index.h"

namespace inventory::testing {

struct Row {
    bool deleted = false;
    std::vector<std::string> values;  // in field order; "" leaves the field blank
};

struct TableData {
    std::string name;   // "istock", "imerch", "isub"
    std::string index;  // "istkcode", "imercode", "isubcode"
    std::vector<tables::FieldSpec> fields;
    std::vector<Row> rows;
};

// istock and imerch share their layout; the point-of-sale's tables hold more
// fields, which the display ignores (here: "supplier").
inline std::vector<tables::FieldSpec> itemFields() {
    std::vector<tables::FieldSpec> fields = inventory::itemFields();
    fields.insert(fields.begin() + 1, {"SUPPLIER", 'C', 6, 0});
    return fields;
}

using inventory::subFields;

// An item row: code, desc, price, doll_price, ctdiamond, colour, ctother,
// size, total_mass.
inline Row item(std::string code, std::string desc, std::string price, std::string dollPrice = "",
                std::string ctdiamond = "", std::string colour = "", std::string ctother = "",
                std::string size = "", std::string totalMass = "", bool deleted = false) {
    return {deleted,
            {code, "POS", desc, price, dollPrice, ctdiamond, colour, ctother, size, totalMass}};
}

// A component line: code, desc, raw_code, qty, mass.
inline Row line(std::string code, std::string desc, std::string rawCode, std::string qty = "",
                std::string mass = "", bool deleted = false) {
    return {deleted, {code, desc, rawCode, qty, mass}};
}

inline std::string dataFile(const std::string& dir, const std::string& name,
                            const std::string& ext) {
    return dir + "/" + name + ext;
}

// Writes the table with our engine (no index).
inline bool writeWithOurEngine(const std::string& dir, const TableData& t) {
    const std::string path = dataFile(dir, t.name, ".dbf");
    std::unique_ptr<tables::Table> table;
    if (!tables::Table::create(path, t.fields).isOk()) return false;
    if (!tables::Table::open(path, false, false, &table).isOk()) return false;
    for (const Row& row : t.rows) {
        if (!table->appendBlank().isOk()) return false;
        for (std::size_t i = 0; i < t.fields.size() && i < row.values.size(); ++i) {
            if (row.values[i].empty()) continue;
            const std::string& name = t.fields[i].name;
            platform::Status st = t.fields[i].type == 'N'
                                      ? table->putNumber(name, std::stod(row.values[i]))
                                      : table->putText(name, row.values[i]);
            if (!st.isOk()) return false;
        }
        if (row.deleted && !table->markDeleted().isOk()) return false;
    }
    return table->commit().isOk();
}

// Writes the table with Perl's XBase module through interop/item_tables.pl:
// the field list on its first input line, then one line per record, values
// separated by tabs, a leading "*" field for deleted records.
inline bool writeWithPerl(const std::string& dir, const TableData& t) {
    const char* src = std::getenv("LUMISETT_TEST_SRC");
    const std::string cmd = "perl '" + std::string(src ? src : ".") +
                            "/inventory/interop/item_tables.pl' '" + dataFile(dir, t.name, ".dbf") +
                            "'";
    FILE* p = popen(cmd.c_str(), "w");
    if (!p) return false;
    std::string input;
    for (const auto& f : t.fields) {
        input += f.name + ":" + f.type + ":" + std::to_string(f.length) + ":" +
                 std::to_string(f.decimals) + "\t";
    }
    input.back() = '\n';
    for (const Row& row : t.rows) {
        input += row.deleted ? "*" : " ";
        for (const auto& v : row.values) input += "\t" + v;
        input += "\n";
    }
    std::fwrite(input.data(), 1, input.size(), p);
    return pclose(p) == 0;
}

// Builds the table's index with our engine, as the re-index does.
inline bool indexWithOurEngine(const std::string& dir, const TableData& t) {
    std::unique_ptr<tables::Table> table;
    return tables::Table::open(dataFile(dir, t.name, ".dbf"), false, false, &table).isOk() &&
           tables::createIndex(*table, dataFile(dir, t.index, ".ntx"), t.name + "->code").isOk();
}

// The shop of the lookup tests: the worked examples and the edge cases.
// A description of exactly 48 characters: the next line continues it.
inline const std::string kLongDesc = "WHITE GOLD PENDANT SET WITH A CLUSTER OF SMALL D";

inline std::vector<TableData> shopTables() {
    TableData istock{"istock", "istkcode", itemFields(), {}};
    istock.rows = {
        item("CH--123", "9CT GOLD CHAIN", "1250", "0", "0", "", "0", "450", "5.2"),
        item("SZ--099", "RING", "10", "", "", "", "", "99"),
        item("SZ--100", "RING", "10", "", "", "", "", "100"),
        item("DL--001", "BROOCH", "0", "12.5"),
        item("DI--050", "DIAMOND STUDS", "500", "", "0.5", "  G/VS1", "1.25"),
        item("ER--002", "SET OF 2 EARRINGS", "75", "", "", "", "", "", "3"),
        // Superseded records, marked deleted, before and after the new one.
        item("RE--001", "OLD PENDANT", "100", "", "", "", "", "", "", true),
        item("RE--001", "NEW PENDANT", "120"),
        item("RE--001", "OLDER PENDANT", "90", "", "", "", "", "", "", true),
        item("DD--001", "WITHDRAWN", "5", "", "", "", "", "", "", true),
        item("DD--001", "WITHDRAWN AGAIN", "5", "", "", "", "", "", "", true),
    };
    TableData imerch{"imerch", "imercode", itemFields(), {}};
    imerch.rows = {
        item("1200345", "18CT RING", "899.5"),
        item("1200346", kLongDesc, "2400"),
        item("1200347", "PENDANT", "60"),
        item("1200348", "OLD BANGLE", "10", "", "", "", "", "", "", true),
        item("1200348", "BANGLE", "20"),
        item("1200349", "GONE", "1", "", "", "", "", "", "", true),
        item("AB--777", "A STOCK CODE IN IMERCH", "1"),
    };
    TableData isub{"isub", "isubcode", subFields(), {}};
    isub.rows = {
        line("1200345", "18CT GOLD", "G18", "1"),
        line("1200345", "DIAMOND", "D01", "3", "0"),
        line("1200345", "RUBY", "R02", "1", "0.5"),
        line("1200346", "IAMONDS", "-0000", "0"),
        line("1200347", "rem note for the clerk", "D01", "1"),
        line("1200347", "Rem.x", "D02", "1"),
        line("1200347", "rem", "D03", "1"),
        line("1200347", "!secret", "D04", "1"),
        line("1200347", "FINDING", "F01", "1"),
        line("1200347", "gold 9ct", "g9", "0"),
        line("1200347", "REMOUNTED STONE", "S01", "2"),
        line("1200348", "OLD STONE", "S01", "1", "", true),
        line("1200348", "GARNET", "S02", "4", "1.25"),
        line("1200349", "GONE TOO", "S03", "1"),
        line("1234567", "ANOTHER ITEM", "S04", "1"),
    };
    return {istock, imerch, isub};
}

inline const std::string kRingText =
    "18CT RING with  3 x DIAMOND and  1 x RUBY, wght=0.50\r\n"
    "(Merch. code: 1200345)\r\nPrice:      899.50";
inline const std::string kChainText =
    "9CT GOLD CHAIN\r\nLength = 45.0cm  Total mass of item =  5.20g\r\n"
    "(Stock code: CH--123)\r\nPrice:     1250.00";

inline std::string notFound(const std::string& code) {
    return "\r\n The Tillmaster\r\n\r\n     DATA DISPLAYER\r\n\r\n\r\n\r\n\r\n" + code +
           "  was not found in the data files.\r\n\r\nCheck settings or update data.";
}

}  // namespace inventory::testing
