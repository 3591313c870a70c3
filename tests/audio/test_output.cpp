// The output over real SDL devices: the disk driver's file checked sample by sample, the
// silent fallback, capture, and plays and stops racing the output thread.

#include "AudioFixture.h"
#include "LogCapture.h"
#include "TempDir.h"

#include "audio/AudioOutput.h"
#include "lang/Exception.h"
#include "lang/Thread.h"
#include "lang/Throwable.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <mutex>
#include <fstream>
#include <iterator>
#include <random>

using audio::AudioFormat;
using audio::AudioOutput;

namespace {

/// Sets an environment variable for the life of the object.
class Environment
{
public:
    Environment(const char* name, const std::string& value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old, m_had = true;
        setenv(name, value.c_str(), 1);
    }
    ~Environment()
    {
        if (m_had)
            setenv(m_name, m_old.c_str(), 1);
        else
            unsetenv(m_name);
    }

private:
    const char* m_name;
    std::string m_old;
    bool m_had = false;
};

/// Waits up to three seconds for a play to end: the devices play in real time, and a busy
/// test machine may run the output thread late.
bool ends(AudioOutput& output, int handle)
{
    for (int waited = 0; waited < 3000 && output.isPlaying(handle); waited += 10)
        lang::Thread::sleep(10);
    return !output.isPlaying(handle);
}

std::vector<int16_t> readSamples(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<int16_t> samples(bytes.size() / 2);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = int16_t(uint8_t(bytes[2 * i]) | uint8_t(bytes[2 * i + 1]) << 8);
    return samples;
}

TEST(DiskDevice, WritesTheMixExactly)
{
    TempDir dir;
    Environment driver("SDL_AUDIODRIVER", "disk");
    Environment file("SDL_DISKAUDIOFILE", dir / "out.raw");
    std::vector<int16_t> ramp;
    for (int i = 1; i <= 4410; ++i)
        ramp.push_back(int16_t(i * 7));
    lang::Ptr<audio::AudioClip> clip = clip16(ramp);
    lang::Ptr<audio::AudioClip> loud = clip16(std::vector<int16_t>(441, 30000));
    {
        AudioOutput output(AudioFormat(1, 16, 44100));
        ASSERT_TRUE(output.start());
        const int handle = output.play(clip.ptr(), 1, false, 0);
        EXPECT_GE(handle, 0);
        EXPECT_TRUE(ends(output, handle));
        output.play(loud.ptr(), 1, false, 1);
        EXPECT_TRUE(ends(output, output.play(loud.ptr(), 1, false, 1)));
        // 100 ms of silence after it can only be mixed once the device has taken the loud
        // samples out of the 50 ms queue.
        EXPECT_TRUE(ends(output, output.play(clip16(std::vector<int16_t>(4410, 0)).ptr(), 1, false, 0)));
        output.stop();
    }
    const std::vector<int16_t> out = readSamples(dir / "out.raw");
    auto first = std::find(out.begin(), out.end(), int16_t(7));
    ASSERT_NE(first, out.end()) << out.size() << " samples written, the ramp not among them";
    ASSERT_GE(out.end() - first, 4410);
    EXPECT_EQ(std::vector<int16_t>(first, first + 4410), ramp);
    auto clamped = std::find(first + 4410, out.end(), int16_t(32767));
    ASSERT_NE(clamped, out.end());
    EXPECT_EQ(std::count(clamped, clamped + 441, int16_t(32767)), 441);
    EXPECT_EQ(std::count(first + 4410, clamped, int16_t(0)), clamped - first - 4410); // silence between
}

TEST(NoDevice, FallsBackToSilence)
{
    // In a child process: the fallback holds for the rest of the process it happens in.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        setenv("SDL_AUDIODRIVER", "nosuchdriver", 1);
        LogCapture log;
        int code = 0;
        try {
            {
                AudioOutput output(AudioFormat(2, 16, 22050));
                if (!output.start())
                    code = 2;
                lang::Ptr<audio::AudioClip> clip = clip16(std::vector<int16_t>(2205, 100));
                const int handle = output.play(clip.ptr(), 1, false, 0);
                if (handle < 0 || !ends(output, handle)) // the silent device consumes in real time
                    code = 3;
            }
            // Silent devices open one at a time, as outputs are replaced.
            AudioOutput second(AudioFormat(1, 8, 8000));
        } catch (const lang::Throwable& e) {
            std::fprintf(stderr, "%s\n", e.getMessage().c_str());
            code = 4;
        }
        if (log.text().find("Audio: no sound device (") != 0 || log.text().find("playing silently\n") == std::string::npos ||
            log.text().find("Audio: no sound device", 1) != std::string::npos)
            code = code ? code : 5; // said once, however many outputs follow
        _exit(code);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(Capture, StartsStopsAndKeepsTheLatestSound)
{
    LogCapture quiet;
    audio::AudioInput input(AudioFormat(1, 16, 16000));
    input.start();
    input.start();
    lang::Thread::sleep(50);
    uint8_t buffer[4000];
    EXPECT_LE(input.latest(buffer, sizeof(buffer)), 1600); // the 50 ms ring
    input.stop();
    input.stop();
    EXPECT_FALSE(input.isStarted());
}

TEST(OutputThread, PlaysAndStopsRaceTheMixerCleanly)
{
    TempDir dir;
    std::vector<int16_t> tone;
    for (int i = 0; i < 2000; ++i)
        tone.push_back(int16_t((i % 100) * 300 - 15000));
    dir.write("tone.wav", riff({{"fmt ", fmt(1, 1, 44100, 16)}, {"data", bytesOf(tone)}}));
    std::vector<lang::Ptr<audio::AudioClip>> clips = {clip16(tone), clip16(tone, 2),
                                                      new audio::AudioClip(lang::String(dir / "tone.wav"))};
    AudioOutput output(AudioFormat(2, 16, 44100));
    ASSERT_TRUE(output.start());
    output.setTrackLimit(1, 3);
    std::mt19937 random(7);
    std::vector<int> handles;
    int plays = 0, refused = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < end) {
        audio::AudioClip* clip = clips[random() % clips.size()].ptr();
        switch (random() % 8) {
        case 0: output.stop(clip); break;
        case 1: output.setTrackVolume(int(random() % 9), float(random() % 100) / 80); break;
        case 2: output.setPlayVolume(handles.empty() ? 0 : handles.back(), 0.5f); break;
        case 3: output.isClipPlaying(clip); break;
        case 4:
            if (random() % 50 == 0)
                output.stopAll();
            break;
        default: {
            const int handle = output.play(clip, 0.3f, random() % 10 == 0, int(random() % 3));
            (handle >= 0 ? plays : refused) += 1;
            if (handle >= 0)
                handles.push_back(handle);
        }
        }
        if (handles.size() > 64)
            handles.erase(handles.begin(), handles.begin() + 32);
        lang::Thread::sleep(random() % 3 == 0 ? 1 : 0);
    }
    output.stopAll();
    lang::Thread::sleep(20);
    for (int handle : handles)
        EXPECT_FALSE(output.isPlaying(handle));
    output.stop();
    EXPECT_GT(plays, 100);
    EXPECT_GT(refused, 0); // track 1 filled up now and then
}

// Clips replaced under their names while the output thread mixes their plays: streamed WAV
// and MP3 files, whose plays open decoders on the output thread, and memory clips. Every
// replaced clip must be let go on this thread, never half-counted or destroyed by the mixer
// (ThreadSanitizer watches the counts in test.sh's run).
TEST(OutputThread, ClipsReplacedWhilePlayingAreReleasedOnTheCallingThread)
{
    TempDir dir;
    std::vector<int16_t> tone;
    for (int i = 0; i < 4410; ++i)
        tone.push_back(int16_t((i % 50) * 600 - 15000));
    dir.write("tone.wav", riff({{"fmt ", fmt(1, 1, 44100, 16)}, {"data", bytesOf(tone)}}));
    const std::string command = "lame --quiet -b 64 '" + dir / "tone.wav" + "' '" + dir / "tone.mp3" + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    const std::vector<uint8_t> bytes = pcm16(tone);

    Destructions tally;
    int made = 0;
    std::mt19937 random(5);
    auto make = [&]() -> audio::AudioClip* {
        ++made;
        switch (random() % 4) {
        case 0: return new CountedClip(&tally, lang::String(dir / "tone.wav"));
        case 1: return new CountedClip(&tally, lang::String(dir / "tone.mp3"));
        case 2: return new CountedClip(&tally, bytes.data(), int(bytes.size()), AudioFormat(1, 16, 44100));
        default: return new CountedClip(&tally, bytes.data(), int(bytes.size()), AudioFormat(2, 16, 44100));
        }
    };
    std::vector<lang::Ptr<audio::AudioClip>> slots(4);
    {
        AudioOutput output(AudioFormat(2, 16, 44100));
        ASSERT_TRUE(output.start());
        for (lang::Ptr<audio::AudioClip>& slot : slots)
            slot = make();
        int plays = 0, replaced = 0;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (std::chrono::steady_clock::now() < end) {
            lang::Ptr<audio::AudioClip>& slot = slots[random() % slots.size()];
            switch (random() % 6) {
            case 0:
            case 1: output.replaceClip(slot, make()); ++replaced; break;
            case 2: output.stop(slot.ptr()); break;
            default: plays += output.play(slot.ptr(), 0.3f, random() % 4 == 0, int(random() % 9)) >= 0; break;
            }
            lang::Thread::sleep(random() % 2);
        }
        EXPECT_GT(plays, 100);
        EXPECT_GT(replaced, 100);
        EXPECT_EQ(tally.elsewhere, 0);
    }
    slots.clear();
    EXPECT_EQ(tally.here, made);
    EXPECT_EQ(tally.elsewhere, 0);
}

} // namespace

