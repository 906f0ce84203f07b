#include "tables/dbf_header.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tables/dbf.h"
#include "tables/dbf_record.h"

namespace {

using namespace tables;
using platform::Status;

std::string image(std::vector<DbfField> fields) {
    EXPECT_TRUE(checkNewFields(&fields).isOk());
    return newDbfImage(fields, 2026, 12, 7);
}

std::vector<DbfField> codeDescPrice() {
    return {{"code", 'C', 7, 0}, {"Desc", 'C', 48, 0}, {"PRICE", 'N', 10, 2}};
}

TEST(DbfHeaderTest, NewImageLayoutIsByteExact) {
    std::string img = image(codeDescPrice());
    const auto* p = reinterpret_cast<const std::uint8_t*>(img.data());
    ASSERT_EQ(img.size(), 32u + 3 * 32 + 1 + 1);
    EXPECT_EQ(p[0], 0x03);
    EXPECT_EQ(p[1], 126);  // 2026 - 1900
    EXPECT_EQ(p[2], 12);
    EXPECT_EQ(p[3], 7);
    EXPECT_EQ(p[8] | (p[9] << 8), 129);   // header length
    EXPECT_EQ(p[10] | (p[11] << 8), 66);  // 1 + 7 + 48 + 10
    for (int i = 12; i < 32; ++i) EXPECT_EQ(p[i], 0) << i;
    EXPECT_EQ(std::string(img.data() + 32, 4), std::string("CODE", 4));
    EXPECT_EQ(p[32 + 11], 'C');
    EXPECT_EQ(p[32 + 16], 7);
    EXPECT_EQ(p[64 + 32 + 17], 2);  // decimals of PRICE
    EXPECT_EQ(p[32 + 12], 0);       // no field data address
    EXPECT_EQ(p[128], 0x0D);
    EXPECT_EQ(p[129], 0x1A);
}

TEST(DbfHeaderTest, DecodesWhatItEncodes) {
    std::string img = image(codeDescPrice());
    DbfHeader h;
    const auto* p = reinterpret_cast<const std::uint8_t*>(img.data());
    ASSERT_TRUE(decodeDbfHeader(p, 2026, &h).isOk());
    EXPECT_EQ(h.year, 2026);
    std::vector<DbfField> fields;
    ASSERT_TRUE(decodeDbfFields(p + 32, h.headerLength - 32, h, &fields).isOk());
    ASSERT_EQ(fields.size(), 3u);
    EXPECT_EQ(fields[1].name, "DESC");
    EXPECT_EQ(fields[1].offset, 8);
    EXPECT_EQ(fields[2].offset, 56);
    EXPECT_EQ(findDbfField(fields, "price"), 2);
    EXPECT_EQ(findDbfField(fields, "colour"), -1);
}

TEST(DbfHeaderTest, YearByteForms) {
    struct Case {
        int byte, currentYear, year;
    } cases[] = {{26, 2026, 2026}, {126, 2026, 2026}, {99, 2026, 1999}, {27, 2026, 1927},
                 {0, 2026, 2000}, {255, 2026, 2155}};
    for (const auto& c : cases) {
        std::string img = image(codeDescPrice());
        img[1] = char(c.byte);
        DbfHeader h;
        ASSERT_TRUE(decodeDbfHeader(reinterpret_cast<const std::uint8_t*>(img.data()),
                                    c.currentYear, &h)
                        .isOk());
        EXPECT_EQ(h.year, c.year) << c.byte;
    }
}

TEST(DbfHeaderTest, RefusesDamagedHeaders) {
    struct Case {
        const char* what;
        void (*damage)(std::string&);
        Status::Code code;
    } cases[] = {
        {"level 4 version", [](std::string& s) { s[0] = char(0x8B); }, Status::Code::Unsupported},
        {"header length 0", [](std::string& s) { s[8] = s[9] = 0; }, Status::Code::Corrupt},
        {"record length off by one", [](std::string& s) { s[10] = 67; }, Status::Code::Corrupt},
        {"record length 0", [](std::string& s) { s[10] = s[11] = 0; }, Status::Code::Corrupt},
        {"no end mark", [](std::string& s) { s[128] = 'X'; }, Status::Code::Corrupt},
        {"unknown type", [](std::string& s) { s[32 + 11] = 'Q'; }, Status::Code::Corrupt},
        {"zero length", [](std::string& s) { s[32 + 16] = 0; }, Status::Code::Corrupt},
        {"empty name", [](std::string& s) { s[32] = 0; }, Status::Code::Corrupt},
        {"name not ended", [](std::string& s) { std::memset(s.data() + 32, 'A', 11); },
         Status::Code::Corrupt},
    };
    for (const auto& c : cases) {
        std::string img = image(codeDescPrice());
        c.damage(img);
        auto bytes = std::make_shared<std::string>(img);
        std::unique_ptr<Dbf> dbf;
        Status st = Dbf::open(platform::memoryFile(bytes), false, true, &dbf);
        EXPECT_EQ(st.code(), c.code) << c.what << ": " << st.message();
        EXPECT_FALSE(dbf) << c.what;
    }
}

TEST(DbfHeaderTest, MemoTableOpensAndCountIsClampedToTheFile) {
    std::string img = newDbfImage({{"CODE", 'C', 7, 0}, {"NOTE", 'M', 10, 0}}, 2026, 1, 1);
    img[0] = char(0x83);
    img.pop_back();  // no end mark: readers must not need it
    img += " AB--123         1";
    img[4] = 5;      // the header claims five records; the file holds one
    std::unique_ptr<Dbf> dbf;
    ASSERT_TRUE(Dbf::open(platform::memoryFile(std::make_shared<std::string>(img)), true, true, &dbf)
                    .isOk());
    EXPECT_EQ(dbf->recordCount(), 1u);
    std::string rec;
    ASSERT_TRUE(dbf->read(1, &rec).isOk());
    EXPECT_EQ(fieldBytes(rec, dbf->fields()[1]), "         1");
    EXPECT_EQ(dbf->read(2, &rec).code(), Status::Code::Invalid);
}

TEST(DbfHeaderTest, NewFieldListChecks) {
    struct Case {
        std::vector<DbfField> fields;
        bool ok;
    } cases[] = {
        {{{"CODE", 'C', 60, 0}}, true},
        {{{"n", 'N', 10, 2}, {"d", 'D', 8, 0}, {"l", 'L', 1, 0}}, true},
        {{}, false},
        {{{"1CODE", 'C', 7, 0}}, false},
        {{{"TOOLONGNAME", 'C', 7, 0}}, false},
        {{{"A B", 'C', 7, 0}}, false},
        {{{"CODE", 'C', 7, 0}, {"code", 'C', 3, 0}}, false},
        {{{"CODE", 'C', 0, 0}}, false},
        {{{"P", 'N', 10, 9}}, false},
        {{{"D", 'D', 6, 0}}, false},
        {{{"M", 'M', 10, 0}}, false},
        {{{"X", 'Q', 1, 0}}, false},
    };
    for (auto& c : cases) {
        EXPECT_EQ(checkNewFields(&c.fields).isOk(), c.ok)
            << (c.fields.empty() ? "(none)" : c.fields[0].name);
    }
}

TEST(DbfRecordTest, ValuesInAndOut) {
    std::vector<DbfField> fields = {{"C", 'C', 5, 0}, {"N", 'N', 10, 2}, {"S", 'N', 6, 1},
                                    {"L", 'L', 1, 0}};
    ASSERT_TRUE(checkNewFields(&fields).isOk());
    std::string rec(1 + 5 + 10 + 6 + 1, ' ');
    putFieldText(&rec, fields[0], "ABCDEFG");
    EXPECT_EQ(fieldBytes(rec, fields[0]), "ABCDE");
    putFieldText(&rec, fields[0], "AB");
    EXPECT_EQ(fieldBytes(rec, fields[0]), "AB   ");
    ASSERT_TRUE(putFieldNumber(&rec, fields[1], 1250.5).isOk());
    EXPECT_EQ(fieldBytes(rec, fields[1]), "   1250.50");
    ASSERT_TRUE(putFieldNumber(&rec, fields[1], -749.5).isOk());
    EXPECT_EQ(fieldBytes(rec, fields[1]), "   -749.50");
    EXPECT_DOUBLE_EQ(fieldNumber(rec, fields[1]), -749.5);
    ASSERT_TRUE(putFieldNumber(&rec, fields[2], -3.25).isOk());
    EXPECT_EQ(fieldBytes(rec, fields[2]).substr(0, 4), "  -3");
    std::string before = rec;
    EXPECT_FALSE(putFieldNumber(&rec, fields[2], 12345.6).isOk());
    EXPECT_EQ(rec, before);  // never a cut or starred value
    putFieldText(&rec, fields[1], "**********");
    EXPECT_DOUBLE_EQ(fieldNumber(rec, fields[1]), 0);
    putFieldLogical(&rec, fields[3], true);
    EXPECT_TRUE(fieldLogical(rec, fields[3]));
    for (char c : std::string("FfNn? ")) {
        rec[fields[3].offset] = c;
        EXPECT_FALSE(fieldLogical(rec, fields[3])) << c;
    }
    for (char c : std::string("TtYy")) {
        rec[fields[3].offset] = c;
        EXPECT_TRUE(fieldLogical(rec, fields[3])) << c;
    }
}

}  // namespace
