#include "inventory/item_code.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

using inventory::CodeClass;
using inventory::TablePlan;

TEST(ItemCodeTest, Classify) {
    struct Case {
        const char* code;
        CodeClass expected;
    } cases[] = {
        {"AB--123", CodeClass::StandardStock},
        {"CH--123", CodeClass::StandardStock},
        {"1200345", CodeClass::Merchandise},
        {"-100002", CodeClass::Merchandise},
        {" 120034", CodeClass::Merchandise},
        {"0.00000", CodeClass::StandardStock},
        {"0012345", CodeClass::Invalid},
        {"00--123", CodeClass::Invalid},
        {"120034", CodeClass::Invalid},
        {"12003456", CodeClass::Invalid},
        {"", CodeClass::Invalid},
        {"AB-123 ", CodeClass::StandardStock},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(inventory::classifyCode(c.code), c.expected) << '"' << c.code << '"';
    }
}

TEST(ItemCodeTest, GuardsInOrder) {
    const std::string welcome = inventory::welcomeText("Jewellery ");
    const std::string neither = "This item is neither merchandise nor standard stock.";
    struct Case {
        const char* code;
        bool stop;
        std::string text;  // "" when the lookup goes on
        const char* upper;
        CodeClass cls;
    } cases[] = {
        {"", true, "Program stopped", "", CodeClass::Invalid},
        {"AB--123", true, "Program stopped", "", CodeClass::Invalid},
        {"0012345", true, "Program stopped", "", CodeClass::Invalid},
        {"", false, welcome, "", CodeClass::Invalid},
        {" \t\r\n ", false, welcome, "", CodeClass::Invalid},
        {"0012345", false, neither, "0012345", CodeClass::Invalid},
        {"ab--12", false, neither, "AB--12", CodeClass::Invalid},
        {"ab--1234", false, neither, "AB--1234", CodeClass::Invalid},
        {"1200345\r\n", false, neither, "1200345\r\n", CodeClass::Invalid},
        {"ab--123", false, "", "AB--123", CodeClass::StandardStock},
        {"1200345", false, "", "1200345", CodeClass::Merchandise},
        {"-12x0ab", false, "", "-12X0AB", CodeClass::Merchandise},
    };
    for (const auto& c : cases) {
        auto start = inventory::startLookup(c.code, c.stop, "Jewellery ");
        EXPECT_EQ(start.text.value_or(""), c.text) << '"' << c.code << '"';
        if (!c.stop) {
            EXPECT_EQ(start.code, c.upper) << '"' << c.code << '"';
            EXPECT_EQ(start.codeClass, c.cls) << '"' << c.code << '"';
        }
    }
}

TEST(ItemCodeTest, PlanTables) {
    const std::vector<std::string> all = {"istock.dbf", "istkcode.ntx", "imerch.dbf",
                                          "isub.dbf",   "imercode.ntx", "isubcode.ntx"};
    struct Case {
        const char* name;
        CodeClass cls;
        std::vector<std::string> missing;
        TablePlan plan;
    } cases[] = {
        {"stock, all present", CodeClass::StandardStock, {}, TablePlan::OpenStock},
        {"merch, all present", CodeClass::Merchandise, {}, TablePlan::OpenMerchandise},
        {"stock index missing, merch present",
         CodeClass::StandardStock,
         {"istkcode.ntx"},
         TablePlan::OpenMerchandise},
        {"stock table missing, merch present",
         CodeClass::StandardStock,
         {"istock.dbf"},
         TablePlan::OpenMerchandise},
        {"stock index and isub index missing",
         CodeClass::StandardStock,
         {"istkcode.ntx", "isubcode.ntx"},
         TablePlan::IndexFilesMissing},
        {"stock table and merch index missing",
         CodeClass::StandardStock,
         {"istock.dbf", "imercode.ntx"},
         TablePlan::DataFilesMissing},
        {"nothing there, stock", CodeClass::StandardStock, all, TablePlan::DataFilesMissing},
        {"nothing there, merch", CodeClass::Merchandise, all, TablePlan::DataFilesMissing},
        {"isub missing", CodeClass::Merchandise, {"isub.dbf"}, TablePlan::DataFilesMissing},
        {"imerch missing",
         CodeClass::Merchandise,
         {"imerch.dbf", "istock.dbf"},
         TablePlan::DataFilesMissing},
        {"isub index missing",
         CodeClass::Merchandise,
         {"isubcode.ntx"},
         TablePlan::IndexFilesMissing},
        {"merch index missing, stock fine",
         CodeClass::Merchandise,
         {"imercode.ntx"},
         TablePlan::IndexFilesMissing},
    };
    for (const auto& c : cases) {
        std::set<std::string> missing(c.missing.begin(), c.missing.end());
        auto exists = [&](std::string_view f) { return !missing.contains(std::string(f)); };
        EXPECT_EQ(inventory::planTables(c.cls, false, exists), c.plan) << c.name;
    }
}

TEST(ItemCodeTest, PlanTablesAfterFirstSuccessLooksAtNoFile) {
    int asked = 0;
    auto exists = [&](std::string_view) {
        ++asked;
        return false;
    };
    EXPECT_EQ(inventory::planTables(CodeClass::StandardStock, true, exists), TablePlan::OpenStock);
    EXPECT_EQ(inventory::planTables(CodeClass::Merchandise, true, exists),
              TablePlan::OpenMerchandise);
    EXPECT_EQ(asked, 0);
}

TEST(ItemCodeTest, Texts) {
    EXPECT_EQ(inventory::programStoppedText(), "Program stopped");
    EXPECT_EQ(inventory::welcomeText("Jewellery "),
              "\r\n\r\n The Jewellery Tillmaster\r\n\r\n     DATA DISPLAYER");
    EXPECT_EQ(inventory::welcomeText(""), "\r\n\r\n The Tillmaster\r\n\r\n     DATA DISPLAYER");
    EXPECT_EQ(inventory::dataFilesErrorText("C:\\POS"),
              "ERROR! Could not open data files.  Please check data path on settings page."
              "\r\n\r\n\r\nDiagnostics:\r\nC:\\POS\\imerch\r\nC:\\POS\\istock\r\n");
    EXPECT_EQ(inventory::indexFilesErrorText("C:\\POS"),
              "ERROR! Missing INDEX files.  Please check data path on settings page and if "
              "correct choose 'Re-index' to create new indexes.\r\n\r\nDiagnostics:\r\n"
              "C:\\POS\\imercode.ntx\r\nC:\\POS\\istkcode.ntx\r\nC:\\POS\\isubcode.ntx\r\n");
    EXPECT_EQ(inventory::notFoundText("Jewellery ", "AB--123"),
              "\r\n The Jewellery Tillmaster\r\n\r\n     DATA DISPLAYER\r\n\r\n\r\n\r\n\r\n"
              "AB--123  was not found in the data files.\r\n\r\nCheck settings or update data.");
}

}  // namespace
