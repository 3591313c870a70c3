#include "net/HttpFileInputStream.h"

#include "lang/Exception.h"

#include <cctype>
#include <cstdint>
#include <cstring>
#include <string>

using lang::Format;
using lang::String;

namespace net {

void HttpFileInputStream::split(const String& url, String* host, String* path)
{
    const int scheme = url.indexOf("://");
    const int start = scheme >= 0 ? scheme + 3 : 0;
    const int slash = url.indexOf('/', start);
    if (slash < 0)
        throw lang::Exception(Format("Missing filename in url {0}", url));
    *host = url.substring(start, slash);
    *path = url.substring(slash);
}

String HttpFileInputStream::request(const String& url, const String& userAgent)
{
    String host, path;
    split(url, &host, &path);
    String text = "GET " + path + " HTTP/1.1\r\n" + "Host: " + host + "\r\n" + "Accept: */*\r\n";
    if (!userAgent.isEmpty())
        text += "User-Agent: " + userAgent + "\r\n";
    text += "Connection: close\r\n\r\n";
    return text;
}

HttpFileInputStream::HttpFileInputStream(const String& url, const String& userAgent, int timeLimit)
    : m_socket(new InetSocket)
{
    String path;
    split(url, &m_host, &path);
    const String text = request(url, userAgent);
    // An explicit port names no other host: the connection is always to port 80.
    String name = m_host;
    const int colon = name.lastIndexOf(':');
    if (colon >= 0 && name.indexOf(']') < colon)
        name = name.substring(0, colon);
    if (name.startsWith("[") && name.endsWith("]"))
        name = name.substring(1, name.length() - 1);
    m_socket->setTimeLimit(timeLimit);
    m_socket->connect(name);
    m_socket->send(text.c_str(), text.length());

    // The header block, a byte at a time so that nothing of the body is read ahead,
    // capped so that a server can't fill the memory.
    std::string header;
    char c;
    while (header.size() < 4 || header.compare(header.size() - 4, 4, "\r\n\r\n") != 0) {
        if (m_socket->receive(&c, 1) != 1)
            break;
        header += c;
        if (header.size() > MAX_HEADER)
            throw lang::Exception(Format("The HTTP header from {0} is longer than {1} bytes", m_host, MAX_HEADER));
    }
    m_contentLength = contentLength(header);
}

int HttpFileInputStream::contentLength(const std::string& header)
{
    // Field names are case-insensitive, and white space may stand before the value.
    static const char name[] = "\r\ncontent-length:";
    const size_t nameLength = sizeof(name) - 1;
    for (size_t line = header.find("\r\n"); line != std::string::npos; line = header.find("\r\n", line + 2)) {
        if (header.size() - line < nameLength)
            break;
        size_t i = 0;
        while (i < nameLength && std::tolower(static_cast<unsigned char>(header[line + i])) == name[i])
            ++i;
        if (i < nameLength)
            continue;
        size_t at = line + nameLength;
        while (at < header.size() && (header[at] == ' ' || header[at] == '\t'))
            ++at;
        long long length = 0;
        bool digits = false;
        for (; at < header.size() && header[at] >= '0' && header[at] <= '9'; ++at) {
            digits = true;
            length = length * 10 + (header[at] - '0');
            if (length > INT32_MAX)
                return -1; // too long to be a length this client can use
        }
        return digits ? static_cast<int>(length) : -1;
    }
    return -1;
}

int HttpFileInputStream::read(void* buffer, int length)
{
    if (m_contentLength >= 0 && length > m_contentLength - m_received)
        length = m_contentLength - m_received;
    int total = 0;
    char* at = static_cast<char*>(buffer);
    while (total < length) {
        const int got = m_socket->receive(at + total, length - total);
        if (got == 0) {
            if (m_contentLength >= 0)
                throw lang::Exception(Format("The answer from {0} ended after {1} of its {2} bytes", m_host,
                                             m_received + total, m_contentLength));
            break;
        }
        total += got;
    }
    m_received += total;
    return total;
}

int HttpFileInputStream::skip(int count)
{
    char scratch[256];
    int total = 0;
    while (total < count) {
        const int got = read(scratch, count - total < 256 ? count - total : 256);
        if (got == 0)
            break;
        total += got;
    }
    return total;
}

} // namespace net
