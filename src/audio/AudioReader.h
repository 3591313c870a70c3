#pragma once

#include "audio/AudioFormat.h"
#include "io/InputStream.h"
#include "lang/Ptr.h"

#include <cstdint>

struct mpg123_handle_struct;

namespace audio {

/// Decodes one container into PCM: RIFF/WAVE with PCM data, MP3 (through mpg123 fed from
/// the stream), or raw PCM of a given format. Reads are addressed by byte offset into the
/// decoded data. Not thread-safe: the mixer serialises the reads of a shared stream.
class AudioReader : public lang::Object
{
public:
    enum Type { TYPE_NONE = 0, TYPE_WAV = 13, TYPE_MP3 = 14 }; ///< as in io::FileType

    /// io::fileType: the type of a file by the last three characters of its name.
    static int fileType(const lang::String& name);

    /// A reader of a WAV or MP3 stream. Throws IOException "Unsupported audio file format
    /// while reading {0}" for another type, and the container's own errors.
    AudioReader(io::InputStream* stream, int type);
    /// A reader of raw PCM in format: the whole stream is data.
    AudioReader(io::InputStream* stream, const AudioFormat& format);
    ~AudioReader() override;

    AudioReader(const AudioReader&) = delete;
    AudioReader& operator=(const AudioReader&) = delete;

    /// Decodes up to count bytes from byte offset of the decoded data; returns the bytes
    /// delivered (0 at the end).
    int read(void* buffer, int offset, int count);

    int type() const { return m_type; }
    int formatTag() const { return m_formatTag; }
    int channels() const { return m_channels; }
    int sampleRate() const { return m_sampleRate; }
    int byteRate() const { return m_byteRate; }
    int blockAlign() const { return m_blockAlign; }
    int bitsPerSample() const { return m_bitsPerSample; }
    /// Bytes of decoded data, or -1 when unknown (MP3).
    int dataSize() const { return m_dataSize; }
    /// Stream position of the first sample (WAV and raw).
    int dataOffset() const { return m_dataOffset; }
    /// Bytes the MP3 decoder has produced since the reader opened, counting those decoded
    /// only to reach an offset and those decoded again after going back: the work the
    /// reads cost. 0 for WAV and raw, which seek for free.
    int64_t decodedBytes() const { return m_decodedTotal; }

private:
    lang::Ptr<io::InputStream> m_stream;
    int m_type = TYPE_WAV;
    int m_formatTag = 1;
    int m_channels = 0;
    int m_sampleRate = 0;
    int m_byteRate = 0;
    int m_blockAlign = 0;
    int m_bitsPerSample = 0;
    int m_dataSize = -1;
    int m_dataOffset = 0;
    mpg123_handle_struct* m_decoder = nullptr;
    long m_decodedBytes = 0; ///< the MP3 decoder's position in the decoded data
    int64_t m_decodedTotal = 0;

    void readWave();
    void openMp3();
    void setUpDecoder(const lang::String& name);
    void closeMp3();
    int readMp3(void* buffer, int offset, int count);
    /// Decodes up to count bytes from where the decoder stands.
    int decode(void* buffer, int count);
    /// Feeds the next 2048 bytes of the stream to the decoder; false when it delivers none.
    bool feed();
};

/// Reads exactly count bytes; a short read throws IOException "Failed to read {0} bytes
/// from {1}" (the count, then the stream's name).
void readExactly(io::InputStream* in, void* buffer, int count);

} // namespace audio
