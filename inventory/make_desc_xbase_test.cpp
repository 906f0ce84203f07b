// MakeDesc against tables written by Perl's XBase module (an independent
// implementation of the format) and indexed by our engine.
#include <gtest/gtest.h>

#include <string>

#include "core/display_state.h"
#include "core/program_state.h"
#include "inventory/item_tables_testing.h"
#include "inventory/make_desc.h"
#include "testsupport/temp_dir.h"

namespace inventory::testing {

TEST(MakeDescXbaseTest, TablesWrittenByPerl) {
    testsupport::TempDir dir;
    for (const TableData& t : shopTables()) {
        ASSERT_TRUE(writeWithPerl(dir.str(), t)) << t.name;
        ASSERT_TRUE(indexWithOurEngine(dir.str(), t)) << t.name;
    }
    core::resetDisplayState();
    core::programState().cProgName.setData("");
    InventoryLookup lookup;
    auto MakeDesc = [&](const std::string& code, const std::string& path) {
        return lookup.MakeDesc(code, path);
    };
    EXPECT_EQ(MakeDesc("CH--123", dir.str()), kChainText);
    EXPECT_EQ(MakeDesc("1200345", dir.str()), kRingText);
    EXPECT_EQ(MakeDesc("DL--001", dir.str()),
              "BROOCH\r\n(Stock code: DL--001)\r\nPrice:      $12.50");
    EXPECT_EQ(MakeDesc("RE--001", dir.str()),
              "NEW PENDANT\r\n(Stock code: RE--001)\r\nPrice:      120.00");
    EXPECT_EQ(MakeDesc("1200348", dir.str()),
              "BANGLE with  4 x GARNET, wght=1.25\r\n(Merch. code: 1200348)\r\nPrice:       20.00");
    EXPECT_EQ(MakeDesc("DD--001", dir.str()), notFound("DD--001"));
}

}  // namespace inventory::testing
