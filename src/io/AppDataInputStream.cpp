#include "io/AppDataInputStream.h"

#include "io/AppData.h"
#include "io/IOException.h"
#include "io/PathName.h"
#include "io/StreamUtil.h"

using lang::Format;

namespace io {

AppDataInputStream::AppDataInputStream(const lang::String& name)
    : m_path(PathName(applicationDataPath(), name).fullPath())
{
    m_file = std::fopen(m_path.c_str(), "rb");
    if (!m_file)
        throw IOException(Format("Failed to open {0}", displayName(m_path)));
}

AppDataInputStream::~AppDataInputStream()
{
    std::fclose(m_file);
}

int AppDataInputStream::read(void* buffer, int length)
{
    if (length <= 0)
        return 0;
    int count = static_cast<int>(std::fread(buffer, 1, static_cast<size_t>(length), m_file));
    if (count < length && std::ferror(m_file))
        throw IOException(Format("Failed to read {1} bytes from {0}", m_path, length));
    return count;
}

int AppDataInputStream::skip(int count)
{
    char scratch[256];
    int total = 0;
    while (total < count) {
        int chunk = count - total < 256 ? count - total : 256;
        int got = read(scratch, chunk);
        if (got == 0)
            break;
        total += got;
    }
    return total;
}

bool AppDataInputStream::seek(int offset, int origin)
{
    static const int whence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
    if (origin < 0 || origin > 2)
        return false;
    return std::fseek(m_file, offset, whence[origin]) == 0;
}

int AppDataInputStream::available() const
{
    long left = bytesToEnd(m_file);
    if (left < 0 || std::ferror(m_file))
        throw IOException(Format("Failed to seek {0}", m_path));
    return left > INT32_MAX ? INT32_MAX : static_cast<int>(left);
}

} // namespace io
