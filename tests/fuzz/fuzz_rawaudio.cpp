// Raw PCM through audio::AudioReader: the first byte chooses the channels, bits and rate
// (checked as a clip's format is), the rest is the samples.

#include "AudioHarness.h"

#include "audio/AudioFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    fuzz::quiet();
    static const int rates[] = {8000, 11025, 22050, 44100, 48000, 7, 0, 96000};
    const audio::AudioFormat format(1 + (data[0] & 1), data[0] & 2 ? 16 : 8, rates[(data[0] >> 2) & 7]);
    try {
        audio::validate(format, "fuzz");
        lang::Ptr<audio::AudioReader> reader =
            new audio::AudioReader(new io::ByteArrayInputStream(data + 1, static_cast<int>(size - 1), "sound.raw"), format);
        fuzz::pull(*reader);
    } catch (const lang::Throwable&) {
    }
    return 0;
}
