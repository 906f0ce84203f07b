#include "tables/ntx.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <random>
#include <set>

#include "tables/le.h"
#include "tables/ntx_build.h"

namespace {

using namespace tables;
using platform::Status;

// An index image built from `keys` (record i + 1 has keys[i]).
std::shared_ptr<std::string> buildImage(const std::vector<std::string>& keys, std::uint16_t ks,
                                        const std::string& expr = "t->code") {
    std::string flat;
    for (const auto& k : keys) flat += k;
    const auto* p = reinterpret_cast<const std::uint8_t*>(flat.data());
    auto bytes = std::make_shared<std::string>();
    auto file = platform::memoryFile(bytes);
    auto order = sortNtxKeys(p, ks, std::uint32_t(keys.size()));
    EXPECT_TRUE(writeNtx(*file, newNtxHeader(ks, expr), p, order).isOk());
    return bytes;
}

std::unique_ptr<Ntx> openImage(std::shared_ptr<std::string> bytes, Status* st = nullptr) {
    std::unique_ptr<Ntx> ntx;
    Status s = Ntx::open(platform::memoryFile(std::move(bytes)), false, &ntx);
    if (st) *st = s;
    return ntx;
}

std::vector<std::string> randomCodes(std::size_t n, unsigned seed, int distinct) {
    std::mt19937 rng(seed);
    const char* alphabet = " -0123456789ABCZ";
    std::vector<std::string> pool;
    for (int i = 0; i < distinct; ++i) {
        std::string k(7, ' ');
        for (char& c : k) c = alphabet[rng() % 16];
        pool.push_back(k);
    }
    std::vector<std::string> keys;
    for (std::size_t i = 0; i < n; ++i) keys.push_back(pool[rng() % pool.size()]);
    return keys;
}

using Entry = std::pair<std::string, std::uint32_t>;

std::vector<Entry> expected(const std::vector<std::string>& keys) {
    std::vector<Entry> v;
    for (std::size_t i = 0; i < keys.size(); ++i) v.push_back({keys[i], std::uint32_t(i + 1)});
    std::sort(v.begin(), v.end());
    return v;
}

TEST(NtxTest, WalksAndSeeksMatchAReferenceAcrossSizes) {
    for (std::size_t n : {0u, 1u, 58u, 59u, 117u, 3481u, 3541u, 20000u}) {
        auto keys = randomCodes(n, unsigned(n) + 7, n < 100 ? 10 : int(n / 3));
        auto want = expected(keys);
        auto ntx = openImage(buildImage(keys, 7));
        ASSERT_TRUE(ntx) << n;
        std::vector<Entry> got;
        ASSERT_TRUE(ntx->first().isOk());
        while (!ntx->eof()) {
            got.push_back({ntx->key(), ntx->recno()});
            ASSERT_TRUE(ntx->next().isOk());
        }
        EXPECT_EQ(got, want) << n;
        // Backwards from the end.
        std::vector<Entry> back;
        ASSERT_TRUE(ntx->last().isOk());
        while (!ntx->eof() && !ntx->bof()) {
            back.push_back({ntx->key(), ntx->recno()});
            ASSERT_TRUE(ntx->prev().isOk());
        }
        std::reverse(back.begin(), back.end());
        EXPECT_EQ(back, want) << n;
        // Seeks: present keys find their first (lowest record) entry, prefixes
        // the first key that begins with them, absent keys nothing.
        std::mt19937 rng(3);
        for (int i = 0; i < 200 && n > 0; ++i) {
            const Entry& e = want[rng() % want.size()];
            for (std::size_t len : {7u, 3u, 9u}) {
                std::string target = len <= 7 ? e.first.substr(0, len) : e.first + "XY";
                bool found = false;
                ASSERT_TRUE(ntx->seek(target, &found).isOk());
                std::string cut = target.substr(0, 7);
                auto it = std::find_if(want.begin(), want.end(), [&](const Entry& w) {
                    return w.first.compare(0, cut.size(), cut) == 0;
                });
                ASSERT_TRUE(found);
                EXPECT_EQ(ntx->recno(), it->second) << target;
            }
        }
        bool found = true;
        ASSERT_TRUE(ntx->seek("zzzzzzz", &found).isOk());
        EXPECT_FALSE(found);
        EXPECT_TRUE(ntx->eof());
    }
}

TEST(NtxTest, PageLayoutKeepsTheRulesOtherEnginesRelyOn) {
    auto keys = randomCodes(20000, 11, 5000);
    auto bytes = buildImage(keys, 7, "istock->code");
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes->data());
    NtxHeader h;
    ASSERT_TRUE(decodeNtxHeader(p, &h).isOk());
    EXPECT_EQ(h.version, 1);
    EXPECT_EQ(h.freePage, 0u);
    EXPECT_EQ(h.itemSize, 15);
    EXPECT_EQ(h.maxItems, 58);
    EXPECT_EQ(h.halfPage, 29);
    EXPECT_EQ(h.keyExpression, "istock->code");
    EXPECT_EQ(std::string(bytes->data() + 22, 13), std::string("istock->code\0", 13));
    for (std::size_t i = 22 + 12; i < 1024; ++i) ASSERT_EQ(p[i], 0) << i;
    ASSERT_EQ(bytes->size() % 1024, 0u);
    std::size_t total = 0;
    for (std::size_t off = 1024; off < bytes->size(); off += 1024) {
        const std::uint8_t* page = p + off;
        ASSERT_TRUE(checkNtxPageLayout(page, h).isOk()) << off;
        int n = getLe16(page);
        total += std::size_t(n);
        if (off != h.root) {
            EXPECT_GE(n, 29) << off;
        }
        const std::uint8_t* extra = page + getLe16(page + 2 + 2 * n);
        for (int b = 4; b < 15; ++b) EXPECT_EQ(extra[b], 0) << "stale extra item at " << off;
    }
    EXPECT_EQ(total, keys.size());  // every key once, branch keys included
    EXPECT_EQ(ntxMaxItems(10), 50);
    EXPECT_EQ(ntxMaxItems(60), 12);
}

