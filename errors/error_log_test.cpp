#include "errors/error_log.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "errors/handler_test_support.h"
#include "platform/file.h"
#include "platform/write_faults.h"
#include "tables/dbe.h"
#include "testsupport/hostile_files.h"

namespace {

using namespace errors;
using errors::test::ProgramEnded;
using testsupport::ScriptedDialogs;
using testsupport::TempDir;

Error sampleError() {
    Error e;
    e.genCode = 12;
    e.subSystem = "BASE";
    e.subCode = 1340;
    e.severity = 2;
    e.description = "Zero divisor";
    e.operation = "/";
    e.hasArgs = true;
    e.args = {Value::numeric(10), Value::numeric(0)};
    e.canSubstitute = true;
    e.cargo = Value::nil();
    e.thread = 2;
    e.tries = 1;
    return e;
}

const std::string kRule(78, '-');

TEST(ErrorLogTest, LayoutByteForByte) {
    TempDir dir;
    ScriptedDialogs dialogs;
    ErrorLog(sampleError(), 2, test::testServices(dialogs, dir));
    std::string expected =
        "\r\n"
        "\r\n" + kRule +
        "\r\nERROR LOG of \"C:\\SHOP\\LUMISETT.EXE\" Date: 03/07/26 09:05:03"
        "\r\n"
        "\r\nKestrel version     : 1.1.0.abc1234"
        "\r\nOperating system    : TestOS 4.2"
        "\r\n" + kRule +
        "\r\noError:args         :"
        "\r\n          -> VALTYPE: N VALUE: 10"
        "\r\n          -> VALTYPE: N VALUE: 0"
        "\r\noError:canDefault   : .F."
        "\r\noError:canRetry     : .F."
        "\r\noError:canSubstitute: .T."
        "\r\noError:cargo        : NIL"
        "\r\noError:description  : Zero divisor"
        "\r\noError:filename     : "
        "\r\noError:genCode      : 12"
        "\r\noError:operation    : /"
        "\r\noError:osCode       : 0"
        "\r\noError:severity     : 2"
        "\r\noError:subCode      : 1340"
        "\r\noError:subSystem    : BASE"
        "\r\noError:thread       : 2"
        "\r\noError:tries        : 1"
        "\r\n" + kRule +
        "\r\nCALLSTACK:"
        "\r\n" + kRule +
        "\r\nCalled from display::HangPicture(212)"
        "\r\nCalled from app::TimerThread(48)"
        "\r\nCalled from main(9)"
        "\r\n";
    EXPECT_EQ(dir.read("KRLERROR.LOG"), expected);
    auto boxes = dialogs.boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Error log was written to the file KRLERROR.LOG");
}

// The argument lines and field texts of every kind of value; the call stack
// from a deeper level; the date in the format the engine set-up chose, here
// with the century.
TEST(ErrorLogTest, ValueKindsLevelsAndCenturyDate) {
    TempDir dir;
    ScriptedDialogs dialogs;
    Services s = test::testServices(dialogs, dir);
    const std::string format = tables::dateFormat();
    tables::setDateFormat("mm/dd/yyyy");
    Error e = sampleError();
    e.args = {Value::character("istock"), Value::boolean(true), Value::object("UiStatic"),
              Value::nil(), Value::array({Value::numeric(1.5), Value::character("x")}),
              Value::numeric(-3)};
    e.cargo = Value::array({Value::nil(), Value::numeric(1012), Value::character("bad page")});
    std::string text = errorLogText(e, 3, s);
    tables::setDateFormat(format);
    for (const std::string& line : std::vector<std::string>{
             "\r\nERROR LOG of \"C:\\SHOP\\LUMISETT.EXE\" Date: 03/07/2026 09:05:03\r\n",
             "\r\n          -> VALTYPE: C VALUE: istock\r\n",
             "\r\n          -> VALTYPE: L VALUE: .T.\r\n",
             "\r\n          -> VALTYPE: O CLASS: UiStatic\r\n",
             "\r\n          -> VALTYPE: U VALUE: NIL\r\n",
             "\r\n          -> VALTYPE: A VALUE: {1.5, x}\r\n",
             "\r\n          -> VALTYPE: N VALUE: -3\r\n",
             "\r\noError:cargo        : {NIL, 1012, bad page}\r\n",
             "\r\nCALLSTACK:\r\n" + kRule +
                 "\r\nCalled from app::TimerThread(48)\r\nCalled from main(9)\r\n",
         }) {
        EXPECT_NE(text.find(line), std::string::npos) << line;
    }
    e.hasArgs = false;
    text = errorLogText(e, 2, s);
    EXPECT_NE(text.find("\r\noError:args         :\r\n           -> NIL\r\noError:canDefault"),
              std::string::npos);
}

TEST(ErrorLogTest, ReplacesAnEarlierLog) {
    TempDir dir;
    dir.write("KRLERROR.LOG", std::string(100000, 'x'));
    ScriptedDialogs dialogs;
    ErrorLog(sampleError(), 2, test::testServices(dialogs, dir));
    EXPECT_EQ(dir.read("KRLERROR.LOG").substr(0, 4), "\r\n\r\n");
    EXPECT_EQ(dir.read("KRLERROR.LOG").find('x'), std::string::npos);
}

// A name that cannot be opened is skipped for the next numbered one. Read-only
// files stop root from nothing, so the names are blocked by folders of the same
// name; the read-only case itself runs when the tests do not run as root.
TEST(ErrorLogTest, FallsBackWhenNamesCannotBeOpened) {
    const struct {
        std::vector<std::string> blocked;
        const char* expected;
    } cases[] = {
        {{}, "KRLERROR.LOG"},
        {{"KRLERROR.LOG"}, "KRLERROR.001"},
        {{"KRLERROR.LOG", "KRLERROR.001"}, "KRLERROR.002"},
        {{"KRLERROR.001"}, "KRLERROR.LOG"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        for (const auto& name : c.blocked) std::filesystem::create_directory(dir.path() / name);
        ScriptedDialogs dialogs;
        ErrorLog(sampleError(), 2, test::testServices(dialogs, dir));
        EXPECT_EQ(dir.read(c.expected).substr(0, 4), "\r\n\r\n") << c.expected;
        EXPECT_EQ(dialogs.boxes().at(0).text,
                  std::string("Error log was written to the file ") + c.expected);
    }
}

TEST(ErrorLogTest, ReadOnlyLogFilesAreSkipped) {
    TempDir dir;
    dir.write("KRLERROR.LOG", "old");
    dir.write("KRLERROR.001", "old");
    for (const char* name : {"KRLERROR.LOG", "KRLERROR.001"}) {
        std::filesystem::permissions(dir.path() / name, std::filesystem::perms::owner_read);
    }
    // root (also under wine, which maps the attribute to POSIX permissions)
    // writes read-only files.
    if (std::ofstream(dir.path() / "KRLERROR.001", std::ios::app)) {
        GTEST_SKIP() << "read-only files can be written here";
    }
    ScriptedDialogs dialogs;
    ErrorLog(sampleError(), 2, test::testServices(dialogs, dir));
    EXPECT_EQ(dir.read("KRLERROR.LOG"), "old");
    EXPECT_EQ(dir.read("KRLERROR.002").substr(0, 4), "\r\n\r\n");
}

TEST(ErrorLogTest, NoNameLeftEndsTheProgram) {
    TempDir dir;
    for (int n = 0; n < 1000; ++n) std::filesystem::create_directory(dir.path() / errorLogName(n));
    ScriptedDialogs dialogs;
    try {
        ErrorLog(sampleError(), 2, test::testServices(dialogs, dir));
        FAIL() << "ErrorLog returned";
    } catch (const ProgramEnded& end) {
        EXPECT_EQ(end.code, 1);
    }
    auto boxes = dialogs.boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Unable to open error log file");
}

TEST(ErrorLogTest, FileOpeningDoesNotSwallowOtherThreadsErrors) {
    // The opening's own handler is the raising thread's only: a process-wide
    // handler still sees errors raised elsewhere meanwhile (here: after).
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "KRLERROR.LOG");
    int seen = 0;
    test::HandlerScope scope([&](Error&) {
        ++seen;
        return Action::Default;
    });
    ScriptedDialogs dialogs;
    ErrorLog(sampleError(), 2, test::testServices(dialogs, dir));
    EXPECT_EQ(seen, 0);  // the skipped name never reached the process-wide handler
    Error e;
    e.canDefault = true;
    EXPECT_EQ(raise(e), Action::Default);
    EXPECT_EQ(seen, 1);
}

TEST(ErrorLogTest, NamesAndVersion) {
    EXPECT_EQ(errorLogName(0), "KRLERROR.LOG");
    EXPECT_EQ(errorLogName(1), "KRLERROR.001");
    EXPECT_EQ(errorLogName(999), "KRLERROR.999");
    EXPECT_EQ(programVersion().rfind("1.1.0.", 0), 0u);
    EXPECT_GT(programVersion().size(), 6u);
}

// A disk that takes the name but not the log (full or failing): the box that
// says the log was written never comes, the handler is never asked again
// (no error is raised on the way out), and the program ends with code 1.
// Abort in the handler's own dialogue leads here, as does any other end.
TEST(ErrorLogTest, LogThatCannotBeWrittenEndsTheProgramWithoutComingBack) {
    int raised = 0;
    test::HandlerScope scope([&](Error&) {
        ++raised;
        return Action::Default;
    });
    TempDir dir;
    dir.write("KRLERROR.LOG", "an earlier log");
    ScriptedDialogs dialogs({platform::Answer::Abort});
    Services s = test::testServices(dialogs, dir);
    Error e = sampleError();
    e.genCode = kGenWrite;  // not a division by zero: the dialogue comes
    platform::failWritesAfter(0);
    try {
        StandardEH(e, s);
        platform::stopFailingWrites();
        FAIL() << "the handler returned";
    } catch (const ProgramEnded& end) {
        platform::stopFailingWrites();
        EXPECT_EQ(end.code, 1);
    }
    EXPECT_EQ(raised, 0);
    // Every other name is on the same disk; the earlier log stays whole.
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        left.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(left, std::vector<std::string>{"KRLERROR.LOG"});
    EXPECT_EQ(dir.read("KRLERROR.LOG"), "an earlier log");
    auto boxes = dialogs.boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].kind, "confirm");
    EXPECT_EQ(boxes[1].text, "Unable to open error log file");
}

