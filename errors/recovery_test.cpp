#include "errors/recovery.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "errors/handler_test_support.h"

namespace {

using namespace errors;
using errors::test::HandlerScope;

void failingStep(int genCode) {
    Error e;
    e.genCode = genCode;
    e.canRetry = true;
    e.canDefault = true;
    raise(e);
}

// A stand-in for the exit procedure's work: tables whose commit or close
// fails on request, committed and closed one by one.
struct FakeTable {
    std::string name;
    bool commitFails = false;
    bool closeFails = false;
    std::vector<std::string>* journal;
    void commit() {
        if (commitFails) failingStep(kGenWrite);
        journal->push_back("commit " + name);
    }
    void discard() { journal->push_back("discard " + name); }
    void close() {
        if (closeFails) {
            closeFails = false;  // the second close works
            failingStep(kGenWrite);
        }
        journal->push_back("close " + name);
    }
};

TEST(RecoveryTest, ExitProcedureAbortsFailingStepsAndGoesOn) {
    int shown = 0;
    HandlerScope process([&](Error&) -> Action {
        ++shown;
        return Action::Retry;  // the dialogue would loop forever on these
    });
    std::vector<std::string> journal;
    std::vector<FakeTable> tables = {{"a", false, false, &journal},
                                     {"b", true, false, &journal},
                                     {"c", false, true, &journal}};
    {
        AbortEachStep steps;
        for (FakeTable& t : tables) {
            if (!steps.run([&] {
                    t.commit();
                    t.close();
                })) {
                steps.run([&] {
                    t.discard();
                    t.close();
                });
            }
        }
    }
    EXPECT_EQ(shown, 0);
    EXPECT_EQ(journal, (std::vector<std::string>{"commit a", "close a", "discard b", "close b",
                                                 "commit c", "discard c", "close c"}));
    // Outside the scope the process-wide handler is back.
    Error e;
    e.canRetry = true;
    EXPECT_EQ(raise(e), Action::Retry);
    EXPECT_EQ(shown, 1);
}

TEST(RecoveryTest, AbortEachStepIsTheCallingThreadsOnly) {
    std::atomic<int> shown{0};
    HandlerScope process([&](Error&) {
        ++shown;
        return Action::Default;
    });
    AbortEachStep steps;
    std::thread other([] {
        Error e;
        e.canDefault = true;
        EXPECT_EQ(raise(e), Action::Default);  // reached the process-wide handler
    });
    other.join();
    EXPECT_FALSE(steps.run([] { failingStep(kGenRead); }));
    EXPECT_EQ(shown.load(), 1);
}

TEST(RecoveryTest, NestedScopesRestoreInOrder) {
    HandlerScope process([](Error&) { return Action::Default; });
    {
        AbortEachStep outer;
        {
            ThreadHandlerScope inner([](Error&) { return Action::Retry; });
            Error e;
            e.canRetry = true;
            EXPECT_EQ(raise(e), Action::Retry);
        }
        EXPECT_FALSE(outer.run([] { failingStep(kGenRead); }));
    }
    Error e;
    e.canDefault = true;
    EXPECT_EQ(raise(e), Action::Default);
}

TEST(RecoveryTest, AnUnwoundTurnIsAbandonedAndTheNextGoesOn) {
    // The handler unwinds (Cancel, then No in the dialogue).
    HandlerScope process([](Error& e) -> Action { throw Unwind(e); });
    std::vector<std::string> journal;
    int abandonedCode = 0;
    auto turn = [&](int n) {
        return recoverTurn(
            [&, n] {
                journal.push_back("open " + std::to_string(n));
                if (n == 2) failingStep(kGenCorrupt);
                journal.push_back("shown " + std::to_string(n));
            },
            [&, n] {
                journal.push_back("close all " + std::to_string(n));
                failingStep(kGenWrite);  // errors while cleaning up are swallowed
            },
            [&](const Error& e) { abandonedCode = e.genCode; });
    };
    EXPECT_TRUE(turn(1));
    EXPECT_FALSE(turn(2));
    EXPECT_TRUE(turn(3));
    EXPECT_EQ(abandonedCode, kGenCorrupt);
    EXPECT_EQ(journal, (std::vector<std::string>{"open 1", "shown 1", "open 2", "close all 2",
                                                 "open 3", "shown 3"}));
}

}  // namespace
