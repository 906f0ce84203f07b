#include "startup/program_end.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "platform/fs.h"
#include "platform/temporary_file.h"
#include "testsupport/temp_dir.h"

namespace {

TEST(ProgramEndDeathTest, RunsTheExitProcedureAndEndsWithTheCode) {
    EXPECT_EXIT(
        {
            startup::setExitProcedure([] { std::fputs("exit-procedure\n", stderr); });
            startup::endProgram(3);
        },
        ::testing::ExitedWithCode(3), "exit-procedure");
}

#ifndef _WIN32  // Windows death tests run the test anew, in another folder
// A save that an error ends half-way leaves no temporary file: the end of
// the program removes what is pending, and only that.
TEST(ProgramEndDeathTest, RemovesPendingTemporaryFiles) {
    testsupport::TempDir dir;
    const std::string pending = dir.file("TILL1.dbf.tmp"), kept = dir.file("TILL1.dbf");
    EXPECT_EXIT(
        {
            if (!platform::writeNewFile(pending, "half a list").isOk()) std::_Exit(3);
            if (!platform::writeNewFile(kept, "whole list").isOk()) std::_Exit(3);
            platform::TemporaryFile saving(pending);
            platform::TemporaryFile done(kept);
            done.keep();
            startup::endProgram(1);
        },
        ::testing::ExitedWithCode(1), "");
    EXPECT_FALSE(platform::isFile(pending));
    EXPECT_TRUE(platform::isFile(kept));
}
#endif

}  // namespace
