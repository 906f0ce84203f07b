// lumisett-tool commands on DBF tables and NTX indexes.
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/xbase_values.h"
#include "platform/file.h"
#include "platform/path.h"
#include "tables/dbf.h"
#include "tables/dbf_record.h"
#include "tables/ntx.h"
#include "tables/work_area.h"
#include "tools/commands.h"

namespace tools {
namespace {

bool usage(const Args& args, std::size_t n, const char* text) {
    if (args.size() == n) return true;
    std::fprintf(stderr, "usage: lumisett-tool %s\n", text);
    return false;
}

// The current record as dump prints it: the deletion flag, then each field's
// raw text, separated by tabs.
std::string recordLine(const std::vector<tables::FieldSpec>& fields) {
    std::string line = tables::deleted() ? "*" : " ";
    for (const auto& f : fields) line += "\t" + tables::fieldGetString(f.name);
    return line;
}

std::string fileStem(const std::string& path) {
    std::size_t sep = platform::lastSeparator(path);
    std::string name = path.substr(sep == std::string::npos ? 0 : sep + 1);
    std::size_t dot = name.find('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

}  // namespace

int cmdDump(const Args& args) {
    if (!usage(args, 1, "dump TABLE")) return 2;
    tables::useArea(args[0], "dump", true, true);
    auto fields = tables::tableStructure();
    std::printf("# records %u\n# flag", tables::lastRec());
    for (const auto& f : fields) {
        std::printf("\t%s %c%d", f.name.c_str(), f.type, f.length);
        if (f.decimals) std::printf(".%d", f.decimals);
    }
    std::printf("\n");
    for (tables::goTop(); !tables::eof(); tables::skip()) {
        std::printf("%s\n", recordLine(fields).c_str());
    }
    tables::closeAll();
    return 0;
}

int cmdSeek(const Args& args) {
    if (!usage(args, 3, "seek TABLE INDEX KEY")) return 2;
    tables::useArea(args[0], "seek", true, true);
    tables::ordListAdd(args[1]);
    bool found = tables::seek(args[2]);
    if (found) std::printf("%u\t%s\n", tables::recNo(), recordLine(tables::tableStructure()).c_str());
    tables::closeAll();
    return found ? 0 : 1;
}

int cmdIndex(const Args& args) {
    if (!usage(args, 3, "index TABLE FIELD OUT.ntx")) return 2;
    std::string alias = fileStem(args[0]);
    tables::useArea(args[0], alias, false, true);
    bool ok = tables::createIndex(args[2], core::lower(alias) + "->" + core::lower(args[1]));
    tables::closeAll();
    return ok ? 0 : 1;
}

int cmdCheckIndex(const Args& args) {
    if (!usage(args, 2, "check-index TABLE INDEX")) return 2;
    using platform::Status;
    auto fail = [](const std::string& what, const Status& st) {
        std::fprintf(stderr, "check-index: %s: %s\n", what.c_str(), st.message().c_str());
        return 1;
    };
    std::unique_ptr<platform::File> tf, nf;
    platform::OpenMode mode{platform::Access::ReadOnly, platform::Share::Shared};
    Status st = platform::openFile(args[0], mode, &tf);
    if (!st.isOk()) return fail(args[0], st);
    std::unique_ptr<tables::Dbf> dbf;
    st = tables::Dbf::open(std::move(tf), true, true, &dbf);
    if (!st.isOk()) return fail(args[0], st);
    st = platform::openFile(args[1], mode, &nf);
    if (!st.isOk()) return fail(args[1], st);
    std::unique_ptr<tables::Ntx> ntx;
    st = tables::Ntx::open(std::move(nf), true, &ntx);
    if (!st.isOk()) return fail(args[1], st);

    const auto& h = ntx->header();
    std::string expr = h.keyExpression;
    std::size_t arrow = expr.find("->");
    int k = tables::findDbfField(dbf->fields(), arrow == std::string::npos ? expr : expr.substr(arrow + 2));
    if (k < 0) {
        std::fprintf(stderr, "check-index: key expression '%s' is not a field of the table\n", expr.c_str());
        return 1;
    }
    const auto& field = dbf->fields()[std::size_t(k)];
    const std::uint32_t count = dbf->recordCount();
    std::vector<std::uint8_t> seen(std::size_t(count) + 1, 0);
    std::vector<std::string> problems;
    auto problem = [&](std::string text) {
        if (problems.size() < 20) problems.push_back(std::move(text));
        else if (problems.size() == 20) problems.push_back("... (more)");
    };
    std::uint64_t entries = 0;
    std::string previous, record;
    bool havePrevious = false;
    for (st = ntx->first(); st.isOk() && !ntx->eof(); st = ntx->next()) {
        ++entries;
        std::uint32_t r = ntx->recno();
        const std::string& key = ntx->key();
        if (havePrevious && key < previous) {
            problem("entry " + std::to_string(entries) + " (record " + std::to_string(r) +
                    ", key '" + key + "') sorts before the entry ahead of it ('" + previous + "')");
        }
        previous = key;
        havePrevious = true;
        if (r < 1 || r > count) {
            problem("entry " + std::to_string(entries) + " points to record " + std::to_string(r) +
                    ", but the table has " + std::to_string(count));
            continue;
        }
        if (seen[r]++) problem("record " + std::to_string(r) + " is listed more than once");
        Status rs = dbf->read(r, &record);
        if (!rs.isOk()) return fail(args[0], rs);
        std::string want(tables::fieldBytes(record, field));
        want.resize(h.keySize, ' ');
        if (want != key) {
            problem("record " + std::to_string(r) + " has key '" + want + "' in the table but '" +
                    key + "' in the index");
        }
    }
    if (!st.isOk()) return fail(args[1], st);
    for (std::uint32_t r = 1; r <= count; ++r) {
        if (!seen[r]) problem("record " + std::to_string(r) + " is missing from the index");
    }
    if (!problems.empty()) {
        for (const auto& p : problems) std::printf("%s\n", p.c_str());
        std::printf("index does not match the table (%llu entries, %u records)\n",
                    static_cast<unsigned long long>(entries), count);
        return 1;
    }
    std::printf("ok: %llu entries for %u records, in key order\n",
                static_cast<unsigned long long>(entries), count);
    return 0;
}

}  // namespace tools
