#include "errors/recovery.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <new>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "errors/handler_test_support.h"

namespace {

using namespace errors;
using errors::test::HandlerScope;
using errors::test::ProgramEnded;

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

// The services of the ending of an unrecovered error, for one test.
struct InstalledServicesScope {
    explicit InstalledServicesScope(Services s) : previous(setInstalledServices(std::move(s))) {}
    ~InstalledServicesScope() { setInstalledServices(previous); }
    Services previous;
};

TEST(RecoveryTest, WhatEscapesAnOutermostCallEndsTheProgramWithTheLog) {
    struct Case {
        const char* name;
        std::function<void()> step;
        std::string description;  // in the log; "" when the step returns normally
    };
    const Case cases[] = {
        {"returns", [] {}, ""},
        {"run-time error unwound by the user",
         [] {
             HandlerScope unwinds([](Error& e) -> Action { throw Unwind(e); });
             Error e;
             e.description = "not a dBase III table (version byte 2)";
             raise(e);
         },
         "not a dBase III table (version byte 2)"},
        {"other exception", [] { throw std::length_error("basic_string::_M_create"); },
         "basic_string::_M_create"},
        {"memory exhausted", [] { throw std::bad_alloc(); }, "out of memory"},
        {"not an exception class", [] { throw 42; }, "unknown exception"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::TempDir dir;
        testsupport::ScriptedDialogs dialogs;
        InstalledServicesScope installed(errors::test::testServices(dialogs, dir));
        int ended = -1;
        try {
            runOutermost(c.step);
        } catch (const ProgramEnded& end) {
            ended = end.code;
        }
        if (c.description.empty()) {
            EXPECT_EQ(ended, -1);
            EXPECT_TRUE(dialogs.boxes().empty());
            continue;
        }
        EXPECT_EQ(ended, 1);
        std::ifstream log(dir.path() / "KRLERROR.LOG", std::ios::binary);
        std::stringstream text;
        text << log.rdbuf();
        EXPECT_NE(text.str().find("oError:description  : " + c.description + "\r\n"),
                  std::string::npos)
            << text.str();
        ASSERT_EQ(dialogs.boxes().size(), 1u);
        EXPECT_EQ(dialogs.boxes()[0].text, "Error log was written to the file KRLERROR.LOG");
    }
}

// An exception that escapes a thread of its own reaches std::terminate; the
// program still ends with the log and exit code 1, not with SIGABRT.
TEST(RecoveryDeathTest, AnExceptionEscapingAThreadEndsTheProgramWithTheLog) {
    // The child may run this test afresh (Windows): a folder of a fixed name.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::filesystem::path dir = std::filesystem::current_path() / "recovery_test.terminate";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directory(dir);
    EXPECT_EXIT(
        {
            testsupport::ScriptedDialogs dialogs;
            Services services;
            services.dialogs = &dialogs;
            services.logFolder = dir.string();
            setInstalledServices(services);  // endProgram empty: ends at once
            endUnrecoveredAtTerminate();
            std::thread([] { throw std::runtime_error("escaped the picture thread"); }).join();
        },
        ::testing::ExitedWithCode(1), "");
    std::stringstream text;
    {
        // Closed before the folder goes: Windows removes no open file.
        std::ifstream log(dir / "KRLERROR.LOG", std::ios::binary);
        text << log.rdbuf();
    }
    EXPECT_NE(text.str().find("oError:description  : escaped the picture thread\r\n"),
              std::string::npos)
        << text.str();
    std::filesystem::remove_all(dir);
}

}  // namespace
