#include "startup/program_end.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

TEST(ProgramEndDeathTest, RunsTheExitProcedureAndEndsWithTheCode) {
    EXPECT_EXIT(
        {
            startup::setExitProcedure([] { std::fputs("exit-procedure\n", stderr); });
            startup::endProgram(3);
        },
        ::testing::ExitedWithCode(3), "exit-procedure");
}

}  // namespace
