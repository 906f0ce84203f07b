// The point-of-sale simulator as a reader of the data folder sees it: each
// action's locks, exclusive opens, torn records and missing files while it
// is in effect, and after a run of the real program consistent indexes,
// tables Perl's XBase reads, and a journal holding every version written.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <functional>
#include <map>
#include <sstream>
#include <vector>

#include "devtools/demo_tables.h"
#include "devtools/pos_sim.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "tables/dbf.h"
#include "tables/ntx.h"
#include "tables/table.h"
#include "tables/table_index.h"
#include "testsupport/temp_dir.h"

namespace {

using devtools::PosAction;
using devtools::PosEvent;
using platform::Status;

struct Item {
    std::string code, desc, price;
};

std::string trimmed(std::string text) {
    while (!text.empty() && text.back() == ' ') text.pop_back();
    while (!text.empty() && text.front() == ' ') text.erase(0, 1);
    return text;
}

// Record `recno` of `path` as a reader that takes no lock reads it.
Item rawItem(const std::string& path, std::uint32_t recno) {
    std::unique_ptr<platform::File> f;
    std::unique_ptr<tables::Dbf> dbf;
    Status st = platform::openFile(path, {platform::Access::ReadOnly, platform::Share::Shared}, &f);
    if (st.isOk()) st = tables::Dbf::open(std::move(f), false, true, &dbf);
    std::string record;
    if (st.isOk()) st = dbf->read(recno, &record);
    EXPECT_TRUE(st.isOk()) << st.message();
    if (!st.isOk()) return {};
    auto field = [&](const char* name) {
        const int k = tables::findDbfField(dbf->fields(), name);
        return k < 0 ? std::string() : trimmed(std::string(tables::fieldBytes(record, dbf->fields()[std::size_t(k)])));
    };
    return {field("CODE"), field("DESC"), field(tables::findDbfField(dbf->fields(), "PRICE") >= 0 ? "PRICE" : "MASS")};
}

// Every record of `path` as our engine reads it, by record number from 1
// (PRICE, or MASS for isub, as stored).
std::vector<Item> readItems(const std::string& path) {
    std::unique_ptr<tables::Table> t;
    std::vector<Item> items(1);
    EXPECT_TRUE(tables::Table::open(path, true, true, &t).isOk()) << path;
    if (!t) return items;
    const char* value = t->fieldIndex("PRICE") >= 0 ? "PRICE" : "MASS";
    Status st;
    for (st = t->first(); st.isOk() && !t->eof(); st = t->next()) {
        Item item;
        EXPECT_TRUE(t->getText("CODE", &item.code).isOk());
        EXPECT_TRUE(t->getText("DESC", &item.desc).isOk());
        EXPECT_TRUE(t->getText(value, &item.price).isOk());
        items.push_back({trimmed(item.code), trimmed(item.desc), trimmed(item.price)});
    }
    EXPECT_TRUE(st.isOk()) << st.message();
    return items;
}

// Whether another open of `path` gets the exclusive lock at `offset`.
Status tryLock(const std::string& path, std::uint64_t offset) {
    std::unique_ptr<platform::File> f;
    Status st = platform::openFile(path, {platform::Access::ReadWrite, platform::Share::Shared}, &f);
    if (st.isOk()) st = f->lock(offset, 1, true, 0);
    return st;
}

std::uint16_t indexVersion(const std::string& path) {
    std::unique_ptr<platform::File> f;
    std::unique_ptr<tables::Ntx> ntx;
    Status st = platform::openFile(path, {platform::Access::ReadOnly, platform::Share::Shared}, &f);
    if (st.isOk()) st = tables::Ntx::open(std::move(f), true, &ntx);
    EXPECT_TRUE(st.isOk()) << st.message();
    return ntx ? ntx->header().version : 0;
}

void expectIndexMatches(const std::string& data, const devtools::InventoryFile& f) {
    tables::IndexCheck check;
    Status st = tables::verifyIndex(data + "/" + f.table, data + "/" + f.index, &check);
    ASSERT_TRUE(st.isOk()) << f.index << ": " << st.message();
    EXPECT_TRUE(check.problems.empty()) << f.index << ": " << check.problems.front();
    EXPECT_EQ(check.entries, check.records) << f.index;
}

class PosSimTest : public ::testing::Test {
public:
    void SetUp() override {
        ASSERT_TRUE(devtools::writeDemoTables(dir.str(), 200).isOk());
        config.dataFolder = dir.str();
        config.tables = {"istock"};
        config.piecePause = config.holdSeconds = config.exclusiveSeconds = config.goneSeconds = 0.05;
        before = readItems(table);
    }
    std::unique_ptr<devtools::PosSim> openSim() {
        std::unique_ptr<devtools::PosSim> sim;
        Status st = devtools::PosSim::open(config, dir.file("journal.csv"), nullptr, &sim);
        EXPECT_TRUE(st.isOk()) << st.message();
        return sim;
    }

