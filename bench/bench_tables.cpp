// Table engine figures, each against a baseline measured in the same run:
// - building an index over 1,000,000 records against the floor of reading the
//   same keys from the table and sorting them in memory (target: <= 2x);
// - one seek in a 1,000,000-record index against one in a 10,000-record index
//   (target: <= 1.5x, the cost must not grow with the table);
// - peak memory of the 1,000,000-record build (target: < 150 MB).
// The tables are generated on the fly in a temporary folder. Each timing is
// the best of three runs; builds run in a child process so that its peak
// memory is the build's own.
//   bench_tables [RECORDS]   (default 1000000)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/file.h"
#include "tables/dbf.h"
#include "tables/dbf_header.h"
#include "tables/cursor.h"
#include "tables/ntx_build.h"
#include "tables/table.h"
#include "tables/table_index.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string codeFor(std::uint32_t n) {
    // Item-code-like keys: letters and digits, about 1.4 records per code.
    static const char* kPrefixes[] = {"AB--", "CH--", "12", "RG-", "ER0"};
    std::string code = kPrefixes[n % 5] + std::to_string(n % 9973 * 71 + n / 9973 % 71);
    code.resize(7, '0');
    return code;
}

// Writes a table of `count` records: CODE C7, DESC C48, PRICE N10.2.
void makeTable(const std::string& path, std::uint32_t count, unsigned seed) {
    std::vector<tables::DbfField> fields = {{"CODE", 'C', 7, 0}, {"DESC", 'C', 48, 0},
                                            {"PRICE", 'N', 10, 2}};
    if (!tables::checkNewFields(&fields).isOk()) std::exit(1);
    std::string image = tables::newDbfImage(fields, 2026, 12, 7);
    image.pop_back();  // the end mark goes after the records
    image[4] = char(count & 0xFF);
    image[5] = char((count >> 8) & 0xFF);
    image[6] = char((count >> 16) & 0xFF);
    image[7] = char(count >> 24);
    std::unique_ptr<platform::File> f;
    auto write = [&](std::uint64_t at, const std::string& bytes) {
        if (!f->writeAt(at, bytes.data(), bytes.size()).isOk()) std::exit(1);
    };
    if (!platform::openFile(path, {platform::Access::ReadWrite, platform::Share::Exclusive,
                                   platform::Disposition::Replace},
                            &f)
             .isOk()) {
        std::exit(1);
    }
    std::uint64_t offset = 0;
    write(offset, image);
    offset += image.size();
    std::mt19937 rng(seed);
    std::string chunk;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::string rec = " " + codeFor(rng() % (count * 5 / 7 + 1));
        rec += "description of an item                          ";
        rec.resize(1 + 7 + 48, ' ');
        char price[16];
        std::snprintf(price, sizeof price, "%10.2f", double(rng() % 1000000) / 100);
        rec += price;
        chunk += rec;
        if (chunk.size() > (1 << 20) || i + 1 == count) {
            write(offset, chunk);
            offset += chunk.size();
            chunk.clear();
        }
    }
    write(offset, "\x1A");
}

struct RunResult {
    double seconds = 0;
    long peakKb = 0;
};

// Runs `work` in a child process; its wall time and peak resident memory.
RunResult inChild(const std::function<void()>& work) {
    auto start = Clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        work();
        std::fflush(nullptr);
        _exit(0);
    }
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    RunResult r;
    r.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    r.peakKb = usage.ru_maxrss;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "benchmark child failed\n");
        std::exit(1);
    }
    return r;
}

RunResult bestOf3(const std::function<void()>& work) {
    RunResult best{1e9, 0};
    for (int i = 0; i < 3; ++i) {
        RunResult r = inChild(work);
        if (r.seconds < best.seconds) best.seconds = r.seconds;
        if (r.peakKb > best.peakKb) best.peakKb = r.peakKb;
    }
    return best;
}

