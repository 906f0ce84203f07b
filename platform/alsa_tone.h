#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/status.h"

// The beep's tone on Linux, through ALSA. Not built on Windows.
namespace platform::alsa {

constexpr int kSampleRate = 48000;  // mono, signed 16-bit
constexpr int kLeadMs = 30;         // silence before the tone: a device waking up
                                    // from power saving may swallow its first moments
constexpr int kPaddingMs = 120;     // silence after the tone, so buffering does not cut it
constexpr int kRampMs = 4;          // fade in and out, so the tone does not click

// The samples of one beep: kLeadMs of silence, a sine of `hz` for `ticks`/18 s
// with short fades, then kPaddingMs of silence.
std::vector<std::int16_t> toneSamples(int hz, int ticks);

// Opens the ALSA PCM `device` ("default", "hw:0", "file:'/tmp/x.raw',raw", ...)
// without waiting for a busy device, plays toneSamples(hz, ticks) and waits
// until the device has played it. NotFound when the device cannot be opened,
// IoError when it refuses the format or the samples. Never prints ALSA's own
// error texts. Any thread; each call opens and closes the device.
Status playToneOn(const std::string& device, int hz, int ticks);

}  // namespace platform::alsa
