#include "audio/AudioFormat.h"

#include "lang/Exception.h"

namespace audio {

void validate(const AudioFormat& format, const char* what)
{
    static const int kRates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000, 64000, 88200, 96000};
    if (format.channels < 1 || format.channels > 2)
        throw lang::Exception(lang::Format("Unsupported count of channels while creating {0}", what));
    if (format.bitsPerSample != 8 && format.bitsPerSample != 16)
        throw lang::Exception(lang::Format("Unsupported bits per sample while creating {0}", what));
    for (int rate : kRates)
        if (format.sampleRate == rate)
            return;
    throw lang::Exception(lang::Format("Unsupported samples per second while creating {0}", what));
}

} // namespace audio
