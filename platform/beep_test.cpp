#include "platform/beep.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace platform {
namespace {

using namespace std::chrono_literals;

// A player whose tone lasts until the test releases it.
struct HeldPlayer {
    std::mutex mutex;
    std::condition_variable changed;
    bool released = false;
    std::vector<std::pair<int, int>> played;

    void play(int hz, int ticks) {
        std::unique_lock lock(mutex);
        played.emplace_back(hz, ticks);
        changed.notify_all();
        changed.wait(lock, [this] { return released; });
    }
    void waitStarted(std::size_t n) {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(changed.wait_for(lock, 10s, [&] { return played.size() >= n; }));
    }
    void release() {
        std::lock_guard lock(mutex);
        released = true;
        changed.notify_all();
    }
    std::vector<std::pair<int, int>> tones() {
        std::lock_guard lock(mutex);
        return played;
    }
};

TEST(BackgroundBeeper, ReturnsWhileTheToneSoundsAndDropsBeepsMeanwhile) {
    HeldPlayer player;
    BackgroundBeeper beeper([&](int hz, int ticks) { player.play(hz, ticks); });
    beeper.beep(300, 5);  // would block for ever if beep() waited for the tone
    player.waitStarted(1);
    beeper.beep(300, 10);
    beeper.beep(440, 2);
    EXPECT_FALSE(beeper.waitIdle(20ms));
    player.release();
    ASSERT_TRUE(beeper.waitIdle(10s));
    EXPECT_EQ(player.tones(), (std::vector<std::pair<int, int>>{{300, 5}}));

    beeper.beep(300, 10);  // idle again: this one plays
    ASSERT_TRUE(beeper.waitIdle(10s));
    EXPECT_EQ(player.tones(), (std::vector<std::pair<int, int>>{{300, 5}, {300, 10}}));
}

TEST(BackgroundBeeper, DestructorWaitsForTheToneInProgress) {
    HeldPlayer player;
    std::atomic<bool> finished{false};
    std::thread releaser;
    {
        BackgroundBeeper beeper([&](int hz, int ticks) {
            player.play(hz, ticks);
            finished = true;
        });
        beeper.beep(300, 5);
        player.waitStarted(1);
        releaser = std::thread([&] {
            std::this_thread::sleep_for(50ms);
            player.release();
        });
    }
    EXPECT_TRUE(finished);
    releaser.join();
}

TEST(BackgroundBeeper, UnusedBeeperIsIdle) {
    BackgroundBeeper beeper([](int, int) { FAIL() << "nothing should play"; });
    EXPECT_TRUE(beeper.waitIdle(0ms));
}

struct Recorder : Beeper {
    std::vector<std::pair<int, int>> tones;
    void beep(int hz, int ticks) override { tones.emplace_back(hz, ticks); }
};

TEST(Beep, GoesToTheInstalledBeeper) {
    Recorder recorder;
    Beeper* old = setBeeper(&recorder);
    beep(300, 5);
    beep(300, 10);
    setBeeper(old);
    EXPECT_EQ(recorder.tones, (std::vector<std::pair<int, int>>{{300, 5}, {300, 10}}));
}

#ifdef _WIN32
TEST(PlayTone, WindowsBeepReturnsAfterTheTone) {
    // A PC without a speaker makes Beep() fail: NotFound, and nothing heard.
    const auto start = std::chrono::steady_clock::now();
    const Status st = playTone(300, 2);
    EXPECT_TRUE(st.isOk() || st.code() == Status::Code::NotFound) << st.message();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_TRUE(playTone(10, 5).isOk());  // below 20 Hz: nothing played
    EXPECT_TRUE(playTone(300, 0).isOk());
}
#endif

}  // namespace
}  // namespace platform
