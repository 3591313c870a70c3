#include "audio/AudioClip.h"

#include "io/ByteArrayInputStream.h"
#include "io/FileInputStream.h"
#include "io/IOException.h"

#include <algorithm>

namespace audio {

AudioClip::AudioClip(const lang::String& path) : m_path(path), m_stream(new io::FileInputStream(path))
{
    m_reader = new AudioReader(m_stream.ptr(), AudioReader::fileType(path));
}

AudioClip::AudioClip(const void* samples, int size, const AudioFormat& format)
    : m_stream(new io::ByteArrayInputStream(samples, size, "memory clip"))
{
    m_reader = new AudioReader(m_stream.ptr(), format);
}

AudioClip::AudioClip(lang::Array<uint8_t>&& samples, const AudioFormat& format)
    : m_stream(new io::ByteArrayInputStream(std::move(samples), "memory clip"))
{
    m_reader = new AudioReader(m_stream.ptr(), format);
}

AudioReader* AudioClip::readerFor(AudioClipCursor* cursor)
{
    // WAV and raw data seek for free: their plays share the clip's stream.
    if (m_reader->type() != AudioReader::TYPE_MP3)
        return m_reader.ptr();
    if (!cursor->m_decoder) {
        lang::Ptr<io::InputStream> in = new io::FileInputStream(m_path);
        lang::Ptr<AudioReader> decoder = new AudioReader(in.ptr(), AudioReader::TYPE_MP3);
        // The mixer lays samples out by the clip's format: a file replaced since the clip
        // opened it must not be read in another.
        if (decoder->channels() != channels() || decoder->sampleRate() != sampleRate() ||
            decoder->bitsPerSample() != bitsPerSample())
            throw io::IOException(lang::Format("Format of {0} changed while playing", m_path));
        cursor->m_decoder = decoder;
    }
    return cursor->m_decoder.ptr();
}

int AudioClip::read(void* buffer, int count, AudioClipCursor* cursor)
{
    AudioReader* reader = readerFor(cursor);
    const int64_t before = reader->decodedBytes();
    const int n = reader->read(buffer, cursor->position, count);
    m_decodedBytes += reader->decodedBytes() - before;
    cursor->position += n;
    return n;
}

lang::Ptr<AudioClip> AudioClip::decode(const lang::String& path)
{
    lang::Ptr<io::InputStream> in = new io::FileInputStream(path);
    lang::Ptr<AudioReader> reader = new AudioReader(in.ptr(), AudioReader::fileType(path));
    const AudioFormat format(reader->channels(), reader->bitsPerSample(), reader->sampleRate());
    // The samples are read once, into the array the clip keeps.
    lang::Array<uint8_t> samples;
    if (reader->dataSize() >= 0) {
        samples.resize(reader->dataSize());
        if (reader->read(samples.begin(), 0, reader->dataSize()) != reader->dataSize())
            throw io::IOException(lang::Format("Failed to read {0} bytes from {1}", reader->dataSize(), path));
    } else {
        const int BLOCK = 4096;
        int used = 0;
        for (;;) {
            samples.resize(used + BLOCK);
            const int n = reader->read(samples.begin() + used, used, BLOCK);
            used += std::max(n, 0);
            if (n < BLOCK)
                break;
        }
        samples.resize(used);
        samples.setCapacity(used); // the doublings must not stay with the clip
    }
    return new AudioClip(std::move(samples), format);
}

} // namespace audio
