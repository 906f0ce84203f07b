#include "display/lru_cache.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Steps on a cache of capacity 10: "put K C" stores K at cost C, "get K" uses it.
struct Case {
    const char* name;
    std::vector<std::string> steps;
    std::vector<std::string> kept;  // in key order
    std::size_t cost;
};

TEST(LruCacheTest, KeepsTheMostRecentlyUsedWithinTheBound) {
    const Case cases[] = {
        {"within the bound all stay", {"put a 3", "put b 3", "put c 4"}, {"a", "b", "c"}, 10},
        {"the oldest goes first", {"put a 3", "put b 3", "put c 4", "put d 1"}, {"b", "c", "d"}, 8},
        {"a use makes it young again",
         {"put a 3", "put b 3", "put c 4", "get a", "put d 1"}, {"a", "c", "d"}, 8},
        {"as many go as the new one needs", {"put a 3", "put b 3", "put c 4", "put d 9"}, {"d"}, 9},
        {"a value beyond the bound is not kept", {"put a 3", "put big 11"}, {"a"}, 3},
        {"replacing counts the new cost only", {"put a 3", "put a 5", "put b 5"}, {"a", "b"}, 10},
        {"a replacement beyond the bound drops the old value too", {"put a 3", "put a 11"}, {}, 0},
    };
    for (const Case& c : cases) {
        display::LruCache<std::string, int> cache(10);
        for (const std::string& step : c.steps) {
            const std::string key = step.substr(4, step.find(' ', 4) - 4);
            if (step.rfind("put", 0) == 0) {
                cache.put(key, 1, std::stoul(step.substr(step.rfind(' ') + 1)));
            } else {
                EXPECT_TRUE(cache.get(key)) << c.name << ": " << step;
            }
        }
        std::vector<std::string> kept;
        for (const char* k : {"a", "b", "big", "c", "d"})
            if (cache.contains(k)) kept.push_back(k);
        EXPECT_EQ(kept, c.kept) << c.name;
        EXPECT_EQ(cache.cost(), c.cost) << c.name;
        EXPECT_EQ(cache.size(), c.kept.size()) << c.name;
    }
}

}  // namespace
