#include "io/FileInputStream.h"

#include "io/FileBundle.h"
#include "io/IOException.h"
#include "io/StreamUtil.h"

#include <sys/stat.h>

using lang::Format;
using lang::String;

namespace io {

FileInputStream::FileInputStream(const String& name) : m_name(name)
{
    String path = name;
    const FileBundle* bundle = FileBundle::installed();
    if (bundle && bundle->contains(name)) {
        path = bundle->getFile(name);
        m_start = bundle->getOffset(name);
        m_size = m_remaining = bundle->getSize(name);
    }
    m_file = std::fopen(path.c_str(), "rb");
    if (!m_file)
        throw IOException(Format("Failed to open {0}", displayName(name)));
    // A directory opens for reading here, and its size would be taken for data.
    struct stat opened;
    if (fstat(fileno(m_file), &opened) != 0 || S_ISDIR(opened.st_mode)) {
        std::fclose(m_file);
        throw IOException(Format("Failed to open {0}", displayName(name)));
    }
    if (inBundle()) {
        // A window that passes the container's end ends there: the entry reads short
        // rather than promising bytes that are not in the file.
        struct stat info;
        if (fstat(fileno(m_file), &info) == 0) {
            long long inFile = static_cast<long long>(info.st_size) - m_start;
            if (inFile < m_remaining)
                m_size = m_remaining = static_cast<int>(inFile < 0 ? 0 : inFile);
        }
    }
    if (m_start >= 1 && std::fseek(m_file, m_start, SEEK_SET) != 0) {
        std::fclose(m_file);
        throw IOException(Format("Failed to seek {0}", name));
    }
}

FileInputStream::~FileInputStream()
{
    std::fclose(m_file);
}

int FileInputStream::read(void* buffer, int length)
{
    if (length <= 0)
        return 0;
    if (inBundle() && m_remaining < length)
        length = m_remaining;
    int count = static_cast<int>(std::fread(buffer, 1, static_cast<size_t>(length), m_file));
    if (count < length && std::ferror(m_file))
        throw IOException(Format("Failed to read {1} bytes from {0}", m_name, length));
    if (m_remaining > 0)
        m_remaining -= count;
    return count;
}

int FileInputStream::skip(int count)
{
    int left = available();
    if (count > left)
        count = left;
    if (count <= 0)
        return 0;
    if (std::fseek(m_file, count, SEEK_CUR) != 0)
        throw IOException(Format("Failed to skip {1} bytes from {0}", m_name, count));
    if (m_remaining > 0)
        m_remaining -= count;
    return count;
}

bool FileInputStream::seek(int offset, int origin)
{
    long target;
    switch (origin) {
    case 0:
        target = m_start + offset;
        break;
    case 1:
        target = std::ftell(m_file) + offset;
        break;
    case 2:
        target = std::ftell(m_file) + offset + available();
        break;
    default:
        return false;
    }
    if (inBundle()) {
        // Positions outside the entry's window are refused rather than reading a
        // neighbour's bytes.
        long relative = target - m_start;
        if (relative < 0 || relative > m_size)
            return false;
    }
    if (target < 0 || std::fseek(m_file, target, SEEK_SET) != 0)
        return false;
    if (inBundle())
        m_remaining = m_size - static_cast<int>(target - m_start);
    return true;
}

int FileInputStream::available() const
{
    if (inBundle())
        return m_remaining;
    long left = bytesToEnd(m_file);
    if (left < 0)
        throw IOException(Format("Failed to seek {0}", m_name));
    return left > INT32_MAX ? INT32_MAX : static_cast<int>(left);
}

} // namespace io
