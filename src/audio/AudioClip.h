#pragma once

#include "audio/AudioReader.h"

namespace audio {

/// A playing position in a clip's decoded data, one per play, so that a clip can play
/// several times at once.
class AudioClipCursor : public lang::Object
{
public:
    int position = 0; ///< bytes
    int reserved = 0; ///< reset with the position

    void reset() { position = reserved = 0; }
};

/// A source of PCM samples the mixer pulls from: a file decoded while it plays (streamed),
/// or samples held in memory.
class AudioClip : public lang::Object
{
public:
    /// A streamed clip: keeps path open and decodes it on demand. Throws IOException and
    /// the reader's errors.
    explicit AudioClip(const lang::String& path);
    /// A memory clip over a copy of size bytes of PCM in format.
    AudioClip(const void* samples, int size, const AudioFormat& format);

    /// Reads from the cursor's position, advancing it; returns the bytes delivered.
    virtual int read(void* buffer, int count, AudioClipCursor* cursor);

    int formatTag() const { return m_reader->formatTag(); }
    int channels() const { return m_reader->channels(); }
    int sampleRate() const { return m_reader->sampleRate(); }
    int byteRate() const { return m_reader->byteRate(); }
    int blockAlign() const { return m_reader->blockAlign(); }
    int bitsPerSample() const { return m_reader->bitsPerSample(); }
    /// Bytes of decoded data, or -1 when unknown.
    int dataSize() const { return m_reader->dataSize(); }

    /// Decodes a whole file into a memory clip. Throws IOException and the reader's errors.
    static lang::Ptr<AudioClip> decode(const lang::String& path);

private:
    lang::Ptr<io::InputStream> m_stream;
    lang::Ptr<AudioReader> m_reader;
};

} // namespace audio
