#pragma once

#include "io/InputStream.h"
#include "lang/Ptr.h"
#include "net/InetSocket.h"

namespace net {

/// The body of one HTTP/1.1 GET response, as an input stream. Plain HTTP on port 80
/// only: no TLS, redirects, chunked bodies or status checks. Blocks its thread: each wait
/// is bounded by InetSocket::WAIT_LIMIT and the whole exchange by a time limit.
class HttpFileInputStream : public io::InputStream
{
public:
    static const int MAX_HEADER = 65536;
    /// The time limit of an exchange unless told otherwise, in milliseconds.
    static const int TIME_LIMIT = 30000;

    /// Connects, sends the request and reads the header block, all within timeLimit
    /// milliseconds, which bound the reads of the body too. Throws lang::Exception.
    HttpFileInputStream(const lang::String& url, const lang::String& userAgent, int timeLimit = TIME_LIMIT);

    /// With a Content-Length, the body ends after that many bytes whether or not the server
    /// keeps the connection open, and a connection closed before then throws
    /// lang::Exception "The answer from {0} ended after {1} of its {2} bytes". Without
    /// one, the body ends when the server closes the connection.
    int read(void* buffer, int length) override;
    int skip(int count) override;
    bool seek(int, int) override { return false; }
    /// The "Content-Length" of the response (not decreased by reading), or -1.
    int available() const override { return m_contentLength; }
    lang::String toString() const override { return lang::String(); }

    /// The request block sent for url and userAgent.
    static lang::String request(const lang::String& url, const lang::String& userAgent);

private:
    lang::Ptr<InetSocket> m_socket;
    lang::String m_host;
    int m_contentLength = -1;
    int m_received = 0; ///< body bytes read so far

    static void split(const lang::String& url, lang::String* host, lang::String* path);
    /// The value of the Content-Length field of a header block, or -1.
    static int contentLength(const std::string& header);
};

} // namespace net
