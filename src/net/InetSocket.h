#pragma once

#include "lang/Object.h"
#include "lang/String.h"

namespace net {

/// A blocking TCP connection to port 80 of a host.
class InetSocket : public lang::Object
{
public:
    InetSocket() = default;
    ~InetSocket() override;
    InetSocket(const InetSocket&) = delete;
    InetSocket& operator=(const InetSocket&) = delete;

    /// Resolves host for TCP port 80 (any address family) and connects; throws
    /// lang::Exception "Failed to resolve address for {0}", "Failed to create sockey to
    /// {0}" or "Could not connect to host {0}".
    void connect(const lang::String& host);
    /// 10 000 ms receive and send time-outs.
    void setTimeouts();
    /// Sends all n bytes; throws "Send failed, error: {0}".
    void send(const void* data, int n);
    /// Receives up to n bytes; 0 when the peer has closed. Throws "Receive failed, error: {0}".
    int receive(void* buffer, int n);
    void close();
    bool isConnected() const { return m_socket >= 0; }

private:
    int m_socket = -1;
};

} // namespace net
