// Audio files: RIFF/WAVE chunk walking and its errors, MP3 through the decoder, clips
// streamed and in memory.

#include "AudioFixture.h"
#include "Failure.h"
#include "TempDir.h"

#include "audio/AudioClip.h"
#include "audio/AudioMixer.h"
#include "io/ByteArrayInputStream.h"
#include "io/IOException.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>

using audio::AudioClip;
using audio::AudioReader;

namespace {

std::string wavError(const std::string& bytes)
{
    lang::Ptr<io::ByteArrayInputStream> in = new io::ByteArrayInputStream(bytes.data(), int(bytes.size()), "test.wav");
    return messageOf<lang::Throwable>([&] { AudioReader reader(in.ptr(), AudioReader::TYPE_WAV); });
}

TEST(Wave, ChunksAreWalkedAndCheckedInOrder)
{
    const std::string samples = bytesOf({1, -2, 3, -4});
    EXPECT_EQ(wavError(riff({{"data", samples}, {"fmt ", fmt(1, 1, 22050, 16)}})),
              "Missing fmt chunk before data chunk in wav file");
    EXPECT_EQ(wavError(riff({{"fmt ", fmt(0x0011, 1, 22050, 4)}, {"data", samples}})),
              "WAV was not PCM! RIFF AudioEncoding TwoCC value: 0x11");
    EXPECT_EQ(wavError("RIFX" + riff({}).substr(4)), "Only RIFF/WAVE sounds are currently supported");
    EXPECT_EQ(wavError(riff({{"fmt ", fmt(1, 1, 22050, 16).substr(0, 12)}})), "Failed to read 12 bytes from test.wav");
    EXPECT_EQ(wavError(riff({{"fmt ", fmt(1, 1, 22050, 16)}})), "Failed to read 8 bytes from test.wav");

    // A LIST chunk of odd size before the data: skipped with no pad byte.
    const std::string file = riff({{"fmt ", fmt(1, 2, 22050, 16)}, {"LIST", "abc"}, {"data", samples}});
    lang::Ptr<io::ByteArrayInputStream> in = new io::ByteArrayInputStream(file.data(), int(file.size()), "list.wav");
    AudioReader reader(in.ptr(), AudioReader::TYPE_WAV);
    EXPECT_EQ(reader.dataOffset(), 12 + 8 + 16 + 8 + 3 + 8);
    EXPECT_EQ(reader.dataSize(), 8);
    EXPECT_EQ(reader.channels(), 2);
    EXPECT_EQ(reader.sampleRate(), 22050);
    EXPECT_EQ(reader.blockAlign(), 4);
    EXPECT_EQ(reader.byteRate(), 88200);
    int16_t out[4] = {};
    EXPECT_EQ(reader.read(out, 2, 100), 6);
    EXPECT_EQ(out[0], -2);
    EXPECT_EQ(reader.read(out, 8, 4), 0); // beyond the data: nothing
    EXPECT_EQ(reader.read(out, 100, 4), 0);
}

TEST(Wave, DataSizeBeyondTheFileIsCutToIt)
{
    std::string file = riff({{"fmt ", fmt(1, 1, 22050, 16)}, {"data", bytesOf({5, 6})}});
    file[file.size() - 8] = char(0xff); // the data chunk's size claims 255 bytes
    lang::Ptr<io::ByteArrayInputStream> in = new io::ByteArrayInputStream(file.data(), int(file.size()), "cut.wav");
    AudioReader reader(in.ptr(), AudioReader::TYPE_WAV);
    EXPECT_EQ(reader.dataSize(), 4);
}

TEST(Wave, FileTypesByTheLastThreeLetters)
{
    EXPECT_EQ(AudioReader::fileType("sound.WAV"), AudioReader::TYPE_WAV);
    EXPECT_EQ(AudioReader::fileType("music/theme.mp3"), AudioReader::TYPE_MP3);
    EXPECT_EQ(AudioReader::fileType("a.ogg"), 0);
    EXPECT_EQ(AudioReader::fileType(".wav"), 0);
    lang::Ptr<io::ByteArrayInputStream> in = new io::ByteArrayInputStream("x", 1, "a.ogg");
    EXPECT_EQ(messageOf<io::IOException>([&] { AudioReader reader(in.ptr(), 0); }),
              "Unsupported audio file format while reading a.ogg");
}

TEST(Clips, StreamedAndDecodedClipsReadTheSame)
{
    TempDir dir;
    std::vector<int16_t> samples;
    for (int i = 0; i < 5000; ++i)
        samples.push_back(int16_t(i * 7));
    dir.write("ramp.wav", riff({{"fmt ", fmt(1, 1, 44100, 16)}, {"data", bytesOf(samples)}}));
    AudioClip streamed(dir / "ramp.wav");
    lang::Ptr<AudioClip> decoded = AudioClip::decode(dir / "ramp.wav");
    EXPECT_EQ(decoded->dataSize(), 10000);
    EXPECT_EQ(decoded->bitsPerSample(), 16);
    lang::Ptr<audio::AudioClipCursor> a = new audio::AudioClipCursor, b = new audio::AudioClipCursor;
    std::vector<int16_t> x(3000), y(3000);
    EXPECT_EQ(streamed.read(x.data(), 6000, a.ptr()), 6000);
    EXPECT_EQ(decoded->read(y.data(), 6000, b.ptr()), 6000);
    EXPECT_EQ(x, y);
    EXPECT_EQ(streamed.read(x.data(), 6000, a.ptr()), 4000);
    EXPECT_EQ(a->position, 10000);
    EXPECT_EQ(x[0], 3000 * 7);

    EXPECT_EQ(messageOf<io::IOException>([&] { AudioClip missing(dir / "none.wav"); }),
              "Failed to open " + dir / "none.wav");
}

class Mp3 : public ::testing::Test
{
protected:
    TempDir dir;
    std::vector<int16_t> source;

