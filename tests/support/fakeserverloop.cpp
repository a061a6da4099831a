// SPDX-License-Identifier: MIT
#include "tests/support/fakeserverloop.h"

#include <algorithm>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

#include "tests/support/serverfds.h"

FakeServerLoop::FakeServerLoop(Family family, Sockets sockets, const std::string& name)
    : m_family(family), m_sockets(sockets) {
    if (!OpenWakePipe(m_wakeRead, m_wakeWrite)) {
        throw std::runtime_error(name + ": pipe failed");
    }
    m_listenFd =
        ::socket(family == Family::IPv4 ? AF_INET : AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int one = 1;
    ::setsockopt(m_listenFd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_storage storage{};
    socklen_t length = 0;
    if (family == Family::IPv4) {
        auto* addr = reinterpret_cast<sockaddr_in*>(&storage);
        addr->sin_family = AF_INET;
        addr->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        length = sizeof *addr;
    } else {
        auto* addr = reinterpret_cast<sockaddr_in6*>(&storage);
        addr->sin6_family = AF_INET6;
        addr->sin6_addr = in6addr_loopback;
        length = sizeof *addr;
    }
    auto* addr = reinterpret_cast<sockaddr*>(&storage);
    if (m_listenFd < 0 || ::bind(m_listenFd, addr, length) != 0 || ::listen(m_listenFd, 128) != 0 ||
        ::getsockname(m_listenFd, addr, &length) != 0) {
        CloseFd(m_listenFd);
        CloseFd(m_wakeRead);
        CloseFd(m_wakeWrite);
        throw std::runtime_error(name + ": cannot listen on " + address());
    }
    m_port = ntohs(family == Family::IPv4 ? reinterpret_cast<sockaddr_in*>(&storage)->sin_port
                                          : reinterpret_cast<sockaddr_in6*>(&storage)->sin6_port);
}

FakeServerLoop::~FakeServerLoop() {
    // Only reached unstopped when the server's constructor threw, before
    // any connection.
    Stop();
}

std::string FakeServerLoop::address() const {
    return m_family == Family::IPv4 ? "127.0.0.1" : "::1";
}

void FakeServerLoop::StartAccepting() {
    m_acceptThread = std::thread([this] { AcceptLoop(); });
}

std::unique_ptr<FakeServerLoop::Connection> FakeServerLoop::NewConnection() {
    return std::make_unique<Connection>();
}

void FakeServerLoop::Stop() {
    {
        std::lock_guard lock(m_mutex);
        if (m_stopped) {
            return;
        }
        m_stopped = true;
    }
    Wake(m_wakeWrite);
    if (m_acceptThread.joinable()) {
        m_acceptThread.join();
    }
    // No new connection can appear now; every polling thread sees the wake pipe.
    std::vector<Connection*> connections;
    {
        std::lock_guard lock(m_mutex);
        for (auto& connection : m_connections) {
            if (m_sockets == Sockets::Blocking && connection->fd >= 0) {
                ::shutdown(connection->fd, SHUT_RDWR);
            }
            connections.push_back(connection.get());
        }
    }
    for (Connection* connection : connections) {
        if (connection->thread.joinable()) {
            connection->thread.join();
        }
    }
    CloseFd(m_listenFd);
    CloseFd(m_wakeRead);
    CloseFd(m_wakeWrite);
}

void FakeServerLoop::AcceptLoop() {
    const int flags = m_sockets == Sockets::Polling ? SOCK_CLOEXEC | SOCK_NONBLOCK : SOCK_CLOEXEC;
    for (;;) {
        const int fd = AcceptUnlessWoken(m_listenFd, m_wakeRead, flags);
        const auto accepted = Clock::now();
        if (fd < 0) {
            return;
        }
        std::lock_guard lock(m_mutex);
        // Join the threads that are done so a long benchmark does not pile
        // them up; only the unjoined ones are walked, so a million
        // connections do not make each accept walk them all.
        std::erase_if(m_unjoined, [](Connection* old) {
            if (!old->finished) {
                return false;
            }
            old->thread.join();
            return true;
        });
        auto connection = NewConnection();
        connection->fd = fd;
        connection->index = m_connections.size();
        connection->accepted = accepted;
        Connection* raw = connection.get();
        m_connections.push_back(std::move(connection));
        m_unjoined.push_back(raw);
        raw->thread = std::thread([this, raw] {
            Serve(*raw);
            std::lock_guard served(m_mutex);
            ::close(raw->fd);
            raw->fd = -1;
            raw->finished = true;
            m_changed.notify_all();
        });
        m_changed.notify_all();
    }
}

std::size_t FakeServerLoop::ConnectionCount() const {
    std::lock_guard lock(m_mutex);
    return m_connections.size();
}

bool FakeServerLoop::WaitForFinishedConnections(std::size_t count,
                                                std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] {
        const auto finished =
            std::count_if(m_connections.begin(), m_connections.end(),
                          [](const auto& connection) { return connection->finished; });
        return static_cast<std::size_t>(finished) >= count;
    });
}

bool FakeServerLoop::WaitForConnections(std::size_t count,
                                        std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return m_connections.size() >= count; });
}

std::vector<ConnectOverride>
FakeServerLoop::OverridesFor(const std::vector<std::string>& hosts) const {
    std::vector<ConnectOverride> out;
    out.reserve(hosts.size());
    for (const auto& host : hosts) {
        out.push_back(ConnectOverride{host, address(), m_port});
    }
    return out;
}
