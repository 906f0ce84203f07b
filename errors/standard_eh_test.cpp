#include "errors/standard_eh.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "errors/handler_test_support.h"
#include "platform/fs.h"

namespace {

using namespace errors;
using errors::test::ProgramEnded;
using testsupport::ScriptedDialogs;
using testsupport::TempDir;

using platform::Answer;
using platform::Buttons;
using platform::Icon;
constexpr Answer kOk = Answer::Ok, kCancel = Answer::Cancel, kAbort = Answer::Abort,
                 kRetry = Answer::Retry, kIgnore = Answer::Ignore, kYes = Answer::Yes,
                 kNo = Answer::No;

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
    Buttons buttons;
    std::vector<Answer> answers;
    const char* expected;
};

TEST(StandardEHTest, EveryButtonSetAndAnswer) {
    const Path paths[] = {
        {false, false, Buttons::Ok, {kOk}, "ended 1"},
        {true, false, Buttons::RetryCancel, {kRetry}, "retry"},
        {true, false, Buttons::RetryCancel, {kCancel, kNo}, "unwind"},
        {true, false, Buttons::RetryCancel, {kCancel, kYes}, "ended 1"},
        {false, true, Buttons::OkCancel, {kOk}, "ended 1"},
        {false, true, Buttons::OkCancel, {kCancel, kNo}, "unwind"},
        {false, true, Buttons::OkCancel, {kCancel, kYes}, "ended 1"},
        {true, true, Buttons::AbortRetryIgnore, {kRetry}, "retry"},
        {true, true, Buttons::AbortRetryIgnore, {kIgnore}, "default"},
        {true, true, Buttons::AbortRetryIgnore, {kAbort}, "ended 1"},
    };
    for (const Path& p : paths) {
        TempDir dir;
        ScriptedDialogs dialogs(p.answers);
        Error e = makeError(kGenCreate);
        e.canRetry = p.canRetry;
        e.canDefault = p.canDefault;
        std::string label = std::to_string(int(p.buttons)) + "/" + std::to_string(int(p.answers[0]));
        EXPECT_EQ(outcome(e, test::testServices(dialogs, dir)), p.expected) << label;

        auto boxes = dialogs.boxes();
        ASSERT_GE(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].kind, "confirm");
        EXPECT_EQ(boxes[0].title, "Kestrel Error Message");
        EXPECT_EQ(boxes[0].buttons, p.buttons) << label;
        EXPECT_EQ(boxes[0].style, (platform::BoxStyle{Icon::Stop, 0, true}));
        std::size_t next = 1;
        if (p.answers[0] == kCancel) {
            ASSERT_GE(boxes.size(), 2u);
            EXPECT_EQ(boxes[1].text, "Exit with LOG file");
            EXPECT_EQ(boxes[1].title, "Kestrel Error Message");
            EXPECT_EQ(boxes[1].buttons, Buttons::YesNo);
            EXPECT_EQ(boxes[1].style, (platform::BoxStyle{Icon::Warning, 0, true}));
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
        Icon icon;
        const char* word;
    } rows[] = {{3, Icon::Stop, "Error "},         {2, Icon::Stop, "Error "},
                {1, Icon::Warning, "Warning "},    {0, Icon::Information, "Warning "},
                {7, Icon::Information, "Error "}, {-1, Icon::Information, "Warning "}};
    TempDir dir;
    for (const auto& r : rows) {
        ScriptedDialogs dialogs({kCancel, kNo});
        Error e = makeError(kGenCreate);
        e.severity = r.severity;
        outcome(e, test::testServices(dialogs, dir));
        auto boxes = dialogs.boxes();
        ASSERT_FALSE(boxes.empty());
        EXPECT_EQ(boxes[0].style.icon, r.icon) << r.severity;
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
    e.subSystem = std::nullopt;  // not a text
    e.subCode = 7;
    e.description = "Disk full";
    e.thread = 3;
    EXPECT_EQ(ErrorMessage(e), "Warning ?" "?" "?" "?/7;Description : Disk full;Thread ID : 3");
    e.subSystem = "";  // an empty text is shown as it is
    EXPECT_EQ(ErrorMessage(e), "Warning /7;Description : Disk full;Thread ID : 3");
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

TEST(StandardEHTest, OsMessageGivesTheSharingViolationText) {
    EXPECT_EQ(osMessage(kOsSharingViolation), platform::sharingViolationText());
    EXPECT_EQ(osMessage(2), platform::osErrorText(2));
    EXPECT_FALSE(osMessage(2).empty());
}

// Windows runs a death test's statement in a new run of this program (there
// is no fork), and that run makes a TempDir of its own. The statement uses the
// parent's folder instead, handed down in the environment.
class DeathTestFolder {
public:
    explicit DeathTestFolder(const TempDir& dir) : m_path(dir.str()) {
#ifdef _WIN32
        if (const char* inherited = std::getenv(kVariable)) {
            m_path = inherited;
            m_inherited = true;
        } else {
            _putenv_s(kVariable, m_path.c_str());
        }
#endif
    }
    ~DeathTestFolder() {
#ifdef _WIN32
        if (!m_inherited) _putenv_s(kVariable, "");
#endif
    }
    const std::string& path() const { return m_path; }

private:
    static constexpr const char* kVariable = "LUMISETT_DEATH_TEST_DIR";
    std::string m_path;
    bool m_inherited = false;
};

// The real end: Cancel, then Yes writes the log, runs the program's end with
// exit code 1 (observed in a child process).
TEST(StandardEHDeathTest, CancelThenYesWritesTheLogAndExitsWithCode1) {
    GTEST_FLAG_SET(death_test_style, "fast");
    TempDir dir;
    DeathTestFolder folder(dir);
    std::string marker = (std::filesystem::path(folder.path()) / "program-end-ran").string();
    EXPECT_EXIT(
        {
            ScriptedDialogs dialogs({kCancel, kYes});
            Services s = test::testServices(dialogs, dir);
            s.logFolder = folder.path();
            s.endProgram = [marker](int code) {
                std::ofstream(marker) << "ran";
                std::_Exit(code);
            };
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
    DeathTestFolder folder(dir);
    EXPECT_EXIT(
        {
            ScriptedDialogs dialogs({kOk});
            Services s = test::testServices(dialogs, dir);
            s.logFolder = folder.path();
            s.endProgram = nullptr;
            ErrorSys(s);
            Error e = makeError(kGenCorrupt);
            raise(e);
        },
        ::testing::ExitedWithCode(1), "");
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "KRLERROR.LOG"));
}

}  // namespace