namespace {

/// A device that takes whatever is queued at once and keeps it, for a test to read while the
/// output thread writes.
class TakingDevice : public audio::AudioOutputImpl
{
public:
    bool resume() override { return resumed = true; }
    void pause() override {}
    int queued() override { return 0; }
    void queue(const void* data, int n) override
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_bytes.insert(m_bytes.end(), static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + n);
    }
    void clear() override {}
    /// Whether the bytes taken so far hold sample twice in a row.
    bool holds(int16_t sample)
    {
        std::lock_guard<std::mutex> lock(m_lock);
        const std::vector<uint8_t> pair = pcm16({sample, sample});
        return std::search(m_bytes.begin(), m_bytes.end(), pair.begin(), pair.end()) != m_bytes.end();
    }
    std::atomic<bool> resumed{false};

private:
    std::mutex m_lock;
    std::vector<uint8_t> m_bytes;
};

/// Opens a TakingDevice after a delay, on the output's opener thread. The test keeps the
/// device: only the opener counts a reference to it while it runs (counts are not atomic).
AudioOutput::Opener slowOpener(TakingDevice* device, int milliseconds)
{
    return [device, milliseconds](const AudioFormat&) -> lang::Ptr<audio::AudioOutputImpl> {
        lang::Thread::sleep(milliseconds);
        return device;
    };
}

} // namespace

