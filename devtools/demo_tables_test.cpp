// The demo shop's tables at any size: the items asked for, each live code
// once, every merchandise item with its lines, and indexes that match.
#include <gtest/gtest.h>

#include <set>

#include "devtools/demo_tables.h"
#include "tables/table.h"
#include "tables/table_index.h"
#include "testsupport/temp_dir.h"

namespace {

using platform::Status;

TEST(DemoTablesTest, AnySizeHoldsItsItemsOnceWithTheirLinesAndMatchingIndexes) {
    for (std::uint32_t items : {11u, 12u, 15u, 2001u}) {
        SCOPED_TRACE(items);
        testsupport::TempDir dir;
        ASSERT_TRUE(devtools::writeDemoTables(dir.str(), items).isOk());
        std::uint32_t records = 0, merchandise = 0, lines = 0;
        std::set<std::string> liveCodes, merchCodes, lineCodes;
        for (const devtools::InventoryFile& f : devtools::kInventoryFiles) {
            std::unique_ptr<tables::Table> t;
            ASSERT_TRUE(tables::Table::open(dir.file(f.table), true, true, &t).isOk());
            const bool isSub = std::string(f.table) == "isub.dbf";
            std::string code;
            Status st;
            for (st = t->first(); st.isOk() && !t->eof(); st = t->next()) {
                ASSERT_TRUE(t->getText("CODE", &code).isOk());
                if (isSub) {
                    ++lines;
                    lineCodes.insert(code);
                    continue;
                }
                ++records;
                if (std::string(f.table) == "imerch.dbf") {
                    ++merchandise;
                    merchCodes.insert(code);
                }
                if (!t->deleted()) {
                    EXPECT_TRUE(liveCodes.insert(code).second) << code << " twice";
                }
            }
            ASSERT_TRUE(st.isOk()) << st.message();
            tables::IndexCheck check;
            ASSERT_TRUE(tables::verifyIndex(dir.file(f.table), dir.file(f.index), &check).isOk());
            EXPECT_TRUE(check.problems.empty()) << f.index << ": " << check.problems.front();
            EXPECT_EQ(check.entries, check.records);
        }
        EXPECT_EQ(records, items);
        // The hand-written shop has 4 merchandise items and 11 lines; each
        // generated one has 2 lines.
        EXPECT_EQ(lines, 11 + 2 * (merchandise - 4));
        EXPECT_EQ(lineCodes, merchCodes);
    }
    testsupport::TempDir dir;
    EXPECT_EQ(devtools::writeDemoTables(dir.str(), 10).code(), Status::Code::Invalid);
    EXPECT_EQ(devtools::writeDemoTables(dir.str(), devtools::kMaxDemoItems + 1).code(),
              Status::Code::Invalid);
    EXPECT_EQ(devtools::writeDemoTables(dir.file("missing"), 11).code(), Status::Code::NotFound);
}

}  // namespace
