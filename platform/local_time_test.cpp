#include "platform/local_time.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// The time zone is set in a process of the test's own (a death test), so
// that no other test sees it. "ABC-5:30" and "XYZ8" mean the same to the
// POSIX C library and to Windows' C runtime: 5:30 east and 8 hours west of
// UTC, without summer time.
struct Case {
    const char* zone;
    std::time_t when;
    int year, month, day, hour, minute, second;  // year from 1900, month from 0
};

const Case kCases[] = {
    {"TZ=ABC-5:30", 0, 70, 0, 1, 5, 30, 0},
    {"TZ=ABC-5:30", 1'700'000'000, 123, 10, 15, 3, 43, 20},  // 22:13:20 UTC the day before
    {"TZ=XYZ8", 1'700'000'000, 123, 10, 14, 14, 13, 20},
    {"TZ=XYZ8", 951'825'600, 100, 1, 29, 4, 0, 0},  // 2000-02-29 12:00 UTC
    // Beyond any calendar the system keeps: every field zero.
    {"TZ=XYZ8", std::time_t(1'000'000'000'000'000'000), 0, 0, 0, 0, 0, 0},
};

std::string faultsIn(const Case& c) {
    putenv(const_cast<char*>(c.zone));
    tzset();
    const std::tm t = platform::localTime(c.when);
    const int got[] = {t.tm_year, t.tm_mon, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec};
    const int want[] = {c.year, c.month, c.day, c.hour, c.minute, c.second};
    std::string faults;
    for (int i = 0; i < 6; ++i) {
        if (got[i] == want[i]) continue;
        faults += std::string(c.zone) + " at " + std::to_string(c.when) + ": field " +
                  std::to_string(i) + " is " + std::to_string(got[i]) + ", not " +
                  std::to_string(want[i]) + "\n";
    }
    return faults;
}

TEST(LocalTimeDeathTest, FollowsTheTimeZoneAndGivesZeroesBeyondTheCalendar) {
    EXPECT_EXIT(
        {
            std::string faults;
            for (const Case& c : kCases) faults += faultsIn(c);
            std::fputs(faults.c_str(), stderr);
            std::fflush(stderr);
            std::_Exit(faults.empty() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
