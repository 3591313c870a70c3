#include "net/InetSocket.h"

#include "lang/Exception.h"

#include <cerrno>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

using lang::Format;

namespace net {

InetSocket::~InetSocket()
{
    close();
}

void InetSocket::setTimeLimit(int milliseconds)
{
    m_timeLimit = milliseconds > 0 ? milliseconds : 0;
    m_deadline = Clock::now() + std::chrono::milliseconds(m_timeLimit);
}

int InetSocket::nextWait() const
{
    if (m_timeLimit == 0)
        return WAIT_LIMIT;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(m_deadline - Clock::now()).count();
    if (left <= 0)
        throw lang::Exception(Format("The exchange with {0} took longer than {1} ms", m_host, m_timeLimit));
    return left < WAIT_LIMIT ? static_cast<int>(left) : WAIT_LIMIT;
}

bool InetSocket::await(short events)
{
    for (;;) {
        const int wait = nextWait();
        pollfd entry{m_socket, events, 0};
        const int ready = ::poll(&entry, 1, wait);
        if (ready > 0)
            return true;
        if (ready < 0 && errno != EINTR)
            return true; // the call that follows reports the error
        if (ready == 0 && wait == WAIT_LIMIT)
            return false;
        // Otherwise interrupted, or the deadline came: nextWait() tells which.
    }
}

void InetSocket::connect(const lang::String& host)
{
    close();
    m_host = host;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), "80", &hints, &found) != 0 || !found)
        throw lang::Exception(Format("Failed to resolve address for {0}", host));
    bool created = false, late = false;
    for (addrinfo* address = found; address; address = address->ai_next) {
        m_socket = ::socket(address->ai_family, address->ai_socktype, address->ai_protocol);
        if (m_socket < 0)
            continue;
        created = true;
        // A blocking connect gives up after the send time-out: the lesser of the wait
        // limit and what is left of the time limit.
        setTimeouts();
        if (::connect(m_socket, address->ai_addr, address->ai_addrlen) == 0)
            break;
        ::close(m_socket);
        m_socket = -1;
        if (m_timeLimit > 0 && Clock::now() >= m_deadline) {
            late = true;
            break;
        }
    }
    freeaddrinfo(found);
    if (late)
        nextWait(); // throws the time-limit exception
    if (!created)
        throw lang::Exception(Format("Failed to create sockey to {0}", host));
    if (m_socket < 0)
        throw lang::Exception(Format("Could not connect to host {0}", host));
}

void InetSocket::setTimeouts()
{
    int wait = WAIT_LIMIT;
    if (m_timeLimit > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(m_deadline - Clock::now()).count();
        wait = left < 1 ? 1 : left < WAIT_LIMIT ? static_cast<int>(left) : WAIT_LIMIT;
    }
    timeval timeout{wait / 1000, (wait % 1000) * 1000};
    setsockopt(m_socket, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
    setsockopt(m_socket, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof(timeout));
}

void InetSocket::send(const void* data, int n)
{
    if (m_socket < 0)
        throw lang::Exception(Format("Trying to send to unconnected socket"));
    const char* at = static_cast<const char*>(data);
    while (n > 0) {
        if (!await(POLLOUT))
            throw lang::Exception(Format("Send failed, error: {0}", EAGAIN));
        const ssize_t sent = ::send(m_socket, at, static_cast<size_t>(n), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)
                continue;
            throw lang::Exception(Format("Send failed, error: {0}", errno));
        }
        at += sent;
        n -= static_cast<int>(sent);
    }
}

int InetSocket::receive(void* buffer, int n)
{
    if (m_socket < 0)
        throw lang::Exception(Format("Trying to recv from unconnected socket"));
    for (;;) {
        if (!await(POLLIN))
            throw lang::Exception(Format("Receive failed, error: {0}", EAGAIN));
        const ssize_t got = ::recv(m_socket, buffer, static_cast<size_t>(n), MSG_DONTWAIT);
        if (got >= 0)
            return static_cast<int>(got);
        if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK)
            throw lang::Exception(Format("Receive failed, error: {0}", errno));
    }
}

void InetSocket::close()
{
    if (m_socket >= 0)
        ::close(m_socket);
    m_socket = -1;
}

} // namespace net
