// The mixer pumped by hand: every sample checked against the fixed-point rules.

#include "AudioFixture.h"
#include "Failure.h"

#include "audio/AudioMixer.h"
#include "audio/AudioOutput.h"
#include "lang/Exception.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using audio::AudioFormat;
using audio::AudioMixer;

namespace {

std::vector<int16_t> mix16(AudioMixer& mixer, int samples)
{
    std::vector<int16_t> out(size_t(samples), 12345);
    mixer.mix(out.data(), samples * 2);
    return out;
}

class Mixer : public ::testing::Test
{
protected:
    lang::Ptr<AudioMixer> mono = new AudioMixer(AudioFormat(1, 16, 44100));
    lang::Ptr<AudioMixer> stereo = new AudioMixer(AudioFormat(2, 16, 44100));
    void SetUp() override
    {
        mono->start();
        stereo->start();
    }
};

TEST_F(Mixer, FullScalePlaysClampInsteadOfWrapping)
{
    lang::Ptr<audio::AudioClip> loud = clip16({32767, -32768, 32767, 1000});
    mono->play(loud.ptr(), 1, false, 0);
    mono->play(loud.ptr(), 1, false, 0);
    // 4096 * 32767 >> 12 = 32767 each: twice that clamps; 1000 twice is 2000.
    EXPECT_EQ(mix16(*mono, 4), (std::vector<int16_t>{32767, -32768, 32767, 2000}));
    EXPECT_EQ(mix16(*mono, 2), (std::vector<int16_t>{0, 0})); // ended: silence
}

TEST_F(Mixer, MonoOnStereoFeedsBothChannelsAlike)
{
    stereo->play(clip16({100, -200, 300}).ptr(), 1, false, 0);
    EXPECT_EQ(mix16(*stereo, 8), (std::vector<int16_t>{100, 100, -200, -200, 300, 300, 0, 0}));
    // A stereo clip stays interleaved as it is.
    stereo->play(clip16({1, 2, 3, 4}, 2).ptr(), 1, false, 0);
    EXPECT_EQ(mix16(*stereo, 4), (std::vector<int16_t>{1, 2, 3, 4}));
}

TEST_F(Mixer, GainScalesEachSampleInFixedPoint)
{
    std::vector<int16_t> samples;
    for (int i = -20; i < 20; ++i)
        samples.push_back(int16_t(i * 1637 + 3));
    mono->play(clip16(samples).ptr(), 0.5f, false, 0);
    const std::vector<int16_t> out = mix16(*mono, int(samples.size()));
    for (size_t i = 0; i < samples.size(); ++i) {
        EXPECT_NEAR(out[i], samples[i] / 2.0, 1) << i;
        EXPECT_EQ(out[i], (2048 * samples[i]) >> 12) << i;
    }
    // Track volume and play volume multiply.
    mono->setTrackVolume(1, 0.5f);
    mono->play(clip16({4000}).ptr(), 0.5f, false, 1);
    EXPECT_EQ(mix16(*mono, 1)[0], 1000);
    // A gain that truncates to 0 adds nothing, and the play still advances.
    const int handle = mono->play(clip16({4000, 4000}).ptr(), 0.0001f, false, 0);
    EXPECT_EQ(mix16(*mono, 2), (std::vector<int16_t>{0, 0}));
    mix16(*mono, 1);
    EXPECT_FALSE(mono->isPlaying(handle));
}

TEST_F(Mixer, ClipsEndOrLoopSeamlessly)
{
    lang::Ptr<audio::AudioClip> clip = clip16({1, 2, 3});
    const int once = mono->play(clip.ptr(), 1, false, 0);
    EXPECT_TRUE(mono->isPlaying(once)); // pending counts as playing
    EXPECT_EQ(mix16(*mono, 2), (std::vector<int16_t>{1, 2}));
    EXPECT_TRUE(mono->isPlaying(once));
    EXPECT_EQ(mix16(*mono, 4), (std::vector<int16_t>{3, 0, 0, 0}));
    EXPECT_FALSE(mono->isPlaying(once)); // the pass that ran out marked it done
    EXPECT_FALSE(mono->isClipPlaying(clip.ptr()));

    const int looped = mono->play(clip.ptr(), 1, true, 0);
    EXPECT_EQ(mix16(*mono, 8), (std::vector<int16_t>{1, 2, 3, 1, 2, 3, 1, 2}));
    EXPECT_EQ(mix16(*mono, 2), (std::vector<int16_t>{3, 1}));
    EXPECT_TRUE(mono->isClipPlaying(clip.ptr()));
    mono->stop(clip.ptr());
    EXPECT_FALSE(mono->isPlaying(looped));
    EXPECT_EQ(mix16(*mono, 2), (std::vector<int16_t>{0, 0}));

    // An empty looping clip ends instead of spinning.
    const int empty = mono->play(clip16({}).ptr(), 1, true, 0);
    EXPECT_EQ(mix16(*mono, 2), (std::vector<int16_t>{0, 0}));
    EXPECT_FALSE(mono->isPlaying(empty));
}

TEST_F(Mixer, TracksLimitAndClampVolumes)
{
    lang::Ptr<audio::AudioClip> clip = clip16(std::vector<int16_t>(100, 10));
    mono->setTrackLimit(3, 1);
    const int first = mono->play(clip.ptr(), 1, false, 3);
    EXPECT_GE(first, 0);
    EXPECT_EQ(mono->play(clip.ptr(), 1, false, 3), -1);
    EXPECT_GE(mono->play(clip.ptr(), 1, false, 4), 0); // other tracks are free
    mono->stop(clip.ptr());
    EXPECT_GE(mono->play(clip.ptr(), 1, false, 3), first + 1); // a stopped play frees its place
    mono->setTrackLimit(3, -1);                                  // all bits: no limit

    mono->setTrackVolume(8, 1.5f);
    EXPECT_EQ(mono->getTrackVolume(8), 1.0f);
    mono->setTrackVolume(0, -0.2f);
    EXPECT_EQ(mono->getTrackVolume(0), 0.0f);
    EXPECT_EQ(messageOf<lang::Exception>([&] { mono->setTrackVolume(9, 1); }), "Track 9 out of bounds! Range [0-8]");
    EXPECT_EQ(messageOf<lang::Exception>([&] { mono->play(clip.ptr(), 1, false, -1); }),
              "Track -1 out of bounds! Range [0-8]");

    mono->stop();
    EXPECT_EQ(mono->play(clip.ptr(), 1, false, 0), -1);
}

// Replacing a clip under a name stopped its plays and dropped the name's reference at once,
// while the plays kept theirs until the output thread's next pass: the two threads counted
// one clip down together, and the output thread destroyed it.
TEST_F(Mixer, ReplacingAClipDropsItsPlaysAndReleasesItOnTheCallingThread)
{
    Destructions tally;
    const std::vector<uint8_t> bytes = pcm16({100, 200, 300, 400});
    lang::Ptr<audio::AudioClip> slot = new CountedClip(&tally, bytes.data(), int(bytes.size()), AudioFormat(1, 16, 44100));
    lang::Ptr<audio::AudioClip> other = clip16({1000, 1000, 1000, 1000, 1000, 1000});
    const int active = mono->play(slot.ptr(), 1, true, 0);
    mono->play(other.ptr(), 1, false, 0);
    EXPECT_EQ(mix16(*mono, 2), (std::vector<int16_t>{1100, 1200}));
    const int pending = mono->play(slot.ptr(), 1, false, 1);

    lang::Ptr<audio::AudioClip> next = clip16({5, 6, 7});
    mono->replaceClip(slot, next.ptr());
    EXPECT_EQ(tally.here, 1); // gone before any further pass
    EXPECT_EQ(tally.elsewhere, 0);
    EXPECT_EQ(slot.ptr(), next.ptr());
    EXPECT_FALSE(mono->isPlaying(active));
    EXPECT_FALSE(mono->isPlaying(pending));
    // The other clip plays on where it was.
    EXPECT_EQ(mix16(*mono, 2), (std::vector<int16_t>{1000, 1000}));

    const int again = mono->play(slot.ptr(), 1, false, 0);
    mono->replaceClip(slot, next.ptr()); // the same clip: its play goes on
    EXPECT_TRUE(mono->isPlaying(again));
    EXPECT_EQ(mix16(*mono, 4), (std::vector<int16_t>{1005, 1006, 7, 0}));

    lang::Ptr<audio::AudioClip> empty;
    mono->replaceClip(empty, next.ptr()); // a slot that held nothing
    EXPECT_EQ(empty.ptr(), next.ptr());
}

// A script's volume of any size or sign: a huge one overflowed gain × sample and wrapped its
// sign, a negative or NaN one made an undefined float-to-int conversion.
TEST_F(Mixer, VolumesFarOutOfRangeAreClampedBeforeTheProduct)
{
    const std::vector<int16_t> samples = {32767, -32768, 1000, -1000, 1, -1, 2047, -2048, 12345};
    lang::Ptr<audio::AudioClip> clip = clip16(samples);
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    // The mix worked in 64 bits, where nothing overflows, at the volume clamped to 0..16.
    auto clamped = [](float volume) { return std::isnan(volume) ? 0.0f : std::clamp(volume, 0.0f, 16.0f); };
    auto oracle = [&](float volume, float track) {
        const int64_t gain = int64_t(double(track) * clamped(volume) * 4096);
        std::vector<int16_t> out;
        for (int16_t s : samples)
            out.push_back(int16_t(std::clamp<int64_t>((gain * s) >> 12, -32768, 32767)));
        return out;
    };
    const float volumes[] = {1e30f, 3e9f, 524288, 65536, 17, 16.5f, 16, 7.25f, 1, -0.5f, -1e30f, inf, -inf, nan};
    for (float volume : volumes) {
        const int handle = mono->play(clip.ptr(), volume, false, 0);
        EXPECT_EQ(mono->playVolume(handle), clamped(volume)) << volume;
        EXPECT_EQ(mix16(*mono, int(samples.size())), oracle(volume, 1)) << volume;
    }
    // Set while playing, and under a track at half volume.
    mono->setTrackVolume(2, 0.5f);
    for (float volume : volumes) {
        const int handle = mono->play(clip.ptr(), 1, false, 2);
        mono->setPlayVolume(handle, volume);
        EXPECT_EQ(mono->playVolume(handle), clamped(volume)) << volume;
        EXPECT_EQ(mix16(*mono, int(samples.size())), oracle(volume, 0.5f)) << volume;
    }
    // A track volume out of range keeps to 0..1 the same way.
    for (float track : {1e30f, inf, -1e30f, nan}) {
        mono->setTrackVolume(3, track);
        EXPECT_EQ(mono->getTrackVolume(3), track > 0 ? 1.0f : 0.0f) << track;
        mono->play(clip.ptr(), 1e30f, false, 3);
        EXPECT_EQ(mix16(*mono, int(samples.size())), oracle(16, track > 0 ? 1 : 0)) << track;
    }

    // 8-bit: the loudest gain is 16 × 256, each byte's distance from 128 times 16.
    lang::Ptr<AudioMixer> mixer = new AudioMixer(AudioFormat(1, 8, 22050));
    mixer->start();
    const uint8_t bytes[] = {130, 126, 128, 255, 0, 135};
    lang::Ptr<audio::AudioClip> eight = new audio::AudioClip(bytes, 6, AudioFormat(1, 8, 22050));
    for (float volume : {1e30f, 3e9f, 17.0f, -1e30f, nan}) {
        mixer->play(eight.ptr(), volume, false, 0);
        uint8_t out[6];
        mixer->mix(out, 6);
        const int64_t gain = int64_t(clamped(volume) * 256);
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(out[i], std::clamp<int64_t>(((gain * (bytes[i] - 128)) >> 8) + 128, 0, 255)) << volume << " " << i;
    }
}

TEST_F(Mixer, EightBitMixesAroundItsMidpoint)
{
    lang::Ptr<AudioMixer> mixer = new AudioMixer(AudioFormat(1, 8, 22050));
    mixer->start();
    const uint8_t samples[] = {228, 28, 128, 200};
    lang::Ptr<audio::AudioClip> clip = new audio::AudioClip(samples, 4, AudioFormat(1, 8, 22050));
    mixer->play(clip.ptr(), 1, false, 0);
    mixer->play(clip.ptr(), 1, false, 0);
    uint8_t out[5];
    mixer->mix(out, 5);
    EXPECT_EQ(std::vector<int>(out, out + 5), (std::vector<int>{255, 0, 128, 255, 128}));
    mixer->play(clip.ptr(), 0.5f, false, 0);
    mixer->mix(out, 2);
    EXPECT_EQ(std::vector<int>(out, out + 2), (std::vector<int>{178, 78}));
}

TEST(AudioOutputFormats, RejectedWithTheirMessages)
{
    auto error = [](AudioFormat format, const char* what) {
        return messageOf<lang::Exception>([&] { audio::validate(format, what); });
    };
    EXPECT_EQ(error(AudioFormat(3, 16, 44100), "AudioOutput"), "Unsupported count of channels while creating AudioOutput");
    EXPECT_EQ(error(AudioFormat(2, 12, 44100), "AudioOutput"), "Unsupported bits per sample while creating AudioOutput");
    EXPECT_EQ(error(AudioFormat(2, 16, 44000), "AudioInput"), "Unsupported samples per second while creating AudioInput");
    EXPECT_EQ(messageOf<lang::Exception>([] { audio::AudioOutput output(AudioFormat(0, 16, 8000), new QueueDevice); }),
              "Unsupported count of channels while creating AudioOutput");
    for (int rate : {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000, 64000, 88200, 96000})
        EXPECT_EQ(error(AudioFormat(1, 8, rate), "AudioOutput"), "(no exception)") << rate;
}

TEST(AudioOutputPump, StartsWithAQueueOfSilence)
{
    lang::Ptr<QueueDevice> device = new QueueDevice;
    audio::AudioOutput output(AudioFormat(1, 8, 8000), device.ptr());
    ASSERT_TRUE(output.start());
    EXPECT_TRUE(device->playing);
    EXPECT_EQ(device->bytes, std::vector<uint8_t>(400, 127));
    output.stop();
    EXPECT_FALSE(device->playing);
    EXPECT_TRUE(device->bytes.empty());
    EXPECT_EQ(output.play(clip16({1}).ptr(), 1, false, 0), -1); // stopped
}

TEST(AudioOutputPump, KeepsFiftyMillisecondsQueuedAtTheMasterVolume)
{
    lang::Ptr<QueueDevice> device = new QueueDevice;
    audio::AudioOutput output(AudioFormat(2, 16, 44100), device.ptr());
    EXPECT_EQ(output.bufferBytes(), 2205 * 4);
    output.setMasterVolume(0.5f);
    EXPECT_EQ(output.volumeMillibels(), -5000);
    EXPECT_EQ(output.getMasterVolume(), 0.5f);
    // Out of range: full level at most, silence at least, NaN silent.
    for (float volume : {1e30f, 2.0f, INFINITY}) {
        output.setMasterVolume(volume);
        EXPECT_EQ(output.volumeMillibels(), 0) << volume;
    }
    for (float volume : {-1e30f, -0.5f, -INFINITY, NAN}) {
        output.setMasterVolume(volume);
        EXPECT_EQ(output.volumeMillibels(), -10000) << volume;
    }
    output.setMasterVolume(1);

    output.mixer()->start();
    output.play(clip16(std::vector<int16_t>(4410, 1000)).ptr(), 1, false, 0);
    EXPECT_EQ(output.pump(), 2205 * 4);
    EXPECT_EQ(output.pump(), 0); // full
    device->bytes.erase(device->bytes.begin(), device->bytes.begin() + 1000);
    EXPECT_EQ(output.pump(), 0); // less than an eighth free
    device->bytes.erase(device->bytes.begin(), device->bytes.begin() + 200);
    EXPECT_EQ(output.pump(), 1200);

    // -20 dB is a tenth.
    device->bytes.clear();
    output.setMasterVolume(0.8f);
    output.pump();
    const int16_t first = int16_t(device->bytes[0] | device->bytes[1] << 8);
    EXPECT_NEAR(first, 100, 1);
}

} // namespace
