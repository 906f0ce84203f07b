#include "app/guarded_application.h"

#include <gtest/gtest.h>

#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>

#include "errors/error.h"
#include "errors/standard_eh.h"
#include "testsupport/scripted_dialogs.h"

namespace {

// In a child process: an application whose first event runs `slot`. Exits
// with the loop's result when the slot returns (it quits the loop).
[[noreturn]] void runSlot(const std::function<void()>& slot, const std::string& logFolder) {
    int argc = 3;
    char arg0[] = "test", arg1[] = "-platform", arg2[] = "offscreen";
    char* argv[] = {arg0, arg1, arg2, nullptr};
    app::GuardedApplication application(argc, argv);
    testsupport::ScriptedDialogs dialogs;
    errors::Services services;
    services.dialogs = &dialogs;
    services.logFolder = logFolder;
    errors::setInstalledServices(services);  // endProgram empty: ends at once
    QTimer::singleShot(0, &application, [&] {
        slot();
        QCoreApplication::exit(7);
    });
    std::_Exit(application.exec());
}

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(GuardedApplicationDeathTest, WhatEscapesASlotEndsTheProgramWithTheLog) {
    // The child may run this test afresh (always so on Windows), so each case
    // has a folder of a fixed name in the test's working folder.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    struct Case {
        const char* name;
        std::function<void()> slot;
        int exitCode;
        std::string description;  // in the log; "" for none
    };
    const Case cases[] = {
        {"the slot returns", [] {}, 7, ""},
        {"an error unwound by the user",
         [] {
             errors::Error e;
             e.description = "list table damaged";
             throw errors::Unwind(e);
         },
         1, "list table damaged"},
        {"another exception", [] { throw std::out_of_range("vector::at"); }, 1, "vector::at"},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::filesystem::path dir =
            std::filesystem::current_path() / ("guarded_application_test." + std::to_string(++n));
        std::filesystem::remove_all(dir);
        std::filesystem::create_directory(dir);
        EXPECT_EXIT(runSlot(c.slot, dir.string()), ::testing::ExitedWithCode(c.exitCode), "");
        const std::string log = fileText((dir / "KRLERROR.LOG").string());
        if (c.description.empty()) {
            EXPECT_EQ(log, "");
        } else {
            EXPECT_NE(log.find("oError:description  : " + c.description + "\r\n"),
                      std::string::npos)
                << log;
        }
        std::filesystem::remove_all(dir);
    }
}

}  // namespace
