#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

/// Opens a listening socket on 127.0.0.1:80 into *listener; false when it can't be had.
inline bool listenOnLoopback80(int* listener)
{
    *listener = socket(AF_INET, SOCK_STREAM, 0);
    int yes = 1;
    setsockopt(*listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(80);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return bind(*listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 && listen(*listener, 1) == 0;
}

/// A one-connection HTTP peer on 127.0.0.1:80: records the request, sends a canned answer.
class HttpPeer
{
public:
    explicit HttpPeer(std::string answer, bool close = true) : m_answer(std::move(answer)), m_close(close)
    {
        m_ready = listenOnLoopback80(&m_listener);
        if (m_ready)
            m_thread = std::thread([this] { serve(); });
    }
    ~HttpPeer()
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

