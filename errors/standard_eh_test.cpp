#include "errors/standard_eh.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/display_state.h"
#include "errors/handler_test_support.h"
#include "errors/safe_arith.h"

namespace {

using namespace errors;
using errors::test::ProgramEnded;
using testsupport::ScriptedDialogs;
using testsupport::TempDir;

constexpr int kOk = 1, kCancel = 2, kAbort = 3, kRetry = 4, kIgnore = 5, kYes = 6, kNo = 7;

Error makeError(int genCode) {
    Error e;
    e.genCode = genCode;
    e.subSystem = "DBFNTX";
    e.subCode = 1001;
    e.severity = 2;
    e.description = "Open error";
    e.thread = 1;
    return e;
}

// What StandardEH did: its action, "unwind", or "ended N".
std::string outcome(Error& e, const Services& s) {
    try {
        Action a = StandardEH(e, s);
        return a == Action::Retry ? "retry" : "default";
    } catch (const Unwind&) {
        return "unwind";
    } catch (const ProgramEnded& end) {
        return "ended " + std::to_string(end.code);
    }
}

struct Row {
    const char* name;
    int genCode;
    const char* operation;
    std::vector<double> args;  // empty: NIL
    int osCode;
    bool canDefault;
    bool dialogue;  // false: Default without a box
};

TEST(StandardEHTest, DecisionTableInOrder) {
    const Row rows[] = {
        {"division by zero", 11, "/", {10, 0}, 0, false, false},
        {"numeric error, division by 0", 12, "/", {10, 0}, 0, false, false},
        {"numeric error, remainder by 0", 12, "%", {10, 0}, 0, false, false},
        {"numeric error, other operator", 12, "*", {10, 0}, 0, false, true},
        {"numeric error, divisor not 0", 12, "/", {10, 2}, 0, false, true},
        {"numeric error, no args", 12, "/", {}, 0, false, true},
        {"open, file in use, can default", 71, "", {}, 32, true, false},
        {"open, file in use, no default", 71, "", {}, 32, false, true},
        {"open, other os code", 71, "", {}, 5, true, true},
        {"78 with default", 78, "", {}, 0, true, false},
        {"78 without default", 78, "", {}, 0, false, true},
        {"other error that can default", 20, "", {}, 0, true, true},
    };
    TempDir dir;
    for (const Row& row : rows) {
        ScriptedDialogs dialogs({kCancel, kNo});
        Services s = test::testServices(dialogs, dir);
        Error e = makeError(row.genCode);
        e.operation = row.operation;
        e.osCode = row.osCode;
        e.canDefault = row.canDefault;
        e.hasArgs = !row.args.empty();
        for (double a : row.args) e.args.push_back(Value::numeric(a));
        EXPECT_EQ(outcome(e, s), row.dialogue ? "unwind" : "default") << row.name;
        EXPECT_EQ(dialogs.boxes().size(), row.dialogue ? 2u : 0u) << row.name;
    }
}

struct Path {
    bool canRetry, canDefault;
    int buttonSet;
    std::vector<int> answers;
    const char* expected;
};

TEST(StandardEHTest, EveryButtonSetAndAnswer) {
    const Path paths[] = {
        {false, false, 0, {kOk}, "ended 1"},
        {true, false, 5, {kRetry}, "retry"},
        {true, false, 5, {kCancel, kNo}, "unwind"},
        {true, false, 5, {kCancel, kYes}, "ended 1"},
        {false, true, 1, {kOk}, "ended 1"},
        {false, true, 1, {kCancel, kNo}, "unwind"},
        {false, true, 1, {kCancel, kYes}, "ended 1"},
        {true, true, 2, {kRetry}, "retry"},
        {true, true, 2, {kIgnore}, "default"},
        {true, true, 2, {kAbort}, "ended 1"},
    };
    for (const Path& p : paths) {
        TempDir dir;
        ScriptedDialogs dialogs(p.answers);
        Error e = makeError(kGenCreate);
        e.canRetry = p.canRetry;
        e.canDefault = p.canDefault;
        std::string label = std::to_string(p.buttonSet) + "/" + std::to_string(p.answers[0]);
        EXPECT_EQ(outcome(e, test::testServices(dialogs, dir)), p.expected) << label;

        auto boxes = dialogs.boxes();
        ASSERT_GE(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].kind, "confirm");
        EXPECT_EQ(boxes[0].title, "Kestrel Error Message");
        EXPECT_EQ(boxes[0].buttonSet, p.buttonSet) << label;
        EXPECT_EQ(boxes[0].style, 16 + 131072);
        std::size_t next = 1;
        if (p.answers[0] == kCancel) {
            ASSERT_GE(boxes.size(), 2u);
            EXPECT_EQ(boxes[1].text, "Exit with LOG file");
            EXPECT_EQ(boxes[1].title, "Kestrel Error Message");
            EXPECT_EQ(boxes[1].buttonSet, 4);
            EXPECT_EQ(boxes[1].style, 131120);
            next = 2;
        }
        bool ended = std::string(p.expected) == "ended 1";
        EXPECT_EQ(std::filesystem::exists(dir.path() / "KRLERROR.LOG"), ended) << label;
        if (ended) {
            ASSERT_EQ(boxes.size(), next + 1) << label;
            EXPECT_EQ(boxes[next].kind, "message");
            EXPECT_EQ(boxes[next].text, "Error log was written to the file KRLERROR.LOG");
        } else {
            EXPECT_EQ(boxes.size(), next) << label;
        }
    }
}

