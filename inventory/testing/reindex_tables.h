#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#define popen _popen
#define pclose _pclose
#else
#include <sys/wait.h>
#endif

#include "tables/table_index.h"

// What the re-index tests share: inventory tables written byte by byte, the
// engine's index check and (not on Windows) the Perl XBase reader as an
// outside checker, and a second process that holds a table open.
namespace inventory::test {

// Writes a table with the fields CODE C7 (or `keyField`) and NAME C10 and `n`
// records whose codes begin with `prefix` and come in no particular order.
inline void writeTable(const std::string& path, std::uint32_t n, char prefix,
                       const char* keyField = "CODE") {
    const int fields = 2, recordLength = 1 + 7 + 10, headerLength = 32 + 32 * fields + 1;
    std::string h(32, '\0');
    h[0] = 0x03;
    h[1] = 126;
    h[2] = 12;
    h[3] = 7;
    for (int i = 0; i < 4; ++i) h[4 + i] = char((n >> (8 * i)) & 0xFF);
    h[8] = char(headerLength & 0xFF);
    h[9] = char(headerLength >> 8);
    h[10] = char(recordLength);
    auto field = [](const char* name, int length) {
        std::string d(32, '\0');
        std::snprintf(d.data(), 11, "%s", name);
        d[11] = 'C';
        d[16] = char(length);
        return d;
    };
    std::string out = h + field(keyField, 7) + field("NAME", 10) + "\x0D";
    out.reserve(out.size() + std::size_t(n) * recordLength + 1);
    char rec[32];
    for (std::uint32_t i = 0; i < n; ++i) {
        std::snprintf(rec, sizeof rec, " %c%06u%-10u", prefix, unsigned((i * 7919u) % 999983u),
                      unsigned(i + 1));
        out.append(rec, recordLength);
    }
    out += '\x1A';
    std::ofstream(path, std::ios::binary) << out;
}

// `command` as the shell takes it: cmd.exe drops the first and the last quote
// of a line that begins with one, so the whole line gets a pair of its own.
inline std::string shellLine(const std::string& command) {
#ifdef _WIN32
    return "\"" + command + "\"";
#else
    return command;
#endif
}

// Runs `command`; returns its output (stdout and stderr) and exit code.
inline std::pair<std::string, int> run(const std::string& command) {
    std::string out;
    FILE* p = popen(shellLine(command + " 2>&1").c_str(), "r");
    if (!p) return {"", -1};
    char buf[4096];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    int status = pclose(p);
#ifdef _WIN32
    return {out, status};
}

inline std::string quoted(const std::string& s) { return "\"" + s + "\""; }
#else
    return {out, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

inline std::string quoted(const std::string& s) { return "'" + s + "'"; }
#endif

// The engine's check of `index` against `table`: "" when the index is right,
// else what is wrong.
inline std::string checkIndex(const std::string& table, const std::string& index) {
    tables::IndexCheck check;
    platform::Status st = tables::verifyIndex(table, index, &check);
    if (!st.isOk()) return st.file() + ": " + st.message();
    std::string problems;
    for (const auto& p : check.problems) problems += p + "\n";
    return problems;
}

#ifndef _WIN32
// The keys of `index` in index order, as Perl's XBase reads them.
inline std::vector<std::string> perlKeys(const std::string& index) {
    const char* src = std::getenv("LUMISETT_TEST_SRC");
    auto [out, rc] = run("perl " + quoted(std::string(src ? src : ".") + "/tables/interop/xbase_check.pl") +
                         " walk " + quoted(index));
    EXPECT_EQ(rc, 0) << out;
    std::vector<std::string> keys;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) keys.push_back(line.substr(0, line.find('\t')));
    return keys;
}
#endif

// Another process holding `path` open, shared, for the object's lifetime.
class HeldTable {
public:
    explicit HeldTable(const std::string& path) : m_marker(path + ".held") {
        m_pipe = popen(shellLine(quoted(HOLD_TABLE) + " " + quoted(path)).c_str(), "w");
        for (int i = 0; i < 1000 && !std::filesystem::exists(m_marker); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        EXPECT_TRUE(std::filesystem::exists(m_marker)) << "the holder did not open " << path;
    }
    ~HeldTable() {
        if (m_pipe) pclose(m_pipe);
        std::filesystem::remove(m_marker);
    }
    HeldTable(const HeldTable&) = delete;
    HeldTable& operator=(const HeldTable&) = delete;

private:
    std::string m_marker;
    FILE* m_pipe = nullptr;
};

}  // namespace inventory::test