    testsupport::TempDir dir;
    devtools::PosSimConfig config;
    const std::string table = dir.file("istock.dbf"), index = dir.file("istkcode.ntx");
    std::vector<Item> before;
};

// What a reader sees while each action is in effect ("held") and after it.
TEST_F(PosSimTest, EachActionIsInEffectAsAReaderSeesIt) {
    const Status::Code locked = Status::Code::Locked;
    struct Case {
        PosAction action;
        devtools::IndexUpdate indexUpdate;
        std::function<void(PosSimTest&, const PosEvent&)> whileHeld;
        std::function<void(PosSimTest&)> after;
    };
    // The record `e` names: the version before (" V1" and price 1 when new),
    // as a reader without locks reads it now. Our engine, which honours the
    // record lock, is kept waiting instead of reading half a version.
    auto rewritten = [](bool whole) {
        return [whole](PosSimTest& t, const PosEvent& e) {
            Item now = rawItem(t.table, e.recno);
            const Item& old = t.before[e.recno];
            EXPECT_EQ(now.desc, old.desc + " V1");
            EXPECT_EQ(now.price, whole ? "1.00" : old.price) << "the price goes in the second piece";
            EXPECT_EQ(tryLock(t.table, tables::Dbf::kLockBase + e.recno).code(),
                      Status::Code::Locked);
            std::unique_ptr<tables::Table> reader;
            ASSERT_TRUE(tables::Table::open(t.table, true, true, &reader).isOk());
            reader->setLockWait(10);
            EXPECT_EQ(reader->goTo(e.recno).code(), Status::Code::Locked);
        };
    };
    auto indexLocked = [locked](PosSimTest& t, const PosEvent&) {
        EXPECT_EQ(tryLock(t.index, tables::Ntx::kIndexLock).code(), locked);
    };
    auto indexRight = [](PosSimTest& t) {
        expectIndexMatches(t.dir.str(), devtools::kInventoryFiles[0]);
        EXPECT_TRUE(tryLock(t.index, tables::Ntx::kIndexLock).isOk());
    };
    auto appended = [indexRight](PosSimTest& t) {
        indexRight(t);
        std::vector<Item> now = readItems(t.table);
        ASSERT_EQ(now.size(), t.before.size() + 1);
        EXPECT_TRUE(now.back().desc.ends_with(" V1")) << now.back().desc;
        EXPECT_EQ(now.back().price, "1.00");
        EXPECT_GT(indexVersion(t.index), 1) << "readers learn that the index changed";
    };
    const Case cases[] = {
        {PosAction::Rewrite, {}, rewritten(true), {}},
        {PosAction::RewritePieces, {}, rewritten(false),
         [](PosSimTest& t) { EXPECT_EQ(readItems(t.table).size(), t.before.size()); }},
        {PosAction::Append, devtools::IndexUpdate::InPlace,
         [locked](PosSimTest& t, const PosEvent&) {
             EXPECT_EQ(tryLock(t.index, tables::Ntx::kIndexLock).code(), locked);
             EXPECT_EQ(readItems(t.table).size(), t.before.size() + 1);
         },
         appended},
        {PosAction::Append, devtools::IndexUpdate::Rename, indexLocked, appended},
        {PosAction::HoldIndex, {}, indexLocked, indexRight},
        {PosAction::Reindex, {}, indexLocked, indexRight},
        {PosAction::Exclusive, {},
         [locked](PosSimTest& t, const PosEvent&) {
             std::unique_ptr<tables::Table> reader;
             EXPECT_EQ(tables::Table::open(t.table, true, true, &reader).code(), locked);
             std::unique_ptr<platform::File> f;
             EXPECT_EQ(platform::openFile(t.index, {}, &f).code(), locked);
         },
         [](PosSimTest& t) {
             std::unique_ptr<tables::Table> reader;
             EXPECT_TRUE(tables::Table::open(t.table, true, true, &reader).isOk());
         }},
        {PosAction::Replace, {},
         [](PosSimTest& t, const PosEvent& e) {
             EXPECT_TRUE(e.file.ends_with(".new")) << e.file;
             EXPECT_TRUE(platform::isFile(e.file));
         },
         [](PosSimTest& t) {
             EXPECT_FALSE(platform::fileExists(t.table + ".new"));
             EXPECT_FALSE(platform::fileExists(t.index + ".new"));
             expectIndexMatches(t.dir.str(), devtools::kInventoryFiles[0]);
         }},
        {PosAction::Delete, {},
         [](PosSimTest& t, const PosEvent& e) {
             EXPECT_FALSE(platform::fileExists(e.file)) << e.file;
             std::unique_ptr<tables::Table> reader;
             if (e.file == t.table) {
                 EXPECT_EQ(tables::Table::open(t.table, true, true, &reader).code(),
                           Status::Code::NotFound);
             }
         },
         [](PosSimTest& t) {
             EXPECT_EQ(readItems(t.table).size(), t.before.size());
             expectIndexMatches(t.dir.str(), devtools::kInventoryFiles[0]);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(devtools::actionName(c.action));
        SetUp();
        config.indexUpdate = c.indexUpdate;
        std::unique_ptr<devtools::PosSim> sim = openSim();
        ASSERT_TRUE(sim);
        int held = 0;
        sim->setObserver([&](const PosEvent& e) {
            EXPECT_EQ(e.action, c.action);
            if (e.phase != "held") return;
            ++held;
            c.whileHeld(*this, e);
        });
        Status st = sim->run(c.action);
        ASSERT_TRUE(st.isOk()) << st.message();
        EXPECT_EQ(held, 1);
        if (c.after) c.after(*this);
    }
}

// --- the programs ---

struct ProgramRun {
    int exitCode = -1;
    std::string output;
};

ProgramRun runProgram(const std::string& command) {
    ProgramRun run;
    FILE* p = popen((command + " 2>&1").c_str(), "r");
    if (!p) return run;
    char buf[4096];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) run.output.append(buf, n);
    int status = pclose(p);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::vector<std::string> split(const std::string& text, char sep) {
    std::vector<std::string> out;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, sep)) out.push_back(part);
    return out;
}

// The fields of a journal line (quoted fields hold no commas or quotes here).
std::vector<std::string> csvFields(const std::string& line) {
    std::vector<std::string> out = split(line, ',');
    for (std::string& f : out) {
        if (f.size() >= 2 && f.front() == '"') f = f.substr(1, f.size() - 2);
    }
    return out;
}

TEST(PosSimProgramTest, ArgumentsAndHelp) {
    testsupport::TempDir dir;
    ASSERT_TRUE(devtools::writeDemoTables(dir.str()).isOk());
    const std::string sim = LUMISETT_POS_SIM_PATH, demo = LUMISETT_DEMO_DATA_PATH;
    const std::string in = " '" + dir.str() + "'", journal = " --journal '" + dir.file("j.csv") + "'";
    struct Case {
        std::string command;
        int exitCode;
        const char* says;
    } cases[] = {
        {sim + " --help", 0, "usage: lumisett-pos-sim"},
        {sim, 2, "no data folder"},
        {sim + in + journal, 2, "no action chosen"},
        {sim + in + " --rewrite -1", 2, "--rewrite takes a rate"},
        {sim + in + " --append 1x", 2, "--append takes a rate"},
        {sim + in + " --rewrite 1 --seconds", 2, "--seconds needs a value"},
        {sim + in + " --rewrite 1 --index-update sideways", 2, "inplace or rename"},
        {sim + in + " --rewrite 1 --tables istock,stock" + journal, 2, "no inventory table stock"},
        {sim + " '" + dir.file("nowhere") + "' --rewrite 1" + journal, 1, "no file istock.dbf"},
        {sim + in + " --rewrite 100 --actions 3" + journal, 0, "rewrite"},
        {demo + " --help", 0, "usage: lumisett-demo-data"},
        {demo, 2, "usage"},
        {demo + " --items 10 '" + dir.file("small") + "'", 2, "11 to 1000000 items"},
        {demo + " --items many '" + dir.file("small") + "'", 2, "usage"},
        // A folder that cannot be made is reported, not thrown.
        {demo + " '" + dir.file("istock.dbf") + "/shop'", 1, "demo shop: cannot write"},
    };
    for (const Case& c : cases) {
        ProgramRun run = runProgram("cd '" + dir.str() + "' && " + c.command);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.command << "\n" << run.output;
        EXPECT_NE(run.output.find(c.says), std::string::npos) << c.command << "\n" << run.output;
    }
    EXPECT_FALSE(platform::fileExists(dir.file("--help"))) << "--help is no folder to write";
    EXPECT_FALSE(platform::fileExists(dir.file("small")));
}

// A run of every action, then what a checker relies on.
TEST(PosSimProgramTest, AfterARunTheFilesAreSoundAndTheJournalHoldsEveryVersion) {
    testsupport::TempDir dir, again;
    const std::string data = dir.file("shop"), sim = LUMISETT_POS_SIM_PATH;
    ProgramRun made = runProgram(std::string(LUMISETT_DEMO_DATA_PATH) + " --items 300 '" + dir.str() + "/shop'");
    ASSERT_EQ(made.exitCode, 0) << made.output;
    ASSERT_TRUE(platform::isFile(data + "/app/DEMO.ini"));
    ASSERT_TRUE(devtools::writeDemoTables(again.str(), 300).isOk());
    const std::string options =
        " --rewrite 10 --rewrite-pieces 10 --append 10 --hold-index 2 --exclusive 2 --reindex 2"
        " --replace 5 --delete 2 --piece-pause 0.01 --hold-seconds 0.02 --exclusive-seconds 0.02"
        " --gone-seconds 0.02 --actions 120 --seed 5 --verbose --index-update rename";
    ProgramRun run = runProgram(sim + " '" + data + "/data'" + options + " --journal '" + dir.file("j.csv") + "'");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    ProgramRun same = runProgram(sim + " '" + again.str() + "'" + options + " --journal '" + again.file("j.csv") + "'");
    ASSERT_EQ(same.exitCode, 0) << same.output;

    // Every action happened, and the same seed made the same actions on the same records.
    std::map<std::string, int> held;
    std::vector<std::string> moments[2];
    for (int i = 0; i < 2; ++i) {
        for (const std::string& line : split(i == 0 ? run.output : same.output, '\n')) {
            std::vector<std::string> f = split(line, ' ');
            if (f.size() != 6) continue;
            if (i == 0 && f[2] == "held") ++held[f[1]];
            moments[i].push_back(f[1] + " " + f[2] + " " + f[3] + " " + f[5]);
        }
    }
    EXPECT_EQ(held.size(), std::size_t(devtools::kPosActionCount)) << run.output;
    EXPECT_EQ(moments[0], moments[1]);

    const std::string folder = data + "/data";
    std::map<std::string, std::vector<Item>> tablesNow;
    for (const devtools::InventoryFile& f : devtools::kInventoryFiles) {
        expectIndexMatches(folder, f);
        EXPECT_FALSE(platform::fileExists(folder + "/" + f.table + ".pos-sim-gone"));
        EXPECT_FALSE(platform::fileExists(folder + "/" + f.index + ".new"));
        std::vector<Item> ours = readItems(folder + "/" + f.table);
        // Perl's XBase reads the same codes and descriptions.
        ProgramRun perl = runProgram(
            "perl -MXBase -e '$t = XBase->new($ARGV[0]) or die XBase->errstr;"
            " for (0 .. $t->last_record) { ($del, $code, $desc) = $t->get_record($_, \"CODE\", \"DESC\");"
            " defined $del or die $t->errstr; print \"$code|$desc\\n\" }' '" + folder + "/" + f.table + "'");
        ASSERT_EQ(perl.exitCode, 0) << perl.output;
        std::vector<std::string> theirs = split(perl.output, '\n');
        ASSERT_EQ(theirs.size() + 1, ours.size()) << f.table;
        for (std::size_t r = 1; r < ours.size(); ++r) {
            EXPECT_EQ(theirs[r - 1], ours[r].code + "|" + ours[r].desc) << f.table << " record " << r;
        }
        tablesNow[std::string(f.table).substr(0, std::string(f.table).find('.'))] = ours;
    }

    // Per record, versions follow each other from the one found (0) or
    // appended (1) on, and the last is what the table holds; every record
    // carrying a version is in the journal.
    std::vector<std::string> lines = split(dir.read("j.csv"), '\n');
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "time,table,code,recno,version,description,price,action");
    std::map<std::pair<std::string, std::uint32_t>, std::vector<std::string>> last;
    std::map<std::string, int> written;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        std::vector<std::string> f = csvFields(lines[i]);
        ASSERT_EQ(f.size(), 8u) << lines[i];
        auto key = std::make_pair(f[1], std::uint32_t(std::stoul(f[3])));
        auto it = last.find(key);
        if (it == last.end()) {
            EXPECT_TRUE((f[7] == "found" && f[4] == "0") || (f[7] == "append" && f[4] == "1")) << lines[i];
        } else {
            EXPECT_EQ(std::stoul(f[4]), std::stoul(it->second[4]) + 1) << lines[i];
            EXPECT_EQ(f[2], it->second[2]) << "a record keeps its code: " << lines[i];
        }
        if (f[7] != "found") {
            EXPECT_TRUE(f[5].ends_with(" V" + f[4])) << lines[i];
            EXPECT_EQ(std::stod(f[6]), std::stod(f[4])) << lines[i];
            ++written[f[7]];
        }
        last[key] = f;
    }
    for (const char* action : {"rewrite", "rewrite-pieces", "append", "replace"}) {
        EXPECT_GT(written[action], 0) << action;
    }
    for (const auto& [name, items] : tablesNow) {
        for (std::uint32_t r = 1; r < items.size(); ++r) {
            auto it = last.find({name, r});
            if (it == last.end()) {
                EXPECT_EQ(items[r].desc.find(" V"), std::string::npos) << name << " " << r;
                continue;
            }
            EXPECT_EQ(items[r].code, it->second[2]) << name << " " << r;
            EXPECT_EQ(items[r].desc, it->second[5]) << name << " " << r;
            EXPECT_EQ(items[r].price, it->second[6]) << name << " " << r;
        }
    }
}

}  // namespace