TEST(OpeningDevice, StartUpDoesNotWaitAndSoundsPlayedMeanwhileAreMixedOnceItOpens)
{
    lang::Ptr<TakingDevice> device = new TakingDevice;
    lang::Ptr<audio::AudioClip> clip = clip16(std::vector<int16_t>(4410, 1234));
    const auto before = std::chrono::steady_clock::now();
    AudioOutput output(AudioFormat(1, 16, 44100), slowOpener(device.ptr(), 300));
    EXPECT_TRUE(output.start());
    const int handle = output.play(clip.ptr(), 1, false, 0);
    const auto took = std::chrono::steady_clock::now() - before;
    EXPECT_LT(took, std::chrono::milliseconds(100)); // the device takes 300
    EXPECT_GE(handle, 0);
    EXPECT_TRUE(output.isStarted());
    EXPECT_FALSE(output.isOpen());
    EXPECT_FALSE(device->resumed);
    EXPECT_TRUE(output.isPlaying(handle)); // waiting for the device, not dropped

    ASSERT_TRUE(output.waitForOpening(5000));
    EXPECT_TRUE(output.isOpen());
    EXPECT_TRUE(device->resumed);
    EXPECT_TRUE(ends(output, handle));
    EXPECT_TRUE(device->holds(1234));
}

TEST(OpeningDevice, ADeviceThatNeverOpensLeavesTheOutputSilentAndUsable)
{
    LogCapture log;
    lang::Ptr<audio::AudioClip> clip = clip16(std::vector<int16_t>(441, 99));
    AudioOutput output(AudioFormat(2, 16, 22050), [](const AudioFormat&) -> lang::Ptr<audio::AudioOutputImpl> {
        lang::Thread::sleep(100);
        throw lang::Exception(lang::Format("AudioOutput creation failed: {0}", "no driver"));
    });
    EXPECT_TRUE(output.start());
    const int handle = output.play(clip.ptr(), 1, false, 0);
    EXPECT_GE(handle, 0);
    ASSERT_TRUE(output.waitForOpening(5000));
    // The play asked for before can never be heard: it ends, and so does the start.
    EXPECT_FALSE(output.isOpen());
    EXPECT_FALSE(output.isPlaying(handle));
    EXPECT_FALSE(output.isStarted());
    EXPECT_FALSE(output.start());
    EXPECT_EQ(output.play(clip.ptr(), 1, false, 0), -1);
    output.stop();
    EXPECT_NE(log.text().find("Audio: AudioOutput creation failed: no driver; no sound\n"), std::string::npos)
        << log.text();
}

TEST(OpeningDevice, StoppedOrDestroyedWhileOpening)
{
    // Stopped before the device opens: it is opened but not started.
    lang::Ptr<TakingDevice> device = new TakingDevice;
    {
        AudioOutput output(AudioFormat(1, 16, 44100), slowOpener(device.ptr(), 100));
        EXPECT_TRUE(output.start());
        output.stop();
        EXPECT_FALSE(output.isStarted());
        ASSERT_TRUE(output.waitForOpening(5000));
        EXPECT_TRUE(output.isOpen());
        EXPECT_FALSE(device->resumed);
        // Started again once open: at once.
        EXPECT_TRUE(output.start());
        EXPECT_TRUE(device->resumed);
    }
    // Destroyed while opening: waits for the opener, which finds nothing to start.
    lang::Ptr<TakingDevice> late = new TakingDevice;
    {
        AudioOutput output(AudioFormat(1, 16, 44100), slowOpener(late.ptr(), 100));
        EXPECT_TRUE(output.start());
    }
    EXPECT_FALSE(late->resumed);
}
