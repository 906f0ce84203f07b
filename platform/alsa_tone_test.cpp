// The beep's tone, played into ALSA's file plugin and measured.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/alsa_tone.h"
#include "platform/beep.h"
#include "testsupport/temp_dir.h"

namespace platform::alsa {
namespace {

using namespace std::chrono_literals;

struct Measured {
    double leadSeconds = 0;   // silence before the first audible sample
    double toneSeconds = 0;   // from the first to the last audible sample
    double totalSeconds = 0;  // everything written, padding included
    double hz = 0;            // by zero crossings within the tone
};

Measured measure(const std::string& raw) {
    std::vector<std::int16_t> s(raw.size() / 2);
    for (std::size_t i = 0; i < s.size(); ++i) {
        s[i] = std::int16_t(std::uint8_t(raw[2 * i]) | (std::uint8_t(raw[2 * i + 1]) << 8));
    }
    Measured m;
    m.totalSeconds = double(s.size()) / kSampleRate;
    std::size_t first = s.size(), last = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (std::abs(s[i]) > 50) {
            first = std::min(first, i);
            last = i;
        }
    }
    if (first >= last) return m;
    m.leadSeconds = double(first) / kSampleRate;
    m.toneSeconds = double(last - first + 1) / kSampleRate;
    int crossings = 0;
    for (std::size_t i = first + 1; i <= last; ++i) {
        if ((s[i - 1] < 0) != (s[i] < 0)) ++crossings;
    }
    m.hz = crossings / 2.0 / m.toneSeconds;
    return m;
}

// A configuration of our own, so the test neither depends on the machine's
// sound card nor makes a sound: "default" writes into a file.
class AlsaToneTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = new testsupport::TempDir;
        dir->write("asound.conf", "pcm.!default { type file slave { pcm { type null } } file \"" +
                                      dir->file("default.raw") +
                                      "\" format raw }\n"
                                      "pcm.tofile { type file slave { pcm { type null } } file \"" +
                                      dir->file("named.raw") +
                                      "\" format raw }\n"
                                      "pcm.nocard { type hw card 97 }\n");
        setenv("ALSA_CONFIG_PATH", dir->file("asound.conf").c_str(), 1);
    }
    static void TearDownTestSuite() {
        unsetenv("ALSA_CONFIG_PATH");
        delete dir;
    }
    static testsupport::TempDir* dir;
};
testsupport::TempDir* AlsaToneTest::dir = nullptr;

TEST_F(AlsaToneTest, ToneHasItsLengthAndPitchFollowedBySilence) {
    struct Case {
        int hz, ticks;
    };
    for (Case c : {Case{300, 5}, Case{300, 10}, Case{1000, 2}}) {
        SCOPED_TRACE(testing::Message() << c.hz << " Hz, " << c.ticks << " ticks");
        std::remove(dir->file("named.raw").c_str());
        ASSERT_TRUE(playToneOn("tofile", c.hz, c.ticks).isOk());
        Measured m = measure(dir->read("named.raw"));
        EXPECT_NEAR(m.toneSeconds, c.ticks / 18.0, 0.01);
        EXPECT_NEAR(m.leadSeconds, kLeadMs / 1000.0, 0.002);
        EXPECT_NEAR(m.totalSeconds, (kLeadMs + kPaddingMs) / 1000.0 + c.ticks / 18.0, 0.01);
        EXPECT_NEAR(m.hz, c.hz, c.hz * 0.03);
    }
}

TEST_F(AlsaToneTest, NothingIsPlayedForAToneOutOfRange) {
    std::remove(dir->file("named.raw").c_str());
    for (auto [hz, ticks] : {std::pair{300, 0}, {300, -3}, {0, 5}, {19, 5}, {25000, 5}}) {
        EXPECT_TRUE(playToneOn("tofile", hz, ticks).isOk());
        EXPECT_TRUE(toneSamples(hz, ticks).empty());
    }
    EXPECT_EQ(dir->read("named.raw"), "");
}

TEST_F(AlsaToneTest, MissingDeviceFailsAtOnce) {
    Status s = playToneOn("nocard", 300, 5);
    EXPECT_EQ(s.code(), Status::Code::NotFound);
    EXPECT_EQ(playToneOn("no_such_device_name", 300, 5).code(), Status::Code::NotFound);
}

TEST_F(AlsaToneTest, BeepPlaysOnTheDefaultDeviceWithoutWaiting) {
    std::remove(dir->file("default.raw").c_str());
    beep(300, 5);
    ASSERT_TRUE(waitForBeeps(20s));
    Measured m = measure(dir->read("default.raw"));
    EXPECT_NEAR(m.toneSeconds, 5 / 18.0, 0.01);
    EXPECT_NEAR(m.hz, 300, 9);
}

}  // namespace
}  // namespace platform::alsa
