#include "startup/restart_policy.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using startup::DisplayEnd;
using startup::WatchdogStep;
using Kind = DisplayEnd::Kind;
using std::chrono::seconds;

struct Event {
    int at;  // seconds from the watchdog's start
    Kind kind;
    WatchdogStep expected;
};

struct Case {
    const char* name;
    std::vector<Event> events;
};

constexpr auto R = WatchdogStep::Restart, E = WatchdogStep::End, G = WatchdogStep::GiveUp;

// Each case feeds one watchdog the ends of its display in turn, with a fake
// clock (seconds from the start).
const Case kCases[] = {
    {"a normal close ends the watchdog", {{5, Kind::Closed, E}}},
    {"a normal close after crashes ends it too", {{1, Kind::Crashed, R}, {2, Kind::Hung, R}, {3, Kind::Closed, E}}},
    {"every abnormal end restarts",
     {{1, Kind::Crashed, R}, {30, Kind::Failed, R}, {60, Kind::Hung, R}, {90, Kind::FailedToStart, R}}},
    {"five restarts within two minutes, then the sixth end gives up",
     {{1, Kind::Crashed, R}, {2, Kind::Crashed, R}, {3, Kind::Crashed, R}, {4, Kind::Crashed, R},
      {5, Kind::Crashed, R}, {6, Kind::Crashed, G}}},
    {"restarts spread over more than two minutes never give up",
     {{0, Kind::Crashed, R}, {30, Kind::Crashed, R}, {60, Kind::Crashed, R}, {90, Kind::Crashed, R},
      {120, Kind::Crashed, R}, {150, Kind::Crashed, R}, {180, Kind::Hung, R}, {210, Kind::Crashed, R}}},
    {"a restart exactly two minutes old no longer counts",
     {{0, Kind::Crashed, R}, {1, Kind::Crashed, R}, {2, Kind::Crashed, R}, {3, Kind::Crashed, R},
      {4, Kind::Crashed, R}, {120, Kind::Crashed, R}, {120, Kind::Crashed, G}}},
    {"a burst long after another starts counting anew",
     {{0, Kind::Crashed, R}, {1, Kind::Crashed, R}, {2, Kind::Crashed, R}, {3, Kind::Crashed, R},
      {600, Kind::Failed, R}, {601, Kind::Failed, R}, {602, Kind::Failed, R}, {603, Kind::Failed, R},
      {604, Kind::Failed, R}, {605, Kind::Failed, G}}},
};

TEST(RestartPolicyTest, DecidesEachEndOfTheDisplay) {
    for (const Case& c : kCases) {
        startup::RestartPolicy policy;
        const startup::WatchdogClock::time_point start{};
        for (std::size_t i = 0; i < c.events.size(); ++i) {
            const Event& e = c.events[i];
            EXPECT_EQ(policy.ended({e.kind, 1}, start + seconds(e.at)), e.expected)
                << c.name << ", end " << i << " at " << e.at << " s";
        }
    }
}

TEST(RestartPolicyTest, CountsOnlyTheRestartsOfTheLastTwoMinutes) {
    startup::RestartPolicy policy;
    const startup::WatchdogClock::time_point start{};
    for (int at : {0, 10, 100}) policy.ended({Kind::Crashed, 9}, start + seconds(at));
    EXPECT_EQ(policy.recentRestarts(start + seconds(100)), 3);
    EXPECT_EQ(policy.recentRestarts(start + seconds(125)), 2);
    EXPECT_EQ(policy.recentRestarts(start + seconds(220)), 0);
}

TEST(RestartPolicyTest, HungAfterThirtySecondsWithoutASign) {
    const startup::WatchdogClock::time_point sign{seconds(1000)};
    const std::pair<std::chrono::milliseconds, bool> cases[] = {
        {std::chrono::milliseconds(0), false},
        {std::chrono::milliseconds(29'999), false},
        {std::chrono::milliseconds(30'000), true},
        {std::chrono::milliseconds(90'000), true},
    };
    for (const auto& [after, hung] : cases) {
        EXPECT_EQ(startup::isHung(sign, sign + after), hung) << after.count() << " ms";
    }
}

TEST(RestartPolicyTest, TellsHowTheDisplayEnded) {
    const std::pair<DisplayEnd, std::string> cases[] = {
        {{Kind::Closed, 0}, "it was closed (exit code 0)"},
        {{Kind::Failed, 1}, "it ended after an error (exit code 1)"},
        {{Kind::Crashed, 9}, "it crashed or was killed (code 9)"},
        {{Kind::Hung, 9}, "it did not answer for 30 seconds and was killed"},
        {{Kind::FailedToStart, 0}, "it could not be started"},
    };
    for (const auto& [end, text] : cases) EXPECT_EQ(startup::describeEnd(end), text);
}

}  // namespace
