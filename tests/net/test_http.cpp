#include "lang/Exception.h"
#include "net/HttpFileInputStream.h"

#include "Failure.h"
#include "HttpPeer.h"
#include "HoldingPeer.h"
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
    HttpPeer peer("HTTP/1.1 200 OK\r\nContent-Length: 42\r\n\r\n" + std::string(42, 'b'));
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
    HttpPeer peer("HTTP/1.1 200 OK\r\nServer: test\r\n\r\nstatus=ok&latest=2.0");
    NEED_PORT_80(peer);
    HttpFileInputStream in("https://127.0.0.1:8443/v", "");
    EXPECT_EQ(in.available(), -1);
    EXPECT_EQ(body(in), "status=ok&latest=2.0");
    EXPECT_EQ(peer.request().find("User-Agent"), std::string::npos);
    EXPECT_NE(peer.request().find("Host: 127.0.0.1:8443\r\n"), std::string::npos);
}

TEST(Http, AnEndlessHeaderIsCutOff)
{
    HttpPeer peer("HTTP/1.1 200 OK\r\n" + std::string(100000, 'x'), false);
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

TEST(Http, AKeepAliveAnswerEndsAtItsContentLength)
{
    // The server leaves the connection open after the body, as HTTP/1.1 allows.
    HoldingPeer peer("HTTP/1.1 200 OK\r\nConnection: keep-alive\r\nContent-Length: 20\r\n\r\nstatus=ok&latest=2.0");
    NEED_PORT_80(peer);
    HttpFileInputStream in("http://127.0.0.1/v", "");
    EXPECT_EQ(in.available(), 20);
    EXPECT_EQ(body(in), "status=ok&latest=2.0");
    char more[4];
    EXPECT_EQ(in.read(more, sizeof(more)), 0);
    EXPECT_FALSE(peer.clientClosed());
}

TEST(Http, TheContentLengthFieldIsReadInAnyCase)
{
    HoldingPeer peer("HTTP/1.1 200 OK\r\nX-Content-Length: 2\r\ncontent-LENGTH:\t7\r\n\r\nlatest=");
    NEED_PORT_80(peer);
    HttpFileInputStream in("http://127.0.0.1/v", "");
    EXPECT_EQ(in.available(), 7);
    EXPECT_EQ(body(in), "latest=");
}

TEST(Http, AnAnswerShorterThanItsContentLengthFails)
{
    HttpPeer peer("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n12345");
    NEED_PORT_80(peer);
    HttpFileInputStream in("http://127.0.0.1/v", "");
    EXPECT_EQ(messageOf<lang::Exception>([&] { body(in); }), "The answer from 127.0.0.1 ended after 5 of its 10 bytes");
}

TEST(Http, AHeaderTrickledForeverIsCutOffByTheTimeLimit)
{
    // A byte every 20 ms keeps every single wait short.
    HoldingPeer peer("HTTP/1.1 200 OK\r\nX-Slow: ", 20, true);
    NEED_PORT_80(peer);
    EXPECT_EQ(messageOf<lang::Exception>([] { HttpFileInputStream in("http://127.0.0.1/x", "", 300); }),
              "The exchange with 127.0.0.1 took longer than 300 ms");
}

TEST(Http, ABodyTrickledForeverIsCutOffByTheTimeLimit)
{
    HoldingPeer peer("HTTP/1.1 200 OK\r\n\r\nstatus=", 20, true);
    NEED_PORT_80(peer);
    EXPECT_EQ(messageOf<lang::Exception>([] {
                  HttpFileInputStream in("http://127.0.0.1/x", "", 400);
                  body(in);
              }),
              "The exchange with 127.0.0.1 took longer than 400 ms");
}
