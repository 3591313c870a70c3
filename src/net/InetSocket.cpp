#include "net/InetSocket.h"

#include "lang/Exception.h"

#include <cerrno>
#include <netdb.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

using lang::Format;

namespace net {

InetSocket::~InetSocket()
{
    close();
}

void InetSocket::connect(const lang::String& host)
{
    close();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), "80", &hints, &found) != 0 || !found)
        throw lang::Exception(Format("Failed to resolve address for {0}", host));
    bool created = false;
    for (addrinfo* address = found; address; address = address->ai_next) {
        m_socket = ::socket(address->ai_family, address->ai_socktype, address->ai_protocol);
        if (m_socket < 0)
            continue;
        created = true;
        setTimeouts();
        if (::connect(m_socket, address->ai_addr, address->ai_addrlen) == 0)
            break;
        ::close(m_socket);
        m_socket = -1;
    }
    freeaddrinfo(found);
    if (!created)
        throw lang::Exception(Format("Failed to create sockey to {0}", host));
    if (m_socket < 0)
        throw lang::Exception(Format("Could not connect to host {0}", host));
}

void InetSocket::setTimeouts()
{
    timeval timeout{10, 0};
    setsockopt(m_socket, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
    setsockopt(m_socket, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof(timeout));
}

void InetSocket::send(const void* data, int n)
{
    if (m_socket < 0)
        throw lang::Exception(Format("Trying to send to unconnected socket"));
    const char* at = static_cast<const char*>(data);
    while (n > 0) {
        const ssize_t sent = ::send(m_socket, at, static_cast<size_t>(n), MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR)
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
        const ssize_t got = ::recv(m_socket, buffer, static_cast<size_t>(n), 0);
        if (got >= 0)
            return static_cast<int>(got);
        if (errno != EINTR)
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
