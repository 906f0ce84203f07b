// lumisett-tool commands on DBF tables and NTX indexes, through the table
// engine's own interface: every failure is reported with the file it concerns.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "core/xbase_values.h"
#include "platform/path.h"
#include "tables/cursor.h"
#include "tables/table.h"
#include "tables/table_index.h"
#include "tools/commands.h"

namespace tools {
namespace {

using platform::Status;

bool usage(const Args& args, std::size_t n, const char* text) {
    if (args.size() == n) return true;
    std::fprintf(stderr, "usage: lumisett-tool %s\n", text);
    return false;
}

// Reports a failure as "lumisett-tool COMMAND: what: file"; exit code 1.
int failed(const char* command, const Status& st) {
    std::fprintf(stderr, "lumisett-tool %s: %s%s%s\n", command, st.message().c_str(),
                 st.file().empty() ? "" : ": ", st.file().c_str());
    return 1;
}

// The current record as dump prints it: the deletion flag, then each field's
// raw text, separated by tabs.
Status recordLine(const tables::Table& table, std::string* line) {
    *line = table.deleted() ? "*" : " ";
    std::string text;
    for (const auto& f : table.fields()) {
        Status st = table.getText(f.name, &text);
        if (!st.isOk()) return st;
        *line += "\t" + text;
    }
    return {};
}

std::string fileStem(const std::string& path) {
    std::size_t sep = platform::lastSeparator(path);
    std::string name = path.substr(sep == std::string::npos ? 0 : sep + 1);
    std::size_t dot = name.find('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

// Opens the table `path` (".dbf" added when it has no extension).
Status openTable(const std::string& path, bool shared, std::unique_ptr<tables::Table>* table) {
    return tables::Table::open(tables::withDefaultExtension(path, ".dbf"), shared, true, table);
}

}  // namespace

int cmdDump(const Args& args) {
    if (!usage(args, 1, "dump TABLE")) return 2;
    std::unique_ptr<tables::Table> table;
    std::uint32_t count = 0;
    Status st = openTable(args[0], true, &table);
    if (st.isOk()) st = table->recordCount(&count);
    if (!st.isOk()) return failed("dump", st);
    std::printf("# records %u\n# flag", count);
    for (const auto& f : table->fields()) {
        std::printf("\t%s %c%d", f.name.c_str(), f.type, f.length);
        if (f.decimals) std::printf(".%d", f.decimals);
    }
    std::printf("\n");
    std::string line;
    for (st = table->first(); st.isOk() && !table->eof(); st = table->next()) {
        st = recordLine(*table, &line);
        if (!st.isOk()) break;
        std::printf("%s\n", line.c_str());
    }
    return st.isOk() ? 0 : failed("dump", st);
}

int cmdSeek(const Args& args) {
    if (!usage(args, 3, "seek TABLE INDEX KEY")) return 2;
    std::unique_ptr<tables::Table> table;
    std::unique_ptr<tables::Cursor> cursor;
    bool found = false;
    std::string line;
    Status st = openTable(args[0], true, &table);
    if (st.isOk()) st = tables::Cursor::open(*table, tables::withDefaultExtension(args[1], ".ntx"), &cursor);
    if (st.isOk()) st = cursor->seek(args[2], &found);
    if (st.isOk() && found) st = recordLine(*table, &line);
    if (!st.isOk()) return failed("seek", st);
    if (found) std::printf("%u\t%s\n", table->recno(), line.c_str());
    return found ? 0 : 1;
}

int cmdIndex(const Args& args) {
    if (!usage(args, 3, "index TABLE FIELD OUT.ntx")) return 2;
    std::string alias = fileStem(args[0]);
    std::unique_ptr<tables::Table> table;
    Status st = openTable(args[0], false, &table);
    if (st.isOk()) {
        st = tables::createIndex(*table, tables::withDefaultExtension(args[2], ".ntx"),
                                 core::lower(alias) + "->" + core::lower(args[1]));
    }
    return st.isOk() ? 0 : failed("index", st);
}

int cmdCheckIndex(const Args& args) {
    if (!usage(args, 2, "check-index TABLE INDEX")) return 2;
    tables::IndexCheck check;
    Status st = tables::verifyIndex(args[0], args[1], &check);
    if (!st.isOk()) {
        std::fprintf(stderr, "check-index: %s%s%s\n", st.file().c_str(), st.file().empty() ? "" : ": ",
                     st.message().c_str());
        return 1;
    }
    if (!check.problems.empty()) {
        for (const auto& p : check.problems) std::printf("%s\n", p.c_str());
        std::printf("index does not match the table (%llu entries, %u records)\n",
                    static_cast<unsigned long long>(check.entries), check.records);
        return 1;
    }
    std::printf("ok: %llu entries for %u records, in key order\n",
                static_cast<unsigned long long>(check.entries), check.records);
    return 0;
}

}  // namespace tools
