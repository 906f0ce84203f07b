// The default error handler and the table engine together: a table another
// process holds exclusively cannot be opened, and where a default is allowed
// the open fails quietly (no dialogue, no table), as the lookup relies on.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>

#include "errors/standard_eh.h"
#include "workareas/work_area.h"
#include "testsupport/scripted_dialogs.h"
#include "testsupport/temp_dir.h"

namespace {

TEST(HeldTableTest, OpenOfATableHeldExclusivelyElsewhereFailsQuietly) {
    testsupport::TempDir dir;
    const std::string table = dir.file("istock.dbf");
    ASSERT_TRUE(workareas::createTable(table, {{"CODE", 'C', 7, 0}}));

    int ready[2], release[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(release), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {  // the point-of-sale holding the table
        bool ok = workareas::useArea(table, "held", false, false);
        char c = ok ? 'y' : 'n';
        (void)!write(ready[1], &c, 1);
        (void)!read(release[0], &c, 1);
        workareas::closeAll();
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    ASSERT_EQ(c, 'y');

    testsupport::ScriptedDialogs dialogs;  // no answers: any dialogue fails the test
    errors::Services services;
    services.dialogs = &dialogs;
    errors::Handler previous = errors::setHandler(errors::standardHandler(services));
    bool opened = workareas::useArea(table, "istock", true, true);
    errors::setHandler(previous);

    EXPECT_FALSE(opened);
    EXPECT_FALSE(workareas::isUsed());
    EXPECT_TRUE(dialogs.boxes().empty());
    workareas::closeAll();

    (void)!write(release[1], "x", 1);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status));
    // Released: the same open now works.
    EXPECT_TRUE(workareas::useArea(table, "istock", true, true));
    workareas::closeAll();
}

}  // namespace
#endif
