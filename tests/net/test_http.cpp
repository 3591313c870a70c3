#include "lang/Exception.h"
#include "net/HttpFileInputStream.h"

#include "Failure.h"
#include "LogCapture.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using lang::String;
using net::HttpFileInputStream;

namespace {

/// A one-connection HTTP peer on 127.0.0.1:80: records the request, sends a canned answer.
class Peer
{
public:
    explicit Peer(std::string answer, bool close = true) : m_answer(std::move(answer)), m_close(close)
    {
        m_listener = socket(AF_INET, SOCK_STREAM, 0);
        int yes = 1;
        setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(80);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_ready = bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
                  listen(m_listener, 1) == 0;
        if (m_ready)
            m_thread = std::thread([this] { serve(); });
    }
    ~Peer()
    {
        if (m_thread.joinable())
            m_thread.join();
        ::close(m_listener);
    }
    bool ready() const { return m_ready; }
    std::string request()
    {
        if (m_thread.joinable())
            m_thread.join();
        return m_request;
    }

private:
    int m_listener = -1;
    bool m_ready = false;
    std::string m_answer;
    bool m_close;
    std::string m_request;
    std::thread m_thread;

    void serve()
    {
        const int connection = accept(m_listener, nullptr, nullptr);
        if (connection < 0)
            return;
        char c;
        while (m_request.size() < 4 || m_request.compare(m_request.size() - 4, 4, "\r\n\r\n") != 0) {
            if (recv(connection, &c, 1, 0) != 1)
                break;
            m_request += c;
        }
        size_t sent = 0;
        while (sent < m_answer.size()) {
            const ssize_t n = send(connection, m_answer.data() + sent, m_answer.size() - sent, MSG_NOSIGNAL);
            if (n <= 0)
                break;
            sent += static_cast<size_t>(n);
        }
        if (!m_close)
            sleep(1);
        ::close(connection);
    }
};

std::string body(HttpFileInputStream& in)
{
    std::string out;
    char buffer[16];
    for (int n; (n = in.read(buffer, sizeof(buffer))) > 0;)
        out.append(buffer, static_cast<size_t>(n));
    return out;
}

#define NEED_PORT_80(peer) \
    if (!(peer).ready())   \
    GTEST_SKIP() << "cannot listen on 127.0.0.1:80 here (the suite runs as root on its machines)"

} // namespace

TEST(Http, RequestBlocks)
{
    EXPECT_EQ(HttpFileInputStream::request("http://example.org/check?version=1", "").str(),
              "GET /check?version=1 HTTP/1.1\r\nHost: example.org\r\nAccept: */*\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(HttpFileInputStream::request("example.org/a", "Pelterra/1").str(),
              "GET /a HTTP/1.1\r\nHost: example.org\r\nAccept: */*\r\nUser-Agent: Pelterra/1\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(messageOf<lang::Exception>([] { HttpFileInputStream::request("http://example.org", ""); }),
              "Missing filename in url http://example.org");
}

TEST(Http, ContentLengthAndBody)
{
    Peer peer("HTTP/1.1 200 OK\r\nContent-Length: 42\r\n\r\n" + std::string(42, 'b'));
    NEED_PORT_80(peer);
    HttpFileInputStream in("http://127.0.0.1/latest.txt", "agent");
    EXPECT_EQ(in.available(), 42);
    EXPECT_EQ(body(in), std::string(42, 'b'));
    EXPECT_EQ(in.available(), 42);
    EXPECT_FALSE(in.seek(0, 0));
    EXPECT_EQ(in.toString(), "");
    EXPECT_EQ(peer.request(),
              "GET /latest.txt HTTP/1.1\r\nHost: 127.0.0.1\r\nAccept: */*\r\nUser-Agent: agent\r\nConnection: close\r\n\r\n");
}

TEST(Http, NoLengthReadsUntilClose)
{
    Peer peer("HTTP/1.1 200 OK\r\nServer: test\r\n\r\nstatus=ok&latest=2.0");
    NEED_PORT_80(peer);
    HttpFileInputStream in("https://127.0.0.1:8443/v", "");
    EXPECT_EQ(in.available(), -1);
    EXPECT_EQ(body(in), "status=ok&latest=2.0");
    EXPECT_EQ(peer.request().find("User-Agent"), std::string::npos);
    EXPECT_NE(peer.request().find("Host: 127.0.0.1:8443\r\n"), std::string::npos);
}

TEST(Http, AnEndlessHeaderIsCutOff)
{
    Peer peer("HTTP/1.1 200 OK\r\n" + std::string(100000, 'x'), false);
    NEED_PORT_80(peer);
    EXPECT_EQ(messageOf<lang::Exception>([] { HttpFileInputStream in("http://127.0.0.1/x", ""); }),
              "The HTTP header from 127.0.0.1 is longer than 65536 bytes");
}

TEST(Http, NothingListening)
{
    LogCapture quiet;
    EXPECT_EQ(messageOf<lang::Exception>([] { HttpFileInputStream in("http://nonexistent.invalid/x", ""); }),
              "Failed to resolve address for nonexistent.invalid");
}
