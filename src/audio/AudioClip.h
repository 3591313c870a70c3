#pragma once

#include "audio/AudioReader.h"
#include "lang/Array.h"

namespace audio {

/// A playing position in a clip's decoded data, one per play, so that a clip can play
/// several times at once.
class AudioClipCursor : public lang::Object
{
public:
    int position = 0; ///< bytes
    int reserved = 0; ///< reset with the position

    void reset() { position = reserved = 0; }

private:
    friend class AudioClip;
    /// A streamed MP3's decoder for this play alone, made at its first read. MP3 seeks by
    /// decoding from the start, so one decoder shared by plays at different places would
    /// go back for whichever stands behind, on every read.
    lang::Ptr<AudioReader> m_decoder;
};

/// A source of PCM samples the mixer pulls from: a file decoded while it plays (streamed),
/// or samples held in memory.
class AudioClip : public lang::Object
{
public:
    /// A streamed clip: keeps path open and decodes it on demand; each play of a streamed
    /// MP3 opens the file again for a decoder of its own, so memory stays a decoder per
    /// play however long the music. Throws IOException and the reader's errors.
    explicit AudioClip(const lang::String& path);
    /// A memory clip over a copy of size bytes of PCM in format.
    AudioClip(const void* samples, int size, const AudioFormat& format);
    /// A memory clip that takes the PCM samples over without copying them.
    AudioClip(lang::Array<uint8_t>&& samples, const AudioFormat& format);

    /// Reads from the cursor's position, advancing it; returns the bytes delivered. Throws
    /// the reader's errors, and IOException when a play's decoder can't open the file.
    virtual int read(void* buffer, int count, AudioClipCursor* cursor);

    int formatTag() const { return m_reader->formatTag(); }
    int channels() const { return m_reader->channels(); }
    int sampleRate() const { return m_reader->sampleRate(); }
    int byteRate() const { return m_reader->byteRate(); }
    int blockAlign() const { return m_reader->blockAlign(); }
    int bitsPerSample() const { return m_reader->bitsPerSample(); }
    /// Bytes of decoded data, or -1 when unknown.
    int dataSize() const { return m_reader->dataSize(); }
    /// Bytes the MP3 decoders of the clip's reads have produced, those decoded only to be
    /// skipped included (AudioReader::decodedBytes). Written by the thread that reads.
    int64_t decodedBytes() const { return m_decodedBytes; }

    /// Decodes a whole file into a memory clip. Throws IOException and the reader's errors.
    static lang::Ptr<AudioClip> decode(const lang::String& path);

private:
    lang::String m_path; ///< a streamed clip's file
    lang::Ptr<io::InputStream> m_stream;
    lang::Ptr<AudioReader> m_reader;
    int64_t m_decodedBytes = 0;

    /// The reader for a cursor: the play's own decoder for a streamed MP3, else the clip's.
    AudioReader* readerFor(AudioClipCursor* cursor);
};

} // namespace audio