// The floor: read every key from the table and sort them.
void readAndSort(const std::string& path) {
    std::unique_ptr<platform::File> f;
    std::unique_ptr<tables::Dbf> dbf;
    if (!platform::openFile(path, {platform::Access::ReadOnly, platform::Share::Exclusive}, &f).isOk() ||
        !tables::Dbf::open(std::move(f), false, true, &dbf).isOk()) {
        _exit(1);
    }
    const std::uint32_t count = dbf->recordCount();
    const auto& field = dbf->fields()[0];
    const std::size_t rl = dbf->header().recordLength, ks = field.length;
    std::vector<std::uint8_t> keys(std::size_t(count) * ks);
    std::string chunk;
    const std::uint32_t per = std::uint32_t((1 << 20) / rl);
    for (std::uint32_t first = 1; first <= count; first += per) {
        std::uint32_t n = std::min(per, count - first + 1);
        if (!dbf->readRange(first, n, &chunk).isOk()) _exit(1);
        for (std::uint32_t i = 0; i < n; ++i) {
            std::memcpy(keys.data() + std::size_t(first - 1 + i) * ks,
                        chunk.data() + std::size_t(i) * rl + field.offset, ks);
        }
    }
    auto order = tables::sortNtxKeys(keys.data(), std::uint16_t(ks), count);
    if (order.size() != count) _exit(1);
}

void buildIndex(const std::string& table, const std::string& index) {
    std::uint64_t calls = 0;
    std::unique_ptr<tables::Table> t;
    tables::BuiltIndex built;
    if (!tables::Table::open(table, false, true, &t).isOk()) _exit(1);
    if (!tables::buildIndex(*t, index, "bench->code", [&](std::uint32_t) { ++calls; }, &built).isOk() ||
        !built.install().isOk()) {
        _exit(1);
    }
    if (calls == 0) _exit(1);
}

// Microseconds per seek of existing codes, table and index opened shared and
// read-only as the item lookup opens them.
double seekMicros(const std::string& table, const std::string& index, std::uint32_t count) {
    std::unique_ptr<tables::Table> t;
    std::unique_ptr<tables::Cursor> order;
    if (!tables::Table::open(table, true, true, &t).isOk() ||
        !tables::Cursor::open(*t, index, &order).isOk()) {
        std::exit(1);
    }
    std::mt19937 rng(99);
    std::vector<std::string> keys;
    for (int i = 0; i < 2000; ++i) {
        std::string key;
        if (!t->goTo(1 + rng() % count).isOk() || !t->getText("code", &key).isOk()) std::exit(1);
        keys.push_back(key);
    }
    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
        std::size_t found = 0;
        const int kSeeks = 20000;
        auto start = Clock::now();
        for (int i = 0; i < kSeeks; ++i) {
            bool hit = false;
            if (!order->seek(keys[std::size_t(i) % keys.size()], &hit).isOk()) std::exit(1);
            found += hit;
        }
        double us = std::chrono::duration<double, std::micro>(Clock::now() - start).count() / kSeeks;
        if (found != kSeeks) {
            std::fprintf(stderr, "seek missed keys\n");
            std::exit(1);
        }
        best = std::min(best, us);
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    const std::uint32_t big = argc > 1 ? std::uint32_t(std::atol(argv[1])) : 1000000;
    const std::uint32_t small = 10000;
    auto dir = std::filesystem::temp_directory_path() / ("lumisett-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::string bigTable = (dir / "big.dbf").string(), bigIndex = (dir / "big.ntx").string();
    std::string smallTable = (dir / "small.dbf").string(), smallIndex = (dir / "small.ntx").string();
    makeTable(bigTable, big, 1);
    makeTable(smallTable, small, 2);

    RunResult floor = bestOf3([&] { readAndSort(bigTable); });
    RunResult build = bestOf3([&] { buildIndex(bigTable, bigIndex); });
    inChild([&] { buildIndex(smallTable, smallIndex); });
    double seekBig = seekMicros(bigTable, bigIndex, big);
    double seekSmall = seekMicros(smallTable, smallIndex, small);

    std::printf("index build, %u records: %.3f s; floor (read keys + sort in memory): %.3f s; "
                "ratio %.2f (target <= 2)\n",
                big, build.seconds, floor.seconds, build.seconds / floor.seconds);
    std::printf("seek: %u-record index %.2f us, %u-record index %.2f us; ratio %.2f "
                "(target <= 1.5)\n",
                big, seekBig, small, seekSmall, seekBig / seekSmall);
    std::printf("peak memory of the %u-record build: %.1f MB (target < 150 MB); "
                "of the floor: %.1f MB\n",
                big, double(build.peakKb) / 1024, double(floor.peakKb) / 1024);
    std::filesystem::remove_all(dir);
    return 0;
}
