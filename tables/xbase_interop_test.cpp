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

#include "core/xbase_values.h"
#include "errors/error.h"
#include "tables/work_area.h"
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

// Our reading of the current table, in the script's dump format.
std::vector<std::string> dumpWithOurEngine() {
    std::vector<std::string> out;
    char price[32];
    for (goTop(); !eof(); skip()) {
        std::snprintf(price, sizeof price, "%.2f", fieldGetNumber("price"));
        std::string ok = core::rtrim(fieldGetString("ok"));
        if (ok == "T" || ok == "t" || ok == "Y" || ok == "y") ok = "T";
        else if (ok == "F" || ok == "f" || ok == "N" || ok == "n") ok = "F";
        else ok = "";
        out.push_back(std::to_string(recNo()) + "\t" + (deleted() ? "*" : " ") + "\t" +
                      core::rtrim(fieldGetString("code")) + "\t" +
                      core::rtrim(fieldGetString("desc")) + "\t" + price + "\t" +
                      core::rtrim(fieldGetDate("sold")) + "\t" + ok);
    }
    return out;
}

TEST(XbaseInteropTest, TablesWrittenByPerlReadCorrectly) {
    testsupport::TempDir dir;
    std::string path = dir.file("perl.dbf");
    perl("write '" + path + "' 1500");
    std::vector<std::string> theirs = lines(perl("dump '" + path + "'"));
    ASSERT_EQ(theirs.size(), 1500u);
    ASSERT_TRUE(useArea(path, "", true, true));
    EXPECT_EQ(lastRec(), 1500u);
    EXPECT_EQ(dumpWithOurEngine(), theirs);
    closeAll();
}

TEST(XbaseInteropTest, TablesAndIndexesWeWriteReadCorrectlyByPerl) {
    testsupport::TempDir dir;
    std::string path = dir.file("ours.dbf");
    const std::uint32_t kRecords = 200000;
    ASSERT_TRUE(createTable(path, {{"CODE", 'C', 7, 0}, {"DESC", 'C', 20, 0}, {"PRICE", 'N', 10, 2},
                                   {"SOLD", 'D', 8, 0}, {"OK", 'L', 1, 0}}));
    ASSERT_TRUE(useArea(path, "ours", false, false));
    std::mt19937 rng(42);
    std::vector<std::string> codes;
    for (std::uint32_t i = 0; i < kRecords; ++i) {
        // About 3 records per code; some codes shorter than the field.
        int n = int(rng() % 70000);
        std::string code = (n % 10 == 0) ? "S" + std::to_string(n % 1000)
                                         : std::string(n % 2 ? "AB" : "1") + std::to_string(100000 + n);
        code = code.substr(0, 7);
        codes.push_back(code);
        ASSERT_TRUE(appendBlank());
        fieldPut("code", code);
        fieldPut("desc", "item " + std::to_string(i + 1));
        fieldPutNumber("price", double(i % 5000) / 4);
        fieldPut("sold", i % 5 ? "20261207" : "");
        if (i % 4) fieldPutLogical("ok", i % 2);
        if (i % 7 == 3) deleteRecord();
    }
    ASSERT_TRUE(createIndex(dir.file("ourcode.ntx"), "ours->code"));
    ordListClear();
    std::vector<std::string> ours = dumpWithOurEngine();
    closeAll();

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
