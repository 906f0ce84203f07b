#include "tables/table_index.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <random>

#include "tables/cursor.h"
#include "testsupport/temp_dir.h"

namespace {

using namespace tables;
using platform::Status;
// The index as it must be: key -> record numbers, equal keys in record order.
using Model = std::multimap<std::string, std::uint32_t>;

// Random 7-byte keys from a small alphabet (so that prefixes and equal keys
// are common), with blanks, shorter codes and bytes above 127.
std::vector<std::string> randomKeys(std::mt19937& rng, std::size_t n) {
    static const std::string alphabet = " -019ABZa\xe9\xff";
    std::vector<std::string> keys(n);
    for (auto& k : keys) {
        k.assign(1 + rng() % 7, ' ');
        for (char& c : k) c = alphabet[rng() % alphabet.size()];
        k.resize(7, ' ');
    }
    return keys;
}

std::unique_ptr<Table> tableOf(const testsupport::TempDir& dir, const std::vector<std::string>& keys) {
    const std::string path = dir.file("t.dbf");
    EXPECT_TRUE(Table::create(path, {{"NAME", 'C', 3, 0}, {"CODE", 'C', 7, 0}}).isOk());
    std::unique_ptr<Table> t;
    EXPECT_TRUE(Table::open(path, false, false, &t).isOk());
    for (const auto& k : keys) {
        EXPECT_TRUE(t->appendBlank().isOk());
        EXPECT_TRUE(t->putText("code", k).isOk());
    }
    EXPECT_TRUE(t->commit().isOk());
    return t;
}

TEST(IndexBuildTest, SeeksAndWalksAgreeWithAMapOverRandomKeys) {
    std::mt19937 rng(18);
    for (std::size_t n : {0u, 1u, 57u, 59u, 3000u, 12000u}) {
        testsupport::TempDir dir;
        const std::vector<std::string> keys = randomKeys(rng, n);
        auto table = tableOf(dir, keys);
        Model model;
        std::vector<Model::const_iterator> entryOf(n + 1, model.end());
        for (std::uint32_t i = 0; i < n; ++i) entryOf[i + 1] = model.emplace(keys[i], i + 1);
        // Where the cursor stands, as a model entry.
        auto position = [&] { return table->eof() ? model.cend() : entryOf[table->recno()]; };
        ASSERT_TRUE(createIndex(*table, dir.file("t.ntx"), "t->code").isOk());
        std::unique_ptr<Cursor> cursor;
        ASSERT_TRUE(Cursor::open(*table, dir.file("t.ntx"), &cursor).isOk());

        std::vector<std::uint32_t> forward, backward, want;
        for (const auto& e : model) want.push_back(e.second);
        for (Status st = cursor->first(); !cursor->eof(); st = cursor->next()) {
            ASSERT_TRUE(st.isOk()) << st.message();
            forward.push_back(table->recno());
        }
        ASSERT_TRUE(cursor->last().isOk());
        while (!cursor->eof()) {
            backward.push_back(table->recno());
            ASSERT_TRUE(cursor->prev().isOk());
            if (cursor->bof()) break;
        }
        std::reverse(backward.begin(), backward.end());
        EXPECT_EQ(forward, want) << n;
        EXPECT_EQ(backward, want) << n;

        // Seeks of present keys, prefixes, longer and absent keys; each then
        // walks on a few steps in the model's order, either way.
        for (int probe = 0; probe < 300; ++probe) {
            std::string key = randomKeys(rng, 1)[0];
            if (n > 0 && probe % 2) key = keys[rng() % n];
            key = key.substr(0, 1 + rng() % 9) + (probe % 7 == 0 ? "xyz" : "");
            auto expect = model.lower_bound(key.substr(0, 7));  // first key not below
            const std::string cut = key.substr(0, 7);
            bool hit = expect != model.end() && expect->first.compare(0, cut.size(), cut) == 0;
            bool found = !hit;
            ASSERT_TRUE(cursor->seek(key, &found).isOk());
            ASSERT_EQ(found, hit) << "'" << key << "' in " << n;
            if (!hit) {
                EXPECT_TRUE(cursor->eof());
                continue;
            }
            auto at = expect;
            EXPECT_EQ(table->recno(), at->second) << "'" << key << "'";
            const bool ahead = probe % 3 != 0;
            for (int step = 0; step < 5 && at != model.end(); ++step) {
                if (ahead) {
                    ASSERT_TRUE(cursor->next().isOk());
                    ++at;
                } else {
                    ASSERT_TRUE(cursor->prev().isOk());
                    if (at == model.begin()) {
                        EXPECT_TRUE(cursor->bof());
                        break;
                    }
                    --at;
                }
                EXPECT_EQ(position(), at) << "'" << key << "' step " << step;
            }
        }
        // After a move by record number the cursor goes on from that record.
        for (int probe = 0; probe < 20 && n > 0; ++probe) {
            std::uint32_t r = 1 + rng() % n;
            ASSERT_TRUE(table->goTo(r).isOk());
            ASSERT_TRUE(cursor->next().isOk());
            EXPECT_EQ(position(), std::next(entryOf[r])) << "after record " << r;
        }
    }
}

// Damages that an index check must find, each on a good index of 30 records.
TEST(IndexCheckTest, FindsEveryKindOfMismatch) {
    struct Case {
        const char* what;
        std::function<void(Table&)> damage;
        std::string problem;  // the first one reported; "" for none
    } cases[] = {
        {"none", [](Table&) {}, ""},
        {"a record added after the build",
         [](Table& t) {
             ASSERT_TRUE(t.appendBlank().isOk());
             ASSERT_TRUE(t.putText("code", "ZZZZZZZ").isOk());
         },
         "record 31 is missing from the index"},
        {"a key changed",
         [](Table& t) {
             ASSERT_TRUE(t.goTo(7).isOk());
             ASSERT_TRUE(t.putText("code", "0000000").isOk());
         },
         "record 7 has key '0000000' in the table"},
    };
    for (const auto& c : cases) {
        testsupport::TempDir dir;
        std::vector<std::string> keys;
        for (int i = 0; i < 30; ++i) keys.push_back("K" + std::to_string(1000 + (i * 37) % 30));
        auto table = tableOf(dir, keys);
        ASSERT_TRUE(createIndex(*table, dir.file("t.ntx"), "code").isOk());
        c.damage(*table);
        ASSERT_TRUE(table->commit().isOk());
        table.reset();
        IndexCheck check;
        ASSERT_TRUE(verifyIndex(dir.file("t.dbf"), dir.file("t.ntx"), &check).isOk()) << c.what;
        EXPECT_EQ(check.entries, 30u) << c.what;
        if (c.problem.empty()) {
            EXPECT_TRUE(check.problems.empty()) << c.what << ": " << check.problems[0];
        } else {
            ASSERT_FALSE(check.problems.empty()) << c.what;
            EXPECT_EQ(check.problems[0].substr(0, c.problem.size()), c.problem) << c.what;
        }
    }
}

// An index left stale by changes to its table: a seek or a walk lands on a
// record of the key it stood for, or reports the index Corrupt, never another
// key's record. Keys A00 to A09 in records 1 to 10, then the damage.
TEST(CursorTest, AStaleIndexNeverLeadsToAnotherKeysRecord) {
    struct Case {
        const char* what;
        std::function<void(std::unique_ptr<Table>&)> damage;
        std::vector<std::string> corrupt;  // seeks that must report the index
    } cases[] = {
        {"two codes swapped",
         [](std::unique_ptr<Table>& t) {
             ASSERT_TRUE(t->goTo(3).isOk());
             ASSERT_TRUE(t->putText("code", "A07").isOk());
             ASSERT_TRUE(t->goTo(8).isOk());
             ASSERT_TRUE(t->putText("code", "A02").isOk());
         },
         {"A02", "A07"}},
        {"a code changed",
         [](std::unique_ptr<Table>& t) {
             ASSERT_TRUE(t->goTo(5).isOk());
             ASSERT_TRUE(t->putText("code", "B99").isOk());
         },
         {"A04"}},
        {"records removed (the table packed without A01 and A02)",
         [](std::unique_ptr<Table>& t) {
             std::vector<std::string> rest = {"A00", "A03", "A04", "A05", "A06", "A07", "A08", "A09"};
             const std::string path = t->path();
             t.reset();
             ASSERT_TRUE(Table::create(path, {{"NAME", 'C', 3, 0}, {"CODE", 'C', 7, 0}}).isOk());
             ASSERT_TRUE(Table::open(path, false, false, &t).isOk());
             for (const auto& k : rest) {
                 ASSERT_TRUE(t->appendBlank().isOk());
                 ASSERT_TRUE(t->putText("code", k).isOk());
             }
         },
         {"A01", "A02", "A03", "A04", "A05", "A06", "A07", "A08", "A09"}},
    };
    for (const auto& c : cases) {
        testsupport::TempDir dir;
        std::vector<std::string> keys;
        for (int i = 0; i < 10; ++i) keys.push_back("A0" + std::to_string(i));
        auto table = tableOf(dir, keys);
        ASSERT_TRUE(createIndex(*table, dir.file("t.ntx"), "t->code").isOk());
        c.damage(table);
        ASSERT_TRUE(table->commit().isOk());
        std::unique_ptr<Cursor> cursor;
        ASSERT_TRUE(Cursor::open(*table, dir.file("t.ntx"), &cursor).isOk());
        std::string code;
        for (const std::string& key : keys) {
            bool found = false;
            Status st = cursor->seek(key, &found);
            const bool corrupt = std::count(c.corrupt.begin(), c.corrupt.end(), key) > 0;
            EXPECT_EQ(st.code(), corrupt ? Status::Code::Corrupt : Status::Code::Ok)
                << c.what << ": " << key << ": " << st.message();
            if (corrupt) {
                EXPECT_EQ(st.file(), dir.file("t.ntx")) << c.what;
                EXPECT_FALSE(found) << c.what << ": " << key;
                EXPECT_TRUE(table->eof()) << c.what << ": " << key;
            }
            if (found) {
                ASSERT_TRUE(table->getText("code", &code).isOk());
                EXPECT_EQ(code.substr(0, 3), key) << c.what;
            }
        }
        // A walk in key order stops at the first stale entry.
        Status st = cursor->first();
        while (st.isOk() && !cursor->eof()) st = cursor->next();
        EXPECT_EQ(st.code(), Status::Code::Corrupt) << c.what;
    }
}

TEST(IndexCheckTest, ReportsTwentyProblemsAndUnreadableFiles) {
    testsupport::TempDir dir;
    std::vector<std::string> keys(50, "SAME");
    auto table = tableOf(dir, keys);
    ASSERT_TRUE(createIndex(*table, dir.file("t.ntx"), "code").isOk());
    // Every key differs from the index now.
    for (std::uint32_t r = 1; r <= 50; ++r) {
        ASSERT_TRUE(table->goTo(r).isOk());
        ASSERT_TRUE(table->putText("code", "OTHER").isOk());
    }
    ASSERT_TRUE(table->commit().isOk());
    table.reset();
    IndexCheck check;
    ASSERT_TRUE(verifyIndex(dir.file("t.dbf"), dir.file("t.ntx"), &check).isOk());
    ASSERT_EQ(check.problems.size(), 21u);
    EXPECT_EQ(check.problems.back(), "... (more)");
    EXPECT_EQ(verifyIndex(dir.file("t.dbf"), dir.file("none.ntx"), &check).file(), dir.file("none.ntx"));
    EXPECT_EQ(verifyIndex(dir.file("none.dbf"), dir.file("t.ntx"), &check).file(), dir.file("none.dbf"));
}

TEST(IndexBuildTest, ABuildNotInstalledLeavesNoTraceAndTheOldIndex) {
    testsupport::TempDir dir;
    auto table = tableOf(dir, {"B", "A"});
    ASSERT_TRUE(createIndex(*table, dir.file("t.ntx"), "code").isOk());
    const std::string before = dir.read("t.ntx");
    ASSERT_TRUE(table->appendBlank().isOk());
    auto files = [&] {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
            names.push_back(e.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    };
    {
        BuiltIndex built;
        ASSERT_TRUE(buildIndex(*table, dir.file("t.ntx"), "code", {}, &built).isOk());
        const std::vector<std::string> during = files();
        ASSERT_EQ(during.size(), 3u);
        EXPECT_TRUE(during[2].starts_with("t.ntx.") && during[2].ends_with(".tmp")) << during[2];
    }
    EXPECT_EQ(files(), (std::vector<std::string>{"t.dbf", "t.ntx"}));
    EXPECT_EQ(dir.read("t.ntx"), before);
}

}  // namespace
