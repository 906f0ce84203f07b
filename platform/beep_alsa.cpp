#include <alsa/asoundlib.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <numbers>

#include "platform/alsa_tone.h"
#include "platform/beep.h"

namespace platform {
namespace alsa {
namespace {

constexpr int kMaxTicks = 180;  // 10 seconds

bool validTone(int hz, int ticks) {
    return hz >= 20 && hz <= 20000 && ticks >= 1;
}

// ALSA writes its own diagnostics to stderr (a machine without a sound card
// would print several lines for every beep); the Status says enough.
void quietErrors(const char*, int, const char*, int, const char*, ...) {}

Status pcmError(const std::string& what, const std::string& device, int err) {
    return Status::ioError(what + " " + device + ": " + snd_strerror(err), -err);
}

}  // namespace

std::vector<std::int16_t> toneSamples(int hz, int ticks) {
    if (!validTone(hz, ticks)) return {};
    ticks = std::min(ticks, kMaxTicks);
    const auto toneFrames =
        static_cast<std::size_t>(std::lround(ticks * kSampleRate / kTicksPerSecond));
    const std::size_t rampFrames = std::size_t(kSampleRate) * kRampMs / 1000;
    const std::size_t leadFrames = std::size_t(kSampleRate) * kLeadMs / 1000;
    const std::size_t padFrames = std::size_t(kSampleRate) * kPaddingMs / 1000;
    std::vector<std::int16_t> samples(leadFrames + toneFrames + padFrames, 0);
    const double step = 2 * std::numbers::pi * hz / kSampleRate;
    for (std::size_t i = 0; i < toneFrames; ++i) {
        double gain = 1.0;
        if (i < rampFrames) gain = double(i) / double(rampFrames);
        if (toneFrames - i < rampFrames) gain = double(toneFrames - i) / double(rampFrames);
        samples[leadFrames + i] =
            static_cast<std::int16_t>(std::lround(12000.0 * gain * std::sin(step * double(i))));
    }
    return samples;
}

Status playToneOn(const std::string& device, int hz, int ticks) {
    static std::once_flag quiet;
    std::call_once(quiet, [] { snd_lib_error_set_handler(quietErrors); });

    std::vector<std::int16_t> samples = toneSamples(hz, ticks);
    if (samples.empty()) return {};

    snd_pcm_t* pcm = nullptr;
    // Non-blocking open: a device held by another program fails at once
    // instead of waiting for it to be released.
    int err = snd_pcm_open(&pcm, device.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    if (err < 0)
        return Status::notFound("no sound device " + device + ": " + snd_strerror(err), -err);

    Status result;
    if ((err = snd_pcm_nonblock(pcm, 0)) < 0) {
        result = pcmError("cannot switch to blocking writes on", device, err);
    } else if ((err = snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED,
                                         1, kSampleRate, 1, 100000)) < 0) {
        result = pcmError("cannot set the tone's format on", device, err);
    } else {
        const std::int16_t* data = samples.data();
        auto left = static_cast<snd_pcm_uframes_t>(samples.size());
        while (left > 0) {
            snd_pcm_sframes_t n = snd_pcm_writei(pcm, data, left);
            if (n < 0) n = snd_pcm_recover(pcm, int(n), 1);  // an underrun: carry on
            if (n < 0) {
                result = pcmError("cannot play the tone on", device, int(n));
                break;
            }
            data += n;
            left -= snd_pcm_uframes_t(n);
        }
        if (result.isOk()) snd_pcm_drain(pcm);
    }
    snd_pcm_close(pcm);
    return result;
}

}  // namespace alsa

Status playTone(int hz, int ticks) {
    return alsa::playToneOn("default", hz, ticks);
}

}  // namespace platform
