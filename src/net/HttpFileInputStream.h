#pragma once

#include "io/InputStream.h"
#include "lang/Ptr.h"
#include "net/InetSocket.h"

namespace net {

/// The body of one HTTP/1.1 GET response, as an input stream. Plain HTTP on port 80
/// only: no TLS, redirects, chunked bodies or status checks. Blocks its thread; every
/// wait is bounded by the socket's 10 s time-outs.
class HttpFileInputStream : public io::InputStream
{
public:
    static const int MAX_HEADER = 65536;

    /// Connects, sends the request and reads the header block. Throws lang::Exception.
    HttpFileInputStream(const lang::String& url, const lang::String& userAgent);

    int read(void* buffer, int length) override;
    int skip(int count) override;
    bool seek(int, int) override { return false; }
    /// The "Content-Length: " of the response (not decreased by reading), or -1.
    int available() const override { return m_contentLength; }
    lang::String toString() const override { return lang::String(); }

    /// The request block sent for url and userAgent.
    static lang::String request(const lang::String& url, const lang::String& userAgent);

private:
    lang::Ptr<InetSocket> m_socket;
    int m_contentLength = -1;

    static void split(const lang::String& url, lang::String* host, lang::String* path);
};

} // namespace net
