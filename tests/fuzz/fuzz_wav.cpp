// RIFF/WAVE files through audio::AudioReader.

#include "AudioHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return fuzz::readSound(data, size, audio::AudioReader::TYPE_WAV, "sound.wav");
}
