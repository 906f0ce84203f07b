#include "errors/table_errors.h"

#include <gtest/gtest.h>

#include <vector>

#include "errors/handler_test_support.h"

namespace {

using errors::TableAction;
using errors::TableStep;
using platform::Status;

TEST(TableActionTest, FailuresBecomeTheErrorsTheHandlerKnows) {
    const struct {
        Status status;
        TableStep step;
        int genCode, subCode;
        bool canRetry;
    } cases[] = {
        {Status::locked("held", 32).inFile("C:\\D\\istock.dbf"), TableStep::Open, 71, 1001, true},
        {Status::notFound("gone", 2).inFile("C:\\D\\istkcode.ntx"), TableStep::OpenIndex, 71, 1003, true},
        {Status::ioError("full", 28).inFile("C:\\A\\T.dbf"), TableStep::Create, 20, 1004, true},
        {Status::ioError("full").inFile("C:\\D\\istkcode.ntx"), TableStep::CreateIndex, 20, 1005, true},
        {Status::ioError("short read").inFile("C:\\D\\istock.dbf"), TableStep::Read, 22, 1010, true},
        {Status::ioError("disk").inFile("C:\\A\\T.dbf"), TableStep::Write, 23, 1011, true},
        {Status::notFound("no field desc").inFile("C:\\D\\istock.dbf"), TableStep::Field, 34, 1020, true},
        {Status::invalid("bad key").inFile("C:\\D\\istkcode.ntx"), TableStep::CreateIndex, 20, 1005, false},
        // A damaged file, whatever the step: a damaged index has its own sub-code.
        {Status::corrupt("stale entry").inFile("C:\\D\\ISTKCODE.NTX"), TableStep::Read, 32, 1013, true},
        {Status::corrupt("bad header").inFile("C:\\D\\istock.dbf"), TableStep::Open, 32, 1012, true},
        {Status(Status::Code::Unsupported, "version").inFile("C:\\D\\isubcode.ntx"), TableStep::OpenIndex,
         32, 1013, false},
    };
    for (const auto& c : cases) {
        errors::Error seen;
        errors::test::HandlerScope handler([&](errors::Error& e) {
            seen = e;
            return errors::Action::Default;
        });
        TableAction action("DbUseArea");
        EXPECT_FALSE(action.retry(c.status, c.step)) << c.status.message();
        EXPECT_EQ(seen.genCode, c.genCode) << c.status.message();
        EXPECT_EQ(seen.subCode, c.subCode) << c.status.message();
        EXPECT_EQ(seen.canRetry, c.canRetry) << c.status.message();
        EXPECT_TRUE(seen.canDefault);
        EXPECT_EQ(seen.subSystem, "DBFNTX");
        EXPECT_EQ(seen.operation, "DbUseArea");
        EXPECT_EQ(seen.fileName, c.status.file());
        EXPECT_EQ(seen.description, c.status.message());
        EXPECT_EQ(seen.osCode, c.status.osCode());
        EXPECT_EQ(errors::isDamagedIndex(c.status), c.subCode == errors::kSubDamagedIndex)
            << c.status.message();
    }
}

// Retry runs the operation again and each try is counted in the error, as
// the dialogue and the log show it; Default ends with the failure; Unwind
// leaves the operation.
TEST(TableActionTest, RetryRunsAgainAndCountsTheTries) {
    std::vector<int> tries;
    std::vector<errors::Action> answers{errors::Action::Retry, errors::Action::Retry,
                                        errors::Action::Default};
    errors::test::HandlerScope handler([&](errors::Error& e) {
        tries.push_back(e.tries);
        errors::Action a = answers.front();
        answers.erase(answers.begin());
        return a;
    });
    int runs = 0;
    Status st = TableAction("DbSeek").run(TableStep::Read, [&] {
        ++runs;
        return Status::ioError("read failed").inFile("C:\\D\\istock.dbf");
    });
    EXPECT_EQ(st.code(), Status::Code::IoError);
    EXPECT_EQ(runs, 3);
    EXPECT_EQ(tries, (std::vector<int>{1, 2, 3}));

    runs = 0;
    answers = {errors::Action::Retry};
    EXPECT_TRUE(TableAction("DbSeek").run(TableStep::Read, [&] {
        return ++runs == 1 ? Status::ioError("once") : Status();
    }).isOk());
    EXPECT_EQ(runs, 2);

    errors::test::HandlerScope unwinding(nullptr);  // no handler: every error unwinds
    EXPECT_THROW(static_cast<void>(TableAction("DbGoto").run(
                     TableStep::Read, [] { return Status::ioError("x"); })),
                 errors::Unwind);
}

}  // namespace
