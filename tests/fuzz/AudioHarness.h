#pragma once

// Decoding a sound as the mixer pulls it: blocks from the start to the end, then a jump back
// to the start and one into the middle, as a second play and a seek do.

#include "FuzzSupport.h"

#include "audio/AudioReader.h"
#include "io/ByteArrayInputStream.h"

#include <vector>

namespace fuzz {

/// Decoded bytes read at most: a few dozen bytes of MP3 can decode to seconds of sound.
const int MAX_DECODED = 1 << 20;

inline void pull(audio::AudioReader& reader)
{
    std::vector<uint8_t> buffer(4096);
    int offset = 0;
    while (offset < MAX_DECODED) {
        const int n = reader.read(buffer.data(), offset, static_cast<int>(buffer.size()));
        if (n <= 0)
            break;
        offset += n;
    }
    reader.read(buffer.data(), 0, 100);
    reader.read(buffer.data(), offset / 2 + 1, 333);
    reader.read(buffer.data(), offset + 10, 10);
}

inline int readSound(const uint8_t* data, size_t size, int type, const char* name)
{
    quiet();
    try {
        lang::Ptr<audio::AudioReader> reader =
            new audio::AudioReader(new io::ByteArrayInputStream(data, static_cast<int>(size), name), type);
        pull(*reader);
    } catch (const lang::Throwable&) {
    }
    return 0;
}

} // namespace fuzz
