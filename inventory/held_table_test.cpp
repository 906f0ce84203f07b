// The default error handler and the table engine together: a table another
// process holds exclusively cannot be opened, and where a default is allowed
// the open fails quietly (no dialogue, no table), as the lookup relies on.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>

#include <memory>

#include "errors/standard_eh.h"
#include "errors/table_errors.h"
#include "tables/table.h"
#include "testsupport/scripted_dialogs.h"
#include "testsupport/temp_dir.h"

namespace {

TEST(HeldTableTest, OpenOfATableHeldExclusivelyElsewhereFailsQuietly) {
    testsupport::TempDir dir;
    const std::string table = dir.file("istock.dbf");
    ASSERT_TRUE(tables::Table::create(table, {{"CODE", 'C', 7, 0}}).isOk());
    // An open as the lookup does it: through the error handler.
    auto open = [&](bool shared, bool readOnly) {
        std::unique_ptr<tables::Table> t;
        return errors::TableAction("DbUseArea")
            .run(errors::TableStep::Open,
                 [&] { return tables::Table::open(table, shared, readOnly, &t); })
            .isOk();
    };

    int ready[2], release[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(release), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {  // the point-of-sale holding the table
        std::unique_ptr<tables::Table> held;
        char c = tables::Table::open(table, false, false, &held).isOk() ? 'y' : 'n';
        (void)!write(ready[1], &c, 1);
        (void)!read(release[0], &c, 1);
        held.reset();
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    ASSERT_EQ(c, 'y');

    testsupport::ScriptedDialogs dialogs;  // no answers: any dialogue fails the test
    errors::Services services;
    services.dialogs = &dialogs;
    errors::Handler previous = errors::setHandler(errors::standardHandler(services));
    const bool opened = open(true, true);
    errors::setHandler(previous);

    EXPECT_FALSE(opened);
    EXPECT_TRUE(dialogs.boxes().empty());

    (void)!write(release[1], "x", 1);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status));
    // Released: the same open now works.
    EXPECT_TRUE(open(true, true));
}

}  // namespace
#endif
