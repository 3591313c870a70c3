// The mixer's cost: 32 voices of 16-bit stereo at 44.1 kHz, mixed in the output thread's
// blocks (an eighth of 50 ms), per second of audio.

#include "audio/AudioMixer.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

static void MixThirtyTwoVoices(benchmark::State& s)
{
    const audio::AudioFormat format(2, 16, 44100);
    lang::Ptr<audio::AudioMixer> mixer = new audio::AudioMixer(format);
    mixer->start();
    std::vector<lang::Ptr<audio::AudioClip>> clips;
    for (int voice = 0; voice < 32; ++voice) {
        std::vector<int16_t> samples(44100 * 2);
        for (size_t i = 0; i < samples.size(); ++i)
            samples[i] = int16_t(3000 * std::sin(0.01 * double(i) * (voice + 1)));
        clips.push_back(new audio::AudioClip(samples.data(), int(samples.size() * 2), format));
        mixer->play(clips.back().ptr(), 0.8f, true, voice % 9);
    }
    const int block = 5512 / 8 * format.blockAlign(); // what the pump mixes at a time
    std::vector<uint8_t> out(static_cast<size_t>(block));
    const int blocksPerSecond = format.byteRate() / block;
    for (auto _ : s)
        for (int i = 0; i < blocksPerSecond; ++i)
            mixer->mix(out.data(), block);
    // Time is per second of audio; this is how many seconds of audio one core mixes a second.
    s.counters["audio_seconds_per_second"] = benchmark::Counter(static_cast<double>(s.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(MixThirtyTwoVoices)->Unit(benchmark::kMillisecond);