#ifndef _WIN32
// A log name taken by anything but a regular file, or by a symbolic link
// (even to a regular file, which stays as it was), is skipped for the next
// name, without blocking. A huge regular log is simply replaced.
TEST(ErrorLogTest, NamesThatAreNoRegularFileOrAreLinksAreSkipped) {
    for (const auto& k : testsupport::kHostileKinds) {
        TempDir dir;
        testsupport::makeHostile(k.kind, dir.file("KRLERROR.LOG"));
        ScriptedDialogs dialogs;
        EXPECT_TRUE(testsupport::finishesWithin(std::chrono::seconds(2), [&] {
            ErrorLog(sampleError(), 2, test::testServices(dialogs, dir));
        }, dir.file("KRLERROR.LOG"))) << k.name;
        const char* expected =
            k.kind == testsupport::Hostile::Huge ? "KRLERROR.LOG" : "KRLERROR.001";
        EXPECT_EQ(dialogs.boxes().at(0).text,
                  std::string("Error log was written to the file ") + expected)
            << k.name;
        EXPECT_EQ(dir.read(expected).substr(0, 4), "\r\n\r\n") << k.name;
    }
    TempDir dir;
    dir.write("elsewhere.txt", "keep");
    std::filesystem::create_symlink(dir.file("elsewhere.txt"), dir.file("KRLERROR.LOG"));
    ScriptedDialogs dialogs;
    ErrorLog(sampleError(), 2, test::testServices(dialogs, dir));
    EXPECT_EQ(dir.read("elsewhere.txt"), "keep");
    EXPECT_EQ(dir.read("KRLERROR.001").substr(0, 4), "\r\n\r\n");
}
#endif

}  // namespace