TEST(StandardEHTest, IconAndFirstWordBySeverity) {
    const struct {
        int severity;
        int icon;
        const char* word;
    } rows[] = {{3, 16, "Error "}, {2, 16, "Error "}, {1, 48, "Warning "},
                {0, 64, "Warning "}, {7, 64, "Error "}, {-1, 64, "Warning "}};
    TempDir dir;
    for (const auto& r : rows) {
        ScriptedDialogs dialogs({kCancel, kNo});
        Error e = makeError(kGenCreate);
        e.severity = r.severity;
        outcome(e, test::testServices(dialogs, dir));
        auto boxes = dialogs.boxes();
        ASSERT_FALSE(boxes.empty());
        EXPECT_EQ(boxes[0].style, r.icon + 131072) << r.severity;
        EXPECT_EQ(boxes[0].text.rfind(r.word, 0), 0u) << boxes[0].text;
    }
}

TEST(StandardEHTest, DialogueTextLinesBecomeCarriageReturns) {
    TempDir dir;
    ScriptedDialogs dialogs({kCancel, kNo});
    Error e = makeError(kGenOpen);
    e.fileName = "C:\\POS\\istock.dbf";
    e.operation = "DbUseArea";
    e.osCode = 5;
    e.thread = 2;
    outcome(e, test::testServices(dialogs, dir));
    EXPECT_EQ(dialogs.boxes().at(0).text,
              "Error DBFNTX/1001\rDescription : Open error\rFile : C:\\POS\\istock.dbf\r"
              "Operation : DbUseArea\rThread ID : 2\rOperating system error : 5\ros text 5\r"
              "Called from display::HangPicture(212)\rCalled from app::TimerThread(48)\r"
              "Called from main(9)");
}

TEST(ErrorMessageTest, PiecesInOrder) {
    Error e;
    e.severity = 1;
    e.subSystem = "";
    e.subCode = 7;
    e.description = "Disk full";
    e.thread = 3;
    EXPECT_EQ(ErrorMessage(e), "Warning ?" "?" "?" "?/7;Description : Disk full;Thread ID : 3");
    e.severity = 2;
    e.subSystem = "BASE";
    e.operation = "WRITE";
    EXPECT_EQ(ErrorMessage(e), "Error BASE/7;Description : Disk full;Operation : WRITE;Thread ID : 3");
    e.cargo = Value::array({Value::character("first words of the old cargo"), Value::numeric(9),
                            Value::character("the session message")});
    EXPECT_EQ(ErrorMessage(e),
              "Error BASE/7;Description : Disk full;Operation : WRITE;Thread ID : 3;"
              "first words of the old cargo;the session message");
}

class FakeSession : public DbSession {
public:
    int getLastError() const override { return number; }
    std::string getLastMessage() const override { return message; }
    int number = 0;
    std::string message;
};

FakeSession g_session;
const DbSession* fakeSession() { return &g_session; }

TEST(StandardEHTest, DatabaseSessionErrorJoinsTheCargo) {
    DbSessionHook previous = setDbSessionHook(fakeSession);
    TempDir dir;

    g_session.number = 0;
    {
        ScriptedDialogs dialogs({kCancel, kNo});
        Error e = makeError(kGenOpen);
        e.cargo = Value::character("kept");
        outcome(e, test::testServices(dialogs, dir));
        EXPECT_EQ(e.cargo.type, Value::Type::Character);
        EXPECT_EQ(dialogs.boxes().at(0).text.find("kept"), std::string::npos);
    }
    g_session.number = 1012;
    g_session.message =
        "Corruption detected in the index file of the table while reading the page of key "
        "number twelve of the order";
    {
        ScriptedDialogs dialogs({kCancel, kNo});
        Error e = makeError(kGenOpen);
        e.cargo = Value::numeric(5);
        outcome(e, test::testServices(dialogs, dir));
        ASSERT_EQ(e.cargo.type, Value::Type::Array);
        ASSERT_EQ(e.cargo.items.size(), 3u);
        EXPECT_EQ(e.cargo.items[0].number, 5);
        EXPECT_EQ(e.cargo.items[1].number, 1012);
        EXPECT_EQ(e.cargo.items[2].text, g_session.message);
        // Old cargo not character: only the message, wrapped at 50.
        EXPECT_NE(dialogs.boxes().at(0).text.find(
                      "Thread ID : 1\rCorruption detected in the index file of the table\r"
                      "while reading the page of key number twelve of the\rorder\r"),
                  std::string::npos)
            << dialogs.boxes().at(0).text;
    }
    setDbSessionHook(previous);
}

