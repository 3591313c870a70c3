#pragma once

#include "HttpPeer.h"

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

/// A one-connection HTTP peer on 127.0.0.1:80 that never closes first: it records the
/// request, sends its answer, then either keeps the connection open in silence or trickles
/// one more byte every pause, until the client closes, the peer is destroyed, or 20 s have
/// passed. With a pause, the answer itself goes out a byte at a time too.
class HoldingPeer
{
public:
    explicit HoldingPeer(std::string answer, int pauseMs = 0, bool trickle = false)
        : m_answer(std::move(answer)), m_pauseMs(pauseMs), m_trickle(trickle)
    {
        m_ready = listenOnLoopback80(&m_listener);
        if (m_ready)
            m_thread = std::thread([this] { serve(); });
    }
    ~HoldingPeer()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        ::close(m_listener);
    }
    bool ready() const { return m_ready; }
    /// The request, once it has come in whole or the peer has given up waiting for it.
    std::string request() const
    {
        while (!m_requestDone && !m_ended)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return m_request;
    }
    /// Whether a whole request has come in.
    bool requested() const { return m_requestDone; }
    /// Whether the peer has seen the client close the connection.
    bool clientClosed() const { return m_clientClosed; }

private:
    int m_listener = -1;
    bool m_ready = false;
    std::string m_answer;
    int m_pauseMs;
    bool m_trickle;
    std::string m_request;
    std::atomic<bool> m_requestDone{false}, m_clientClosed{false}, m_ended{false}, m_stop{false};
    std::thread m_thread;

    using Clock = std::chrono::steady_clock;

    /// Waits for events on fd in short slices; false once stopped or 20 s after start.
    bool wait(int fd, short events, Clock::time_point start)
    {
        while (!m_stop && Clock::now() - start < std::chrono::seconds(20)) {
            pollfd entry{fd, events, 0};
            if (poll(&entry, 1, 20) > 0)
                return true;
        }
        return false;
    }

    bool sendAll(int connection, const char* data, size_t size)
    {
        while (size > 0) {
            const ssize_t n = send(connection, data, size, MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            data += n;
            size -= static_cast<size_t>(n);
        }
        return true;
    }

    void serve()
    {
        const Clock::time_point start = Clock::now();
        if (wait(m_listener, POLLIN, start)) {
            const int connection = accept(m_listener, nullptr, nullptr);
            if (connection >= 0) {
                converse(connection, start);
                ::close(connection);
            }
        }
        m_ended = true;
    }

    void converse(int connection, Clock::time_point start)
    {
        char c;
        while (m_request.size() < 4 || m_request.compare(m_request.size() - 4, 4, "\r\n\r\n") != 0) {
            if (!wait(connection, POLLIN, start) || recv(connection, &c, 1, 0) != 1)
                return;
            m_request += c;
        }
        m_requestDone = true;
        const auto pause = std::chrono::milliseconds(m_pauseMs);
        for (size_t i = 0; i < m_answer.size(); ++i) {
            if (m_pauseMs > 0)
                std::this_thread::sleep_for(pause);
            if (m_stop || !sendAll(connection, &m_answer[i], m_pauseMs > 0 ? 1 : m_answer.size()))
                return;
            if (m_pauseMs == 0)
                break;
        }
        while (!m_stop && Clock::now() - start < std::chrono::seconds(20)) {
            pollfd entry{connection, POLLIN, 0};
            if (poll(&entry, 1, m_trickle ? m_pauseMs : 20) > 0) {
                if (recv(connection, &c, 1, 0) <= 0) {
                    m_clientClosed = true;
                    return;
                }
            } else if (m_trickle && !sendAll(connection, "x", 1)) {
                m_clientClosed = true;
                return;
            }
        }
    }
};
