#pragma once

#include "lang/Object.h"
#include "lang/String.h"

#include <chrono>

namespace net {

/// A blocking TCP connection to port 80 of a host.
class InetSocket : public lang::Object
{
public:
    /// The longest a single connect, send or receive waits, in milliseconds.
    static const int WAIT_LIMIT = 10000;

    InetSocket() = default;
    ~InetSocket() override;
    InetSocket(const InetSocket&) = delete;
    InetSocket& operator=(const InetSocket&) = delete;

    /// Bounds everything from now on, connecting included, to milliseconds in all: a wait
    /// that would pass that moment throws lang::Exception "The exchange with {0} took
    /// longer than {1} ms" instead. A peer that sends a byte now and then keeps each wait
    /// short, so this is what ends it.
    void setTimeLimit(int milliseconds);
    /// Resolves host for TCP port 80 (any address family) and connects; throws
    /// lang::Exception "Failed to resolve address for {0}", "Failed to create sockey to
    /// {0}" or "Could not connect to host {0}". Resolving is not bounded by the time limit.
    void connect(const lang::String& host);
    /// Receive and send time-outs of WAIT_LIMIT, or of what is left of the time limit when
    /// that is less; connect() sets them.
    void setTimeouts();
    /// Sends all n bytes; throws "Send failed, error: {0}".
    void send(const void* data, int n);
    /// Receives up to n bytes; 0 when the peer has closed. Throws "Receive failed, error: {0}"
    /// (error 11 after WAIT_LIMIT without data).
    int receive(void* buffer, int n);
    void close();
    bool isConnected() const { return m_socket >= 0; }

private:
    using Clock = std::chrono::steady_clock;

    int m_socket = -1;
    lang::String m_host;
    int m_timeLimit = 0; ///< milliseconds; 0 for none
    Clock::time_point m_deadline;

    /// Waits until the socket is ready for events (poll flags) and returns true, or returns
    /// false after WAIT_LIMIT; throws the time-limit exception when the deadline comes first.
    bool await(short events);
    /// How long the next wait may last, in milliseconds; throws once the deadline has passed.
    int nextWait() const;
};

} // namespace net
