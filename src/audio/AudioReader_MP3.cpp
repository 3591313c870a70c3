// MP3 through mpg123 in feed mode: the stream is handed to the decoder in 2048-byte blocks,
// so that bundles and memory streams decode like files.

#include "audio/AudioReader.h"

#include "io/IOException.h"
#include "lang/Mutex.h"

#include <mpg123.h>

#include <algorithm>

using lang::Format;

namespace audio {

namespace {

const int FEED_BLOCK = 2048;

/// Readers alive: the library is initialised with the first and finalised after the last.
lang::Mutex& libraryLock()
{
    static lang::Mutex lock;
    return lock;
}
int s_readers = 0;

} // namespace

void AudioReader::openMp3()
{
    const lang::String name = m_stream->toString();
    {
        lang::MutexLock lock(libraryLock());
        if (s_readers == 0 && mpg123_init() != MPG123_OK)
            throw io::IOException(Format("Failed to initialize MPG123 while reading {0}", name));
        ++s_readers;
    }
    try {
        setUpDecoder(name);
    } catch (...) {
        // A failed constructor runs no destructor.
        closeMp3();
        throw;
    }
}

void AudioReader::setUpDecoder(const lang::String& name)
{
    int error = 0;
    m_decoder = mpg123_new(nullptr, &error);
    if (!m_decoder)
        throw io::IOException(Format("Failed to allocate MPG123 while reading {0}", name));
    // The mixer takes 8- and 16-bit samples: ask for signed 16-bit at every rate.
    mpg123_param(m_decoder, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    mpg123_format_none(m_decoder);
    const long* rates;
    size_t rateCount;
    mpg123_rates(&rates, &rateCount);
    for (size_t i = 0; i < rateCount; ++i)
        mpg123_format(m_decoder, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    if (mpg123_open_feed(m_decoder) != MPG123_OK)
        throw io::IOException(Format("Failed to open MPG123 feed while reading {0}", name));

    for (;;) {
        uint8_t block[FEED_BLOCK];
        const int n = m_stream->read(block, FEED_BLOCK);
        if (n <= 0)
            throw io::IOException(Format("Failed to read MP3 header while reading {0}", name));
        size_t done = 0;
        const int result = mpg123_decode(m_decoder, block, static_cast<size_t>(n), nullptr, 0, &done);
        if (result == MPG123_NEW_FORMAT)
            break;
        if (result != MPG123_NEED_MORE)
            throw io::IOException(Format("Failed to read MP3 header while reading {0}", name));
    }
    long rate;
    int channels, encoding;
    mpg123_getformat(m_decoder, &rate, &channels, &encoding);
    m_sampleRate = static_cast<int>(rate);
    m_channels = channels;
    if ((encoding & 0xf) == 0xf)
        m_bitsPerSample = 8;
    else if (encoding & 0x40)
        m_bitsPerSample = 16;
    else if (encoding & 0x100)
        m_bitsPerSample = 32;
    else
        throw io::IOException(Format("Invalid bits per sample while reading {0}", name));
    m_blockAlign = m_bitsPerSample / 8 * m_channels;
    m_byteRate = m_blockAlign * m_sampleRate;
    m_dataSize = -1;
}

AudioReader::~AudioReader()
{
    if (m_type == TYPE_MP3)
        closeMp3();
}

void AudioReader::closeMp3()
{
    if (m_decoder)
        mpg123_delete(m_decoder);
    m_decoder = nullptr;
    lang::MutexLock lock(libraryLock());
    if (--s_readers == 0)
        mpg123_exit();
}

bool AudioReader::feed()
{
    uint8_t block[FEED_BLOCK];
    const int n = m_stream->read(block, FEED_BLOCK);
    if (n <= 0)
        return false;
    mpg123_feed(m_decoder, block, static_cast<size_t>(n));
    return true;
}

int AudioReader::readMp3(void* buffer, int offset, int count)
{
    if (count <= 0 || offset < 0 || m_blockAlign <= 0)
        return 0;
    if (offset < m_decodedBytes) {
        // Back to the start: a fresh feed decodes exactly what a first pass decoded, which
        // the decoder's own seeking can't promise without an index of the frames.
        mpg123_close(m_decoder);
        if (mpg123_open_feed(m_decoder) != MPG123_OK || !m_stream->seek(0, 0))
            return 0;
        m_decodedBytes = 0;
    }
    uint8_t skipped[4096];
    while (m_decodedBytes < offset) {
        const int n = decode(skipped, static_cast<int>(std::min<long>(sizeof(skipped), offset - m_decodedBytes)));
        if (n <= 0)
            return 0;
    }
    return decode(buffer, count);
}

int AudioReader::decode(void* buffer, int count)
{
    uint8_t* out = static_cast<uint8_t*>(buffer);
    int produced = 0;
    while (produced < count) {
        size_t done = 0;
        const int result = mpg123_read(m_decoder, out + produced, static_cast<size_t>(count - produced), &done);
        // Bytes decoded alongside a request for more input count too.
        produced += static_cast<int>(done);
        if (result == MPG123_NEED_MORE) {
            if (!feed())
                break;
        } else if (result != MPG123_OK && result != MPG123_NEW_FORMAT) {
            break;
        }
    }
    m_decodedBytes += produced;
    m_decodedTotal += produced;
    return produced;
}

} // namespace audio