TEST(NtxTest, AllLeavesAtOneDepthAndBranchKeysAreEntries) {
    // 3 levels: branch keys must come out of the walk with their own records.
    std::vector<std::string> keys;
    for (int i = 0; i < 5000; ++i) keys.push_back(std::to_string(1000000 + i));
    auto ntx = openImage(buildImage(keys, 7));
    ASSERT_TRUE(ntx);
    std::uint32_t expect = 1;
    ASSERT_TRUE(ntx->first().isOk());
    while (!ntx->eof()) {
        ASSERT_EQ(ntx->recno(), expect++);
        ASSERT_TRUE(ntx->next().isOk());
    }
    EXPECT_EQ(expect, 5001u);
    bool found = false;
    ASSERT_TRUE(ntx->locate("1002500", 2501, &found).isOk());
    EXPECT_TRUE(found);
    ASSERT_TRUE(ntx->next().isOk());
    EXPECT_EQ(ntx->recno(), 2502u);
}

TEST(NtxTest, DamagedIndexesGiveCorruptNeverAHang) {
    std::vector<std::string> keys;
    for (int i = 0; i < 4000; ++i) keys.push_back(std::to_string(2000000 + i));
    auto good = buildImage(keys, 7);
    NtxHeader h;
    ASSERT_TRUE(decodeNtxHeader(reinterpret_cast<const std::uint8_t*>(good->data()), &h).isOk());
    const std::uint32_t root = h.root;
    auto rootItem = [&](std::string& s, int i) {
        return reinterpret_cast<std::uint8_t*>(s.data()) + root +
               getLe16(reinterpret_cast<const std::uint8_t*>(s.data()) + root + 2 + 2 * i);
    };
    struct Case {
        const char* what;
        std::function<void(std::string&)> damage;
    } cases[] = {
        {"signature", [](std::string& s) { s[0] = 3; }},
        {"root past the end", [](std::string& s) { putLe32(reinterpret_cast<std::uint8_t*>(s.data()) + 4, 1u << 30); }},
        {"root not a page", [](std::string& s) { putLe32(reinterpret_cast<std::uint8_t*>(s.data()) + 4, 1500); }},
        {"key size 0", [](std::string& s) { s[14] = 0; }},
        {"max items too big", [](std::string& s) { s[18] = char(200); }},
        {"truncated file", [](std::string& s) { s.resize(s.size() / 2); }},
        {"header only", [](std::string& s) { s.resize(500); }},
        {"child is the root (cycle)", [&](std::string& s) { putLe32(rootItem(s, 0), root); }},
        {"child is itself one level down",
         [&](std::string& s) {
             std::uint32_t child = getLe32(rootItem(s, 1));
             auto* page = reinterpret_cast<std::uint8_t*>(s.data()) + child;
             putLe32(page + getLe16(page + 2), child);
         }},
        {"child past the end", [&](std::string& s) { putLe32(rootItem(s, 1), 1u << 30); }},
        {"count above max", [&](std::string& s) { s[root] = char(100); }},
        {"offset outside the page", [&](std::string& s) { s[root + 2] = char(0xF0); s[root + 3] = 3; }},
        {"empty branch child",
         [&](std::string& s) {
             std::uint32_t child = getLe32(rootItem(s, 0));
             s[child] = 0;
             s[child + 1] = 0;
         }},
    };
    for (const auto& c : cases) {
        auto bytes = std::make_shared<std::string>(*good);
        c.damage(*bytes);
        Status st;
        auto ntx = openImage(bytes, &st);
        if (!ntx) {
            EXPECT_NE(st.code(), Status::Code::Ok) << c.what;
            continue;
        }
        // Walk everything and seek a few keys; each must end with a result.
        std::size_t steps = 0;
        Status walk = ntx->first();
        while (walk.isOk() && !ntx->eof() && steps < 100000) {
            walk = ntx->next();
            ++steps;
        }
        bool found = false;
        Status seek = ntx->seek("2001234", &found);
        EXPECT_LT(steps, 100000u) << c.what;
        EXPECT_TRUE(!walk.isOk() || !seek.isOk() || steps != keys.size()) << c.what;
    }
}

}  // namespace
