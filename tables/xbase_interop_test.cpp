// Interoperability with an independent implementation of the formats: Perl's
// XBase module, driven as a black box through interop/xbase_check.pl.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

#include "tables/table.h"
#include "tables/table_index.h"
#include "testsupport/temp_dir.h"

namespace {

using namespace tables;

std::string script() {
    const char* src = std::getenv("LUMISETT_TEST_SRC");
    return std::string(src ? src : ".") + "/tables/interop/xbase_check.pl";
}

// Runs the check script with `args`; returns what it printed.
std::string perl(const std::string& args) {
    std::string cmd = "perl '" + script() + "' " + args;
    std::string out;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return out;
    char buf[65536];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    EXPECT_EQ(pclose(p), 0) << cmd;
    return out;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

std::string rtrim(std::string text) {
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

// Our reading of `table`, in the script's dump format.
std::vector<std::string> dumpWithOurEngine(Table& table) {
    std::vector<std::string> out;
    char price[32];
    std::string code, desc, sold, ok;
    double value = 0;
    platform::Status st;
    for (st = table.first(); st.isOk() && !table.eof(); st = table.next()) {
        EXPECT_TRUE(table.getText("code", &code).isOk());
        EXPECT_TRUE(table.getText("desc", &desc).isOk());
        EXPECT_TRUE(table.getNumber("price", &value).isOk());
        EXPECT_TRUE(table.getText("sold", &sold).isOk());
        EXPECT_TRUE(table.getText("ok", &ok).isOk());
        std::snprintf(price, sizeof price, "%.2f", value);
        ok = rtrim(ok);
        if (ok == "T" || ok == "t" || ok == "Y" || ok == "y") ok = "T";
        else if (ok == "F" || ok == "f" || ok == "N" || ok == "n") ok = "F";
        else ok = "";
        out.push_back(std::to_string(table.recno()) + "\t" + (table.deleted() ? "*" : " ") + "\t" +
                      rtrim(code) + "\t" + rtrim(desc) + "\t" + price + "\t" + rtrim(sold) + "\t" + ok);
    }
    EXPECT_TRUE(st.isOk()) << st.message();
    return out;
}

TEST(XbaseInteropTest, TablesWrittenByPerlReadCorrectly) {
    testsupport::TempDir dir;
    std::string path = dir.file("perl.dbf");
    perl("write '" + path + "' 1500");
    std::vector<std::string> theirs = lines(perl("dump '" + path + "'"));
    ASSERT_EQ(theirs.size(), 1500u);
    std::unique_ptr<Table> table;
    ASSERT_TRUE(Table::open(path, true, true, &table).isOk());
    std::uint32_t count = 0;
    ASSERT_TRUE(table->recordCount(&count).isOk());
    EXPECT_EQ(count, 1500u);
    EXPECT_EQ(dumpWithOurEngine(*table), theirs);
}

TEST(XbaseInteropTest, TablesAndIndexesWeWriteReadCorrectlyByPerl) {
    testsupport::TempDir dir;
    std::string path = dir.file("ours.dbf");
    const std::uint32_t kRecords = 200000;
    ASSERT_TRUE(Table::create(path, {{"CODE", 'C', 7, 0}, {"DESC", 'C', 20, 0}, {"PRICE", 'N', 10, 2},
                                     {"SOLD", 'D', 8, 0}, {"OK", 'L', 1, 0}})
                    .isOk());
    std::unique_ptr<Table> table;
    ASSERT_TRUE(Table::open(path, false, false, &table).isOk());
    std::mt19937 rng(42);
    std::vector<std::string> codes;
    for (std::uint32_t i = 0; i < kRecords; ++i) {
        // About 3 records per code; some codes shorter than the field.
        int n = int(rng() % 70000);
        std::string code = (n % 10 == 0) ? "S" + std::to_string(n % 1000)
                                         : std::string(n % 2 ? "AB" : "1") + std::to_string(100000 + n);
        code = code.substr(0, 7);
        codes.push_back(code);
        ASSERT_TRUE(table->appendBlank().isOk());
        ASSERT_TRUE(table->putText("code", code).isOk());
        ASSERT_TRUE(table->putText("desc", "item " + std::to_string(i + 1)).isOk());
        ASSERT_TRUE(table->putNumber("price", double(i % 5000) / 4).isOk());
        ASSERT_TRUE(table->putText("sold", i % 5 ? "20261207" : "").isOk());
        if (i % 4) {
            ASSERT_TRUE(table->putLogical("ok", i % 2).isOk());
        }
        if (i % 7 == 3) {
            ASSERT_TRUE(table->markDeleted().isOk());
        }
    }
    ASSERT_TRUE(table->commit().isOk());
    ASSERT_TRUE(createIndex(*table, dir.file("ourcode.ntx"), "ours->code").isOk());
    std::vector<std::string> ours = dumpWithOurEngine(*table);
    table.reset();

    EXPECT_EQ(lines(perl("dump '" + path + "'")), ours);

    // Perl walks our multi-level index: every key once, in byte order, equal
    // keys in record order.
    std::vector<std::pair<std::string, std::uint32_t>> want;
    for (std::uint32_t i = 0; i < kRecords; ++i) {
        std::string key = codes[i];
        key.resize(7, ' ');
        want.push_back({key, i + 1});
    }
    std::sort(want.begin(), want.end());
    std::vector<std::string> walk = lines(perl("walk '" + dir.file("ourcode.ntx") + "'"));
    ASSERT_EQ(walk.size(), want.size());
    for (std::size_t i = 0; i < walk.size(); ++i) {
        ASSERT_EQ(walk[i], want[i].first + "\t" + std::to_string(want[i].second)) << "entry " << i;
    }

    // Perl's seek finds every sampled key at its first record.
    std::map<std::string, std::uint32_t> firstRecord;
    for (const auto& [key, recno] : want) firstRecord.emplace(key, recno);
    std::ofstream keysFile(dir.file("keys.txt"));
    std::vector<std::string> expectSeek;
    std::size_t i = 0;
    for (const auto& [key, recno] : firstRecord) {
        if (i++ % 25) continue;
        keysFile << key << "\n";
        expectSeek.push_back(key + "\t" + std::to_string(recno));
    }
    keysFile.close();
    EXPECT_EQ(lines(perl("seek '" + dir.file("ourcode.ntx") + "' < '" + dir.file("keys.txt") + "'")),
              expectSeek);
}

}  // namespace
