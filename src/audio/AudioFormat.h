#pragma once

namespace audio {

/// A PCM layout: channels, bits per sample and frames per second.
struct AudioFormat
{
    int channels = 2;
    int bitsPerSample = 16;
    int sampleRate = 44100;

    AudioFormat() = default;
    AudioFormat(int c, int bits, int rate) : channels(c), bitsPerSample(bits), sampleRate(rate) {}

    /// Bytes of one frame (one sample of every channel).
    int blockAlign() const { return bitsPerSample * channels / 8; }
    int byteRate() const { return blockAlign() * sampleRate; }
};

/// Checks a format the devices accept: 1 or 2 channels, 8 or 16 bits, one of the twelve
/// standard rates. Throws lang::Exception "Unsupported count of channels while creating
/// {what}", "Unsupported bits per sample while creating {what}" or "Unsupported samples per
/// second while creating {what}".
void validate(const AudioFormat& format, const char* what);

} // namespace audio