// A platform operation as the table engine does it: raise, then retry or take
// the default result (no table). Counts its attempts.
struct FakeOpen {
    int failures;      // how many attempts fail
    int osCode = 0;
    int attempts = 0;
    bool open() {
        Error e = makeError(kGenOpen);
        e.osCode = osCode;
        e.canRetry = true;
        e.canDefault = true;
        for (;;) {
            if (++attempts > failures) return true;
            if (raise(e) == Action::Default) return false;
        }
    }
};


TEST(StandardEHTest, RetryRepeatsTheOperationAndIgnoreDefaults) {
    TempDir dir;
    ScriptedDialogs dialogs({kRetry, kRetry, kIgnore});
    test::HandlerScope installed(standardHandler(test::testServices(dialogs, dir)));

    FakeOpen twice{2};
    EXPECT_TRUE(twice.open());  // failed twice, retried twice, then opened
    EXPECT_EQ(twice.attempts, 3);

    FakeOpen never{100};
    EXPECT_FALSE(never.open());  // Ignore: the open fails with no table
    EXPECT_EQ(never.attempts, 1);
    EXPECT_EQ(dialogs.boxes().size(), 3u);
}

// An open refused because another process holds the table exclusively fails
// quietly where a default is allowed. (The table engine's own test of this,
// with a second process, comes with the engine.)
TEST(StandardEHTest, OpenHeldByAnotherProcessFailsQuietly) {
    TempDir dir;
    ScriptedDialogs dialogs;  // any box would throw
    test::HandlerScope installed(standardHandler(test::testServices(dialogs, dir)));
    FakeOpen held{100, kOsSharingViolation};
    EXPECT_FALSE(held.open());
    EXPECT_EQ(held.attempts, 1);
    EXPECT_TRUE(dialogs.boxes().empty());
}

TEST(StandardEHTest, DivisionAndRemainderByZeroGiveZeroWithoutABox) {
    TempDir dir;
    ScriptedDialogs dialogs;
    test::HandlerScope installed(standardHandler(test::testServices(dialogs, dir)));
    EXPECT_EQ(safeDivide(10, 0), 0);
    EXPECT_EQ(safeModulo(10, 0), 0);
    EXPECT_EQ(safeDivide(10, 4), 2.5);
    EXPECT_EQ(safeModulo(-7, 3), -1);
    EXPECT_TRUE(dialogs.boxes().empty());
}

TEST(StandardEHTest, OsMessageGivesTheSharingViolationText) {
    EXPECT_NE(osMessage(kOsSharingViolation).find("being used by another process"),
              std::string::npos);
    EXPECT_FALSE(osMessage(2).empty());
}

// The real end: Cancel, then Yes writes the log, runs the exit procedure and
// ends the process with exit code 1 (observed in a child process).
TEST(StandardEHDeathTest, CancelThenYesWritesTheLogAndExitsWithCode1) {
    GTEST_FLAG_SET(death_test_style, "fast");
    TempDir dir;
    std::string marker = dir.file("exit-procedure-ran");
    EXPECT_EXIT(
        {
            core::setExitProcedure([marker] { std::ofstream(marker) << "ran"; });
            ScriptedDialogs dialogs({kCancel, kYes});
            Services s = test::testServices(dialogs, dir);
            s.endProgram = nullptr;  // the real one
            Error e = makeError(kGenCreate);
            e.canRetry = true;
            StandardEH(e, s);
        },
        ::testing::ExitedWithCode(1), "");
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "KRLERROR.LOG"));
    EXPECT_TRUE(std::filesystem::exists(marker));
}

// Through the installed handler: an error that allows nothing but OK.
TEST(StandardEHDeathTest, OkOnlyErrorEndsWithCode1) {
    GTEST_FLAG_SET(death_test_style, "fast");
    TempDir dir;
    EXPECT_EXIT(
        {
            ScriptedDialogs dialogs({kOk});
            Services s = test::testServices(dialogs, dir);
            s.endProgram = nullptr;
            ErrorSys(s);
            Error e = makeError(kGenCorrupt);
            raise(e);
        },
        ::testing::ExitedWithCode(1), "");
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "KRLERROR.LOG"));
}

}  // namespace
