// MakeDesc of a found standard stock item in an istock of 1,000,000 records
// against one of 10,000, measured in the same run. Every lookup opens the
// tables afresh, seeks and closes them, so its cost must not grow with the
// table (target: the large at most 1.5 times the small). The tables are
// generated on the fly in a temporary folder and indexed by our engine.
//   bench_makedesc [LARGE_RECORDS]   (default 1000000)
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "inventory/item_layout.h"
#include "inventory/make_desc.h"
#include "tables/table.h"
#include "tables/table_index.h"

namespace {

using Clock = std::chrono::steady_clock;

// A unique standard stock code for record number `n` (a letter first, so its
// numeric value is 0).
std::string codeFor(std::uint32_t n) {
    char code[16];
    std::snprintf(code, sizeof code, "%c%06u", 'A' + n % 26, n / 26 % 1000000);
    return code;
}

// Writes istock.dbf with `count` records in scattered code order: the table
// is created empty by our engine, then the records are appended as raw bytes
// (appending a million records one by one through the table engine would
// dominate the run) and the record count is set in the header.
bool makeStock(const std::string& dir, std::uint32_t count) {
    const std::string path = dir + "/istock.dbf";
    if (!tables::Table::create(path, inventory::itemFields()).isOk()) return false;
    std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
    unsigned char head[12];
    f.read(reinterpret_cast<char*>(head), sizeof head);
    const std::uint32_t headerLength = head[8] | head[9] << 8;
    const std::uint32_t recordLength = head[10] | head[11] << 8;
    f.seekp(headerLength);
    std::string chunk;
    char rec[256];
    for (std::uint32_t i = 0; i < count; ++i) {
        // 7919 is prime to every count used here: a permutation of 0..count-1.
        const std::uint32_t n = std::uint32_t(std::uint64_t(i) * 7919 % count);
        const int len = std::snprintf(
            rec, sizeof rec, " %-7s%-48s%10.2f%10.2f%6.2f%-20s%6.2f%6.1f%8.2f", codeFor(n).c_str(),
            ("9CT GOLD CHAIN NO. " + std::to_string(n)).c_str(), double(n % 100000) / 4, 0.0, 0.25,
            "G/VS1", 0.0, double(n % 600), double(n % 1000) / 10);
        if (std::uint32_t(len) != recordLength) return false;
        chunk.append(rec, std::size_t(len));
        if (chunk.size() >= (1u << 20) || i + 1 == count) {
            f.write(chunk.data(), std::streamsize(chunk.size()));
            chunk.clear();
        }
    }
    f.put('\x1A');
    const unsigned char countBytes[4] = {std::uint8_t(count), std::uint8_t(count >> 8),
                                         std::uint8_t(count >> 16), std::uint8_t(count >> 24)};
    f.seekp(4);
    f.write(reinterpret_cast<const char*>(countBytes), 4);
    f.close();
    if (!f) return false;
    std::unique_ptr<tables::Table> table;
    return tables::Table::open(path, false, false, &table).isOk() &&
           tables::createIndex(*table, dir + "/istkcode.ntx", "istock->code").isOk();
}

// Microseconds per lookup of `lookups` found codes, best of three rounds.
double microsPerLookup(const std::string& dir, std::uint32_t count, int lookups) {
    inventory::InventoryLookup lookup;
    std::mt19937 rng(7);
    std::vector<std::string> codes;
    for (int i = 0; i < lookups; ++i) codes.push_back(codeFor(rng() % count));
    // Every code must be found, or the figure would time the wrong path.
    for (int i = 0; i < lookups; i += lookups / 10) {
        if (lookup.MakeDesc(codes[i], dir).find("(Stock code: " + codes[i]) ==
            std::string::npos) {
            std::fprintf(stderr, "bench_makedesc: %s not found in %u records\n", codes[i].c_str(),
                         count);
            std::exit(1);
        }
    }
    double best = 1e30;
    for (int round = 0; round < 3; ++round) {
        const auto start = Clock::now();
        for (const auto& code : codes) {
            if (lookup.MakeDesc(code, dir).size() < 20) std::exit(1);
        }
        const double us =
            std::chrono::duration<double, std::micro>(Clock::now() - start).count() / lookups;
        best = std::min(best, us);
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    const std::uint32_t large =
        argc > 1 ? std::uint32_t(std::strtoul(argv[1], nullptr, 10)) : 1000000;
    const std::uint32_t small = 10000;
    const int kLookups = 2000;

    const auto root = std::filesystem::temp_directory_path() /
                      ("lumisett-bench-makedesc-" + std::to_string(std::random_device{}()));
    const std::string smallDir = (root / "small").string(), largeDir = (root / "large").string();
    std::filesystem::create_directories(smallDir);
    std::filesystem::create_directories(largeDir);

    int rc = 0;
    const auto buildStart = Clock::now();
    if (!makeStock(smallDir, small) || !makeStock(largeDir, large)) {
        std::fprintf(stderr, "bench_makedesc: cannot build the tables\n");
        rc = 1;
    } else {
        std::printf("tables built in %.1f s\n",
                    std::chrono::duration<double>(Clock::now() - buildStart).count());
        const double us10k = microsPerLookup(smallDir, small, kLookups);
        const double us1m = microsPerLookup(largeDir, large, kLookups);
        const double ratio = us1m / us10k;
        std::printf("MakeDesc, found item, %u records: %8.1f us per lookup\n", small, us10k);
        std::printf("MakeDesc, found item, %u records: %8.1f us per lookup\n", large, us1m);
        std::printf("ratio large/small: %.2f (target <= 1.5) %s\n", ratio,
                    ratio <= 1.5 ? "ok" : "MISSED");
    }
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
    return rc;
}
