// The mixer's cost, per second of 16-bit stereo audio at 44.1 kHz mixed in the output
// thread's blocks (an eighth of 50 ms): 32 voices from memory, and streamed MP3 voices, all
// plays of one clip against as many plays of clips of their own. core_percent is the share
// of one core that keeps up with real time. Also what making the output costs the thread
// that makes it, the game's main thread at start-up.

#include "audio/AudioDevice.h"
#include "audio/AudioMixer.h"
#include "audio/AudioOutput.h"
#include "lang/Debug.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

namespace {

const audio::AudioFormat kFormat(2, 16, 44100);
const int kBlock = 5512 / 8 * kFormat.blockAlign(); // what the pump mixes at a time
const int kBlocksPerSecond = kFormat.byteRate() / kBlock;

double threadSeconds()
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

/// Mixes a second of audio per iteration; time is per second of audio.
void mixSeconds(benchmark::State& s, audio::AudioMixer* mixer)
{
    std::vector<uint8_t> out(static_cast<size_t>(kBlock));
    const double start = threadSeconds();
    for (auto _ : s)
        for (int i = 0; i < kBlocksPerSecond; ++i)
            mixer->mix(out.data(), kBlock);
    const double used = threadSeconds() - start;
    // How many seconds of audio one core mixes a second, and the share of a core real time takes.
    s.counters["audio_seconds_per_second"] = benchmark::Counter(static_cast<double>(s.iterations()), benchmark::Counter::kIsRate);
    s.counters["core_percent"] = 100 * used / static_cast<double>(s.iterations());
}

/// Four seconds of a stereo chord whose loudness swells, encoded by lame once per run into a
/// directory removed at exit.
class Music
{
public:
    Music()
    {
        char pattern[] = "/tmp/pelterra-bench-XXXXXX";
        if (const char* made = mkdtemp(pattern))
            m_dir = made;
        std::vector<int16_t> samples;
        for (int i = 0; i < 4 * 44100; ++i) {
            const double t = i / 44100.0, swell = 0.6 + 0.4 * std::sin(2 * M_PI * 0.5 * t);
            samples.push_back(int16_t(swell * (4000 * std::sin(2 * M_PI * 220 * t) + 3000 * std::sin(2 * M_PI * 277.2 * t))));
            samples.push_back(int16_t(swell * (4000 * std::sin(2 * M_PI * 330 * t) + 3000 * std::sin(2 * M_PI * 440 * t))));
        }
        auto u32 = [](uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
        const std::string data(reinterpret_cast<const char*>(samples.data()), samples.size() * 2);
        const std::string fmt = std::string{1, 0, 2, 0} + u32(44100) + u32(44100 * 4) + std::string{4, 0, 16, 0};
        std::ofstream(m_dir + "/music.wav", std::ios::binary)
            << "RIFF" << u32(uint32_t(4 + 8 + fmt.size() + 8 + data.size())) << "WAVE" << "fmt " << u32(16) << fmt
            << "data" << u32(uint32_t(data.size())) << data;
        const std::string command = "lame --quiet -b 160 '" + m_dir + "/music.wav' '" + path() + "'";
        if (m_dir.empty() || std::system(command.c_str()) != 0)
            std::fprintf(stderr, "bench_audio: could not make %s with lame\n", path().c_str());
    }
    ~Music() { std::system(("rm -rf '" + m_dir + "'").c_str()); }

    std::string path() const { return m_dir + "/music.mp3"; }

private:
    std::string m_dir;
};

const Music& music()
{
    static Music made;
    return made;
}

} // namespace

static void MixThirtyTwoVoices(benchmark::State& s)
{
    lang::Ptr<audio::AudioMixer> mixer = new audio::AudioMixer(kFormat);
    mixer->start();
    std::vector<lang::Ptr<audio::AudioClip>> clips;
    for (int voice = 0; voice < 32; ++voice) {
        std::vector<int16_t> samples(44100 * 2);
        for (size_t i = 0; i < samples.size(); ++i)
            samples[i] = int16_t(3000 * std::sin(0.01 * double(i) * (voice + 1)));
        clips.push_back(new audio::AudioClip(samples.data(), int(samples.size() * 2), kFormat));
        mixer->play(clips.back().ptr(), 0.8f, true, voice % 9);
    }
    mixSeconds(s, mixer.ptr());
}
BENCHMARK(MixThirtyTwoVoices)->Unit(benchmark::kMillisecond);

/// Looping plays of the streamed music, each started a block after the one before, so no
/// two stand at the same place; the plays share clips round robin.
static void MixStreamedMp3(benchmark::State& s)
{
    const int plays = static_cast<int>(s.range(0)), clipCount = static_cast<int>(s.range(1));
    lang::Ptr<audio::AudioMixer> mixer = new audio::AudioMixer(kFormat);
    mixer->start();
    std::vector<lang::Ptr<audio::AudioClip>> clips;
    for (int i = 0; i < clipCount; ++i)
        clips.push_back(new audio::AudioClip(lang::String(music().path())));
    std::vector<uint8_t> out(static_cast<size_t>(kBlock));
    for (int i = 0; i < plays; ++i) {
        mixer->play(clips[static_cast<size_t>(i % clipCount)].ptr(), 0.5f, true, i % 9);
        mixer->mix(out.data(), kBlock);
    }
    mixSeconds(s, mixer.ptr());
}
BENCHMARK(MixStreamedMp3)
    ->ArgNames({"plays", "clips"})
    ->Args({2, 1})
    ->Args({2, 2})
    ->Args({32, 1})
    ->Args({32, 32})
    ->Unit(benchmark::kMillisecond);

namespace {

void quiet(const char*, void*)
{
}

} // namespace

// The time the calling thread spends making and starting the output, the device closed
// again each time. Arg 0: the device opened on the calling thread, as the output did before
// it opened it on a worker; 1: the output as it is. Once per process: the first opening is
// the one a game's start-up waits for (a driver that fails is not tried again), so run each
// in a process of its own, with SDL_AUDIODRIVER "dummy" and unset (SDL's own pick).
static void MakeOutput(benchmark::State& s)
{
    lang::setLogSink(&quiet, nullptr);
    for (auto _ : s) {
        if (s.range(0) == 0) {
            lang::Ptr<audio::AudioOutputImpl> device = audio::AudioOutputImpl::open(kFormat);
            s.PauseTiming();
            device = nullptr;
            s.ResumeTiming();
        } else {
            lang::Ptr<audio::AudioOutput> output = new audio::AudioOutput(kFormat);
            output->start();
            s.PauseTiming();
            output = nullptr;
            s.ResumeTiming();
        }
    }
    lang::setLogSink(nullptr, nullptr);
}
BENCHMARK(MakeOutput)->ArgName("worker")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);
