// HTTP responses: the input is what a server answers to the request, after which it closes
// the connection; the client reads the header block and then the body to its end.
//
// The server listens on port 80, where the client always connects, inside a network
// namespace of the process's own: it takes no port of the machine's and reaches no other
// host. Where no namespace can be made, the inputs are not run.

#include "FuzzSupport.h"

#include "net/HttpFileInputStream.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

namespace {

/// A private network namespace with its loopback up; false when none can be had.
bool privateLoopback()
{
    if (unshare(CLONE_NEWNET) != 0 && unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0)
        return false;
    const int s = socket(AF_INET, SOCK_DGRAM, 0);
    ifreq request{};
    std::strcpy(request.ifr_name, "lo");
    const bool up = s >= 0 && ioctl(s, SIOCGIFFLAGS, &request) == 0 &&
                    (request.ifr_flags |= IFF_UP, ioctl(s, SIOCSIFFLAGS, &request) == 0);
    if (s >= 0)
        close(s);
    return up;
}

/// Answers each connection with the current input once its request has arrived.
class Server
{
public:
    bool start()
    {
        if (!privateLoopback())
            return false;
        m_listener = socket(AF_INET, SOCK_STREAM, 0);
        int yes = 1;
        setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(80);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 || listen(m_listener, 4) != 0)
            return false;
        std::thread([this] { serve(); }).detach();
        return true;
    }

    void answer(const uint8_t* data, size_t size)
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_answer.assign(reinterpret_cast<const char*>(data), size);
    }

private:
    int m_listener = -1;
    std::mutex m_lock;
    std::string m_answer;

    void serve()
    {
        for (;;) {
            const int connection = accept(m_listener, nullptr, nullptr);
            if (connection < 0)
                continue;
            std::string request;
            char c;
            while (request.size() < 4 || request.compare(request.size() - 4, 4, "\r\n\r\n") != 0) {
                if (recv(connection, &c, 1, 0) != 1)
                    break;
                request += c;
            }
            std::string answer;
            {
                std::lock_guard<std::mutex> hold(m_lock);
                answer = m_answer;
            }
            for (size_t sent = 0; sent < answer.size();) {
                const ssize_t n = send(connection, answer.data() + sent, answer.size() - sent, MSG_NOSIGNAL);
                if (n <= 0)
                    break;
                sent += static_cast<size_t>(n);
            }
            close(connection);
        }
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::quiet();
    static Server* server = [] {
        Server* made = new Server;
        if (made->start())
            return made;
        std::fprintf(stderr, "fuzz_http: no network namespace of its own to listen in; inputs are not run\n");
        return static_cast<Server*>(nullptr);
    }();
    if (!server)
        return 0;
    server->answer(data, size);
    try {
        lang::Ptr<net::HttpFileInputStream> in = new net::HttpFileInputStream("http://127.0.0.1/latest.txt", "fuzz", 5000);
        char buffer[1024];
        in->available();
        in->skip(10);
        while (in->read(buffer, sizeof(buffer)) > 0) {
        }
    } catch (const lang::Throwable&) {
    }
    return 0;
}