    void SetUp() override
    {
        // One second of a 441 Hz tone, through lame.
        for (int i = 0; i < 44100; ++i)
            source.push_back(int16_t(12000 * std::sin(2 * M_PI * 441 * i / 44100.0)));
        dir.write("tone.wav", riff({{"fmt ", fmt(1, 1, 44100, 16)}, {"data", bytesOf(source)}}));
        const std::string command = "lame --quiet -b 128 '" + dir / "tone.wav" + "' '" + dir / "tone.mp3" + "'";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }

    /// The file decoded alone, whole, into memory.
    std::vector<int16_t> wholeDecode()
    {
        lang::Ptr<AudioClip> decoded = AudioClip::decode(dir / "tone.mp3");
        std::vector<int16_t> all(static_cast<size_t>(decoded->dataSize() / 2));
        lang::Ptr<audio::AudioClipCursor> cursor = new audio::AudioClipCursor;
        decoded->read(all.data(), decoded->dataSize(), cursor.ptr());
        return all;
    }
};

TEST_F(Mp3, DecodesToTheSourceLengthAndSeeks)
{
    lang::Ptr<AudioClip> decoded = AudioClip::decode(dir / "tone.mp3");
    EXPECT_EQ(decoded->channels(), 1);
    EXPECT_EQ(decoded->sampleRate(), 44100);
    EXPECT_EQ(decoded->bitsPerSample(), 16);
    const int frames = decoded->dataSize() / 2;
    EXPECT_NEAR(frames, 44100, 1152);

    // The tone survives: the decoded peak is near the source's.
    std::vector<int16_t> all(static_cast<size_t>(frames));
    lang::Ptr<audio::AudioClipCursor> cursor = new audio::AudioClipCursor;
    decoded->read(all.data(), frames * 2, cursor.ptr());
    int peak = 0;
    for (int16_t s : all)
        peak = std::max(peak, std::abs(int(s)));
    EXPECT_NEAR(peak, 12000, 1500);

    // A streamed clip read from a byte offset gives what the whole decode has there.
    AudioClip streamed(dir / "tone.mp3");
    EXPECT_EQ(streamed.dataSize(), -1);
    lang::Ptr<audio::AudioClipCursor> at = new audio::AudioClipCursor;
    at->position = 2 * 30000;
    std::vector<int16_t> part(1000);
    ASSERT_EQ(streamed.read(part.data(), 2000, at.ptr()), 2000);
    EXPECT_EQ(part, std::vector<int16_t>(all.begin() + 30000, all.begin() + 31000));
    EXPECT_EQ(at->position, 2 * 31000);
    // And back again, as a loop does.
    at->position = 2 * 100;
    ASSERT_EQ(streamed.read(part.data(), 2000, at.ptr()), 2000);
    EXPECT_EQ(part, std::vector<int16_t>(all.begin() + 100, all.begin() + 1100));
}

// Two plays of one streamed MP3 shared its decoder, which went back to the start of the
// file for whichever play stood behind the other: on every block of every play.
TEST_F(Mp3, TwoPlaysOfAStreamedClipDecodeItOnceEach)
{
    const std::vector<int16_t> all = wholeDecode();
    ASSERT_GT(all.size(), 40000u);
    AudioClip streamed(dir / "tone.mp3");
    lang::Ptr<audio::AudioClipCursor> first = new audio::AudioClipCursor, second = new audio::AudioClipCursor;
    std::vector<int16_t> heardFirst, heardSecond;
    auto take = [&](audio::AudioClipCursor* cursor, std::vector<int16_t>& heard) {
        int16_t block[689]; // the blocks the output thread mixes at 44.1 kHz
        const int n = streamed.read(block, int(sizeof(block)), cursor);
        heard.insert(heard.end(), block, block + n / 2);
        return n;
    };
    while (heardFirst.size() < 10000)
        take(first.ptr(), heardFirst);
    while (take(first.ptr(), heardFirst) + take(second.ptr(), heardSecond) > 0) {
    }
    EXPECT_EQ(heardFirst, all);
    EXPECT_EQ(heardSecond, all);
    EXPECT_EQ(streamed.decodedBytes(), int64_t(4 * all.size())); // every sample once per play
}

TEST_F(Mp3, TwoStreamedPlaysMixToTheSumOfTheWholeDecode)
{
    const std::vector<int16_t> all = wholeDecode();
    lang::Ptr<AudioClip> streamed = new AudioClip(dir / "tone.mp3");
    lang::Ptr<audio::AudioMixer> mixer = new audio::AudioMixer(audio::AudioFormat(1, 16, 44100));
    mixer->start();
    std::vector<int16_t> out;
    auto pump = [&] {
        int16_t block[689];
        mixer->mix(block, int(sizeof(block)));
        out.insert(out.end(), block, block + 689);
    };
    mixer->play(streamed.ptr(), 1, false, 0);
    for (int i = 0; i < 15; ++i)
        pump();
    const size_t later = out.size();
    mixer->play(streamed.ptr(), 1, false, 1);
    while (out.size() < later + all.size() + 689)
        pump();
    EXPECT_FALSE(mixer->isClipPlaying(streamed.ptr()));

    // At full volume a play adds its samples as they are; the tone's peaks stay unclamped.
    std::vector<int16_t> expected(out.size());
    for (size_t i = 0; i < out.size(); ++i) {
        const int sum = (i < all.size() ? all[i] : 0) + (i >= later && i - later < all.size() ? all[i - later] : 0);
        expected[i] = int16_t(std::clamp(sum, -32768, 32767));
    }
    EXPECT_EQ(out, expected);
    EXPECT_EQ(streamed->decodedBytes(), int64_t(4 * all.size()));
}

TEST_F(Mp3, APlayOfAFileReplacedInAnotherLayoutFails)
{
    AudioClip streamed(dir / "tone.mp3");
    dir.write("stereo.wav", riff({{"fmt ", fmt(1, 2, 44100, 16)}, {"data", bytesOf(std::vector<int16_t>(8820, 1000))}}));
    const std::string command = "lame --quiet '" + dir / "stereo.wav" + "' '" + dir / "stereo.mp3" + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    ASSERT_EQ(std::rename((dir / "stereo.mp3").c_str(), (dir / "tone.mp3").c_str()), 0);
    // The clip is mono: a new play must not read stereo frames as twice as many mono ones.
    lang::Ptr<audio::AudioClipCursor> cursor = new audio::AudioClipCursor;
    std::vector<uint8_t> buffer(4096);
    EXPECT_EQ(messageOf<io::IOException>([&] { streamed.read(buffer.data(), 4096, cursor.ptr()); }),
              "Format of " + dir / "tone.mp3" + " changed while playing");
    EXPECT_EQ(cursor->position, 0);
}

TEST_F(Mp3, TruncatedFilesFailInsteadOfWaiting)
{
    const std::string whole = dir.read("tone.mp3");
    dir.write("cut.mp3", whole.substr(0, 40));
    EXPECT_EQ(messageOf<io::IOException>([&] { AudioClip clip(dir / "cut.mp3"); }),
              "Failed to read MP3 header while reading " + dir / "cut.mp3");
    dir.write("noise.mp3", std::string(5000, 'x'));
    EXPECT_EQ(messageOf<io::IOException>([&] { AudioClip::decode(dir / "noise.mp3"); }),
              "Failed to read MP3 header while reading " + dir / "noise.mp3");
    // Cut after the first frames: it plays what is there and ends.
    dir.write("half.mp3", whole.substr(0, whole.size() / 2));
    lang::Ptr<AudioClip> half = AudioClip::decode(dir / "half.mp3");
    EXPECT_NEAR(half->dataSize() / 2, 22050, 2 * 1152);
}

TEST_F(Mp3, DamagedFilesFailCleanly)
{
    // Every cut and scattered corruption of a WAV and of the MP3: an error or fewer samples,
    // never a read astray (the sanitizer build runs this too).
    const std::string wave = riff({{"fmt ", fmt(1, 2, 22050, 16)}, {"LIST", "abcde"}, {"data", bytesOf({1, 2, 3, 4, 5, 6})}});
    const std::string mp3 = dir.read("tone.mp3");
    std::mt19937 random(11);
    auto attempt = [&](const std::string& name, const std::string& bytes) {
        dir.write(name, bytes);
        try {
            lang::Ptr<AudioClip> clip = AudioClip::decode(dir / name);
            AudioClip streamed(dir / name);
            lang::Ptr<audio::AudioClipCursor> cursor = new audio::AudioClipCursor;
            std::vector<uint8_t> buffer(4096);
            cursor->position = 1000;
            streamed.read(buffer.data(), 4096, cursor.ptr());
        } catch (const lang::Throwable&) {
        }
    };
    for (size_t size = 0; size < wave.size(); ++size)
        attempt("cut.wav", wave.substr(0, size));
    for (size_t size = 0; size < mp3.size(); size += 211)
        attempt("cut.mp3", mp3.substr(0, size));
    for (int round = 0; round < 200; ++round) {
        std::string bad = round % 2 ? wave : mp3;
        for (int f = 0; f < 4; ++f)
            bad[random() % bad.size()] = char(random());
        attempt(round % 2 ? "bad.wav" : "bad.mp3", bad);
    }
}

} // namespace
