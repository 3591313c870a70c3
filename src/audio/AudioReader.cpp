#include "audio/AudioReader.h"

#include "io/FileType.h"
#include "io/IOException.h"
#include "lang/Exception.h"

#include <cstring>
#include <vector>

using lang::Format;
using lang::String;

namespace audio {

namespace {

uint32_t le32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

int le16(const uint8_t* p)
{
    return p[0] | p[1] << 8;
}

/// Skips count bytes of the stream, which must all be there.
void skipExactly(io::InputStream* in, uint32_t count)
{
    if (count > static_cast<uint32_t>(in->available()) || in->skip(static_cast<int>(count)) != static_cast<int>(count))
        throw io::IOException(Format("Failed to read {0} bytes from {1}", static_cast<double>(count), in->toString()));
}

} // namespace

void readExactly(io::InputStream* in, void* buffer, int count)
{
    if (count > 0 && in->read(buffer, count) != count)
        throw io::IOException(Format("Failed to read {0} bytes from {1}", count, in->toString()));
}

static_assert(int(AudioReader::TYPE_WAV) == int(io::FILE_WAV) && int(AudioReader::TYPE_MP3) == int(io::FILE_MP3),
              "one table of file types");

int AudioReader::fileType(const String& name)
{
    return io::fileType(name);
}

AudioReader::AudioReader(io::InputStream* stream, int type) : m_stream(stream), m_type(type)
{
    if (type == TYPE_WAV)
        readWave();
    else if (type == TYPE_MP3)
        openMp3();
    else
        throw io::IOException(Format("Unsupported audio file format while reading {0}", stream->toString()));
}

AudioReader::AudioReader(io::InputStream* stream, const AudioFormat& format)
    : m_stream(stream), m_type(TYPE_WAV), m_channels(format.channels), m_sampleRate(format.sampleRate),
      m_byteRate(format.byteRate()), m_blockAlign(format.blockAlign()), m_bitsPerSample(format.bitsPerSample),
      m_dataSize(stream->available()), m_dataOffset(0)
{
}

void AudioReader::readWave()
{
    io::InputStream* in = m_stream.ptr();
    const int total = in->available();
    uint8_t header[12];
    if (in->read(header, 12) != 12 || std::memcmp(header, "RIFF", 4) != 0 || std::memcmp(header + 8, "WAVE", 4) != 0)
        throw lang::Exception(Format("Only RIFF/WAVE sounds are currently supported"));
    bool haveFormat = false;
    while (in->available() > 0) {
        uint8_t chunk[8];
        readExactly(in, chunk, 8);
        const uint32_t size = le32(chunk + 4);
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (size < 16 || size > static_cast<uint32_t>(in->available()))
                throw io::IOException(Format("Failed to read {0} bytes from {1}", static_cast<double>(size), in->toString()));
            std::vector<uint8_t> body(size);
            readExactly(in, body.data(), static_cast<int>(size));
            m_formatTag = le16(&body[0]);
            m_channels = le16(&body[2]);
            m_sampleRate = static_cast<int>(le32(&body[4]));
            m_byteRate = static_cast<int>(le32(&body[8]));
            m_blockAlign = le16(&body[12]);
            m_bitsPerSample = le16(&body[14]);
            if (m_formatTag != 1)
                throw lang::Exception(Format("WAV was not PCM! RIFF AudioEncoding TwoCC value: 0x{0,x}", m_formatTag));
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat)
                throw lang::Exception(Format("Missing fmt chunk before data chunk in wav file"));
            // A size beyond the file is cut to what the file holds: reads never run past it.
            const int left = in->available();
            m_dataSize = size > static_cast<uint32_t>(left) ? left : static_cast<int>(size);
            m_dataOffset = total - left;
            return;
        } else {
            skipExactly(in, size); // no pad byte after odd sizes
        }
    }
    throw io::IOException(Format("Failed to read {0} bytes from {1}", 8, in->toString()));
}

int AudioReader::read(void* buffer, int offset, int count)
{
    if (m_type == TYPE_MP3)
        return readMp3(buffer, offset, count);
    const int n = std::min(count, m_dataSize - offset);
    if (n <= 0 || offset < 0 || !m_stream->seek(m_dataOffset + offset, 0))
        return 0;
    return std::max(0, m_stream->read(buffer, n));
}

} // namespace audio
