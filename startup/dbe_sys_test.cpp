#include "startup/dbe_sys.h"

#include <gtest/gtest.h>

#include "startup/app_exit.h"
#include "platform/dialogs.h"
#include "tables/dbe.h"
#include "workareas/work_area.h"
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
    for (const auto& c : cases) {
        AlertLog log;
        tables::setDateFormat("dd.mm.yyyy");
        startup::DbeSys(failing(c.failingEngine));
        EXPECT_EQ(log.alerts, c.alerts) << c.failingEngine;
        EXPECT_EQ(tables::dbfntxAvailable(), !c.defaultEngine.empty()) << c.failingEngine;
        EXPECT_EQ(tables::dateFormat(), "mm/dd/yy");
    }
    tables::setCentury(true);
    startup::DbeSys();
    tables::setCentury(false);
    EXPECT_EQ(tables::dateFormat(), "mm/dd/yyyy");
}

TEST(AppExitTest, CommitsPendingChangesAndClosesEveryTable) {
    testsupport::TempDir dir;
    std::string path = dir.file("list.dbf");
    ASSERT_TRUE(workareas::createTable(path, {{"CODE", 'C', 10, 0}}));
    ASSERT_TRUE(workareas::useArea(path, "slides", false, false));
    ASSERT_TRUE(workareas::appendBlank());
    workareas::fieldPut("code", "AB--123");
    ASSERT_TRUE(workareas::createTable(dir.file("other.dbf"), {{"N", 'N', 5, 0}}));
    ASSERT_TRUE(workareas::useArea(dir.file("other.dbf"), "", false, true));
    startup::AppExit();
    EXPECT_FALSE(workareas::isAliasOpen("slides"));
    EXPECT_FALSE(workareas::isAliasOpen("other"));
    std::string bytes = dir.read("list.dbf");
    EXPECT_NE(bytes.find(" AB--123   \x1A"), std::string::npos);
}

}  // namespace
