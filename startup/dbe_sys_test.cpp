#include "startup/dbe_sys.h"

#include <gtest/gtest.h>

#include "platform/dialogs.h"
#include "tables/dbe.h"
#include "tables/table.h"
#include "testsupport/temp_dir.h"

namespace {

struct AlertLog : platform::Dialogs {
    std::vector<std::string> alerts;
    platform::Dialogs* previous = platform::setDialogs(this);
    ~AlertLog() override { platform::setDialogs(previous); }
    void messageBox(const std::string&, const std::string&) override {}
    platform::Answer confirmBox(const std::string&, const std::string&, platform::Buttons,
                                platform::BoxStyle) override {
        return platform::Answer::Ok;
    }
    int alertBox(const std::string& text, const std::vector<std::string>& buttons) override {
        EXPECT_EQ(buttons, std::vector<std::string>{"OK"});
        alerts.push_back(text);
        return 1;
    }
};

startup::EngineOps failing(const std::string& engine) {
    auto ops = startup::realEngineOps();
    auto load = ops.load;
    ops.load = [=](const std::string& name, bool hidden) { return name != engine && load(name, hidden); };
    return ops;
}

TEST(DbeSysTest, LoadsEnginesAndReportsEachFailure) {
    struct Case {
        std::string failingEngine;
        std::vector<std::string> alerts;
        std::string defaultEngine;
    } cases[] = {
        {"", {}, "DBFNTX"},
        {"NTXDBE",
         {"NTXDBE database engine not loaded", "DBFNTX database engine could not be created"},
         ""},
        {"DELDBE", {"DELDBE database engine not loaded"}, "DBFNTX"},
        {"SDFDBE", {"SDFDBE database engine not loaded"}, "DBFNTX"},
    };
    testsupport::TempDir dir;
    ASSERT_TRUE(tables::Table::create(dir.file("istock.dbf"), {{"CODE", 'C', 7, 0}}).isOk());
    for (const auto& c : cases) {
        AlertLog log;
        tables::setDateFormat("dd.mm.yyyy");
        startup::DbeSys(failing(c.failingEngine));
        EXPECT_EQ(log.alerts, c.alerts) << c.failingEngine;
        EXPECT_EQ(tables::dbfntxAvailable(), !c.defaultEngine.empty()) << c.failingEngine;
        EXPECT_EQ(tables::dateFormat(), "mm/dd/yy");
        // Without the compound engine every table open fails, and says why.
        std::unique_ptr<tables::Table> table;
        const platform::Status st = tables::Table::open(dir.file("istock.dbf"), true, true, &table);
        EXPECT_EQ(st.isOk(), !c.defaultEngine.empty()) << c.failingEngine;
        if (!st.isOk()) EXPECT_EQ(st.message(), "DBFNTX database engine not loaded");
    }
    tables::setCentury(true);
    startup::DbeSys();
    tables::setCentury(false);
    EXPECT_EQ(tables::dateFormat(), "mm/dd/yyyy");
}

}  // namespace
