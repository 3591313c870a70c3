// MP3 files through audio::AudioReader and mpg123's feed.

#include "AudioHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return fuzz::readSound(data, size, audio::AudioReader::TYPE_MP3, "music.mp3");
}
