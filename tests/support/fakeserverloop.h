// SPDX-License-Identifier: MIT
#pragma once

// What the scripted test servers share: a socket listening on the loopback
// address, a thread that accepts and serves each connection on a thread of
// its own, and a Stop() that ends them all promptly, stalled ones too.
//
// A server derives from it, serves one connection in Serve() (polling
// wakeFd() beside the socket, so a stop reaches it) and starts accepting as
// the last step of its constructor; its destructor calls Stop() before its
// own members go. m_mutex guards the loop's state and whatever the server
// keeps; m_changed is notified on every change of either.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/net/connectto.h"

class FakeServerLoop {
public:
    using Clock = std::chrono::steady_clock;
    enum class Family { IPv4, IPv6 };

    FakeServerLoop(const FakeServerLoop&) = delete;
    FakeServerLoop& operator=(const FakeServerLoop&) = delete;

    [[nodiscard]] Family family() const { return m_family; }
    [[nodiscard]] std::uint16_t port() const { return m_port; }
    // "127.0.0.1" or "::1".
    [[nodiscard]] std::string address() const;

    // Stops accepting, ends every connection and joins all threads. Idempotent.
    void Stop();

    // Connections accepted so far.
    [[nodiscard]] std::size_t ConnectionCount() const;
    // True once `count` connections have been accepted and served to their
    // end; false at the deadline.
    [[nodiscard]] bool WaitForFinishedConnections(std::size_t count,
                                                  std::chrono::milliseconds timeout) const;
    // True once `count` connections have been accepted; false at the deadline.
    [[nodiscard]] bool WaitForConnections(std::size_t count,
                                          std::chrono::milliseconds timeout) const;

    // Overrides sending each host name to this server.
    [[nodiscard]] std::vector<ConnectOverride>
    OverridesFor(const std::vector<std::string>& hosts) const;

protected:
    // How the connection threads wait. Polling ones wait on their socket and
    // wakeFd() together. Blocking ones sit inside socket calls (TLS reads and
    // writes) where the wake pipe cannot reach them, so Stop() shuts their
    // sockets down.
    enum class Sockets { Polling, Blocking };

    // One accepted connection; a server derives its own to keep more.
    struct Connection {
        virtual ~Connection() = default;
        int fd = -1;           // closed by the loop once Serve() returns
        std::size_t index = 0; // 0-based, in the order of accept
        Clock::time_point accepted;
        bool finished = false; // Serve() returned and the socket is closed
        std::thread thread;
    };

    // Binds [loopback]:0 and listens; throws std::runtime_error starting
    // with `name` when the socket or the wake pipe cannot be set up.
    FakeServerLoop(Family family, Sockets sockets, const std::string& name);
    virtual ~FakeServerLoop();

    void StartAccepting();
    [[nodiscard]] int wakeFd() const { return m_wakeRead; }

    // Called under m_mutex for each accepted connection.
    [[nodiscard]] virtual std::unique_ptr<Connection> NewConnection();
    // Serves one connection on its own thread, without m_mutex held.
    virtual void Serve(Connection& connection) = 0;

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    bool m_stopped = false;
    // Every connection, in the order of accept; never shrinks.
    std::vector<std::unique_ptr<Connection>> m_connections;

private:
    void AcceptLoop();

    Family m_family;
    Sockets m_sockets;
    int m_listenFd = -1;
    int m_wakeRead = -1; // becomes readable when Stop() is called
    int m_wakeWrite = -1;
    std::uint16_t m_port = 0;
    // The connections whose threads are not joined yet.
    std::vector<Connection*> m_unjoined;
    std::thread m_acceptThread;
};
