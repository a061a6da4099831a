// SPDX-License-Identifier: MIT
#include "fakeproxy.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Repeats `step` (a recv or send) until `size` bytes went through; false
// when the peer closed or the socket failed first.
template <typename Bytes, typename Step>
bool MoveAll(Bytes* bytes, std::size_t size, Step step) {
    while (size > 0) {
        const ssize_t n = step(bytes, size);
        if (n <= 0) {
            if (n < 0 && errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool ReadExactly(int fd, void* buffer, std::size_t size) {
    return MoveAll(
        static_cast<unsigned char*>(buffer), size,
        [fd](unsigned char* bytes, std::size_t left) { return ::recv(fd, bytes, left, 0); });
}

bool WriteAll(int fd, const void* buffer, std::size_t size) {
    return MoveAll(static_cast<const unsigned char*>(buffer), size,
                   [fd](const unsigned char* bytes, std::size_t left) {
                       return ::send(fd, bytes, left, MSG_NOSIGNAL);
                   });
}

int ConnectTo(const std::string& host, std::uint16_t port) {
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    // Only literal addresses and "localhost": the proxy never leaves loopback.
    hints.ai_flags = AI_NUMERICSERV;
    if (::getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0) {
        return -1;
    }
    int fd = -1;
    for (addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
        fd = ::socket(entry->ai_family, entry->ai_socktype | SOCK_CLOEXEC, entry->ai_protocol);
        if (fd >= 0 && ::connect(fd, entry->ai_addr, entry->ai_addrlen) == 0) {
            break;
        }
        if (fd >= 0) {
            ::close(fd);
        }
        fd = -1;
    }
    ::freeaddrinfo(found);
    return fd;
}

void Relay(int a, int b, const std::atomic<bool>& stopped) {
    char buffer[16 * 1024];
    pollfd fds[2] = {{a, POLLIN, 0}, {b, POLLIN, 0}};
    while (!stopped.load()) {
        const int ready = ::poll(fds, 2, 100);
        if (ready < 0 && errno != EINTR) {
            return;
        }
        for (int i = 0; i < 2; ++i) {
            if ((fds[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
                continue;
            }
            const ssize_t n = ::recv(fds[i].fd, buffer, sizeof buffer, 0);
            if (n <= 0) {
                // One side finished: pass the end on and stop relaying.
                ::shutdown(fds[1 - i].fd, SHUT_WR);
                // Drain what the other side still sends.
                for (;;) {
                    const ssize_t m = ::recv(fds[1 - i].fd, buffer, sizeof buffer, 0);
                    if (m <= 0 || !WriteAll(fds[i].fd, buffer, static_cast<std::size_t>(m))) {
                        return;
                    }
                }
            }
            if (!WriteAll(fds[1 - i].fd, buffer, static_cast<std::size_t>(n))) {
                return;
            }
        }
    }
}

} // namespace

FakeProxy::FakeProxy(Kind kind) : m_kind(kind) {
    m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (m_listenFd < 0 || ::bind(m_listenFd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(m_listenFd, 64) != 0 ||
        ::getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (m_listenFd >= 0) {
            ::close(m_listenFd);
        }
        throw std::runtime_error("cannot set up the test proxy");
    }
    m_port = ntohs(address.sin_port);
    m_acceptThread = std::thread([this] { AcceptLoop(); });
}

FakeProxy::~FakeProxy() {
    Stop();
}

std::string FakeProxy::Url(bool remoteNames) const {
    const std::string where = "127.0.0.1:" + std::to_string(m_port);
    if (m_kind == Kind::HttpConnect) {
        return "http://" + where;
    }
    return (remoteNames ? "socks5h://" : "socks5://") + where;
}

void FakeProxy::SetRefusing(bool refusing) {
    m_refusing.store(refusing);
}

std::size_t FakeProxy::ConnectionCount() const {
    std::lock_guard lock(m_mutex);
    return m_connections;
}

std::vector<std::chrono::steady_clock::time_point> FakeProxy::AcceptTimes() const {
    std::lock_guard lock(m_mutex);
    return m_accepted;
}

std::vector<std::string> FakeProxy::Destinations() const {
    std::lock_guard lock(m_mutex);
    return m_destinations;
}

bool FakeProxy::WaitForDestinations(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return m_destinations.size() >= count; });
}

void FakeProxy::Stop() {
    if (m_stopped.exchange(true)) {
        return;
    }
    ::shutdown(m_listenFd, SHUT_RDWR);
    {
        std::lock_guard lock(m_mutex);
        for (int fd : m_openFds) {
            ::shutdown(fd, SHUT_RDWR);
        }
    }
    if (m_acceptThread.joinable()) {
        m_acceptThread.join();
    }
    std::vector<std::thread> threads;
    {
        std::lock_guard lock(m_mutex);
        threads.swap(m_threads);
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    ::close(m_listenFd);
}

void FakeProxy::AcceptLoop() {
    while (!m_stopped.load()) {
        pollfd entry{m_listenFd, POLLIN, 0};
        if (::poll(&entry, 1, 100) <= 0) {
            continue;
        }
        const int client = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            continue;
        }
        std::lock_guard lock(m_mutex);
        ++m_connections;
        m_accepted.push_back(std::chrono::steady_clock::now());
        m_openFds.push_back(client);
        m_threads.emplace_back([this, client] { Serve(client); });
        m_changed.notify_all();
    }
}

bool FakeProxy::Handshake(int client, std::string& host, std::uint16_t& port) {
    if (m_kind == Kind::HttpConnect) {
        // "CONNECT host:port HTTP/1.1", headers, an empty line.
        std::string head;
        char c = 0;
        while (head.find("\r\n\r\n") == std::string::npos && head.size() < 8192) {
            if (!ReadExactly(client, &c, 1)) {
                return false;
            }
            head.push_back(c);
        }
        if (head.rfind("GET http://", 0) == 0) {
            // A plain request for a proxy is recorded, not forwarded.
            const std::string target = head.substr(11, head.find_first_of("/ ", 11) - 11);
            std::lock_guard lock(m_mutex);
            m_destinations.push_back(target);
            m_changed.notify_all();
            return false;
        }
        if (head.rfind("CONNECT ", 0) != 0) {
            return false;
        }
        const auto end = head.find(' ', 8);
        const std::string target = head.substr(8, end - 8);
        const auto colon = target.rfind(':');
        host = target.substr(0, colon);
        if (host.size() > 2 && host.front() == '[') {
            host = host.substr(1, host.size() - 2);
        }
        port = static_cast<std::uint16_t>(std::stoi(target.substr(colon + 1)));
        return true;
    }
    unsigned char greeting[2];
    if (!ReadExactly(client, greeting, 2) || greeting[0] != 5) {
        return false;
    }
    std::vector<unsigned char> methods(greeting[1]);
    if (!ReadExactly(client, methods.data(), methods.size())) {
        return false;
    }
    const unsigned char noAuth[2] = {5, 0};
    unsigned char request[4];
    if (!WriteAll(client, noAuth, 2) || !ReadExactly(client, request, 4) || request[1] != 1) {
        return false;
    }
    char text[INET6_ADDRSTRLEN] = {};
    if (request[3] == 1 || request[3] == 4) {
        // An IPv4 (type 1) or IPv6 (type 4) address.
        const bool v4 = request[3] == 1;
        unsigned char address[16];
        if (!ReadExactly(client, address, v4 ? 4 : 16)) {
            return false;
        }
        ::inet_ntop(v4 ? AF_INET : AF_INET6, address, text, sizeof text);
        host = text;
    } else if (request[3] == 3) {
        unsigned char length = 0;
        if (!ReadExactly(client, &length, 1)) {
            return false;
        }
        host.resize(length);
        if (!ReadExactly(client, host.data(), length)) {
            return false;
        }
    } else {
        return false;
    }
    unsigned char portBytes[2];
    if (!ReadExactly(client, portBytes, 2)) {
        return false;
    }
    port = static_cast<std::uint16_t>(portBytes[0] << 8 | portBytes[1]);
    return true;
}

void FakeProxy::Answer(int client, bool ok) {
    if (m_kind == Kind::HttpConnect) {
        const std::string line = ok ? "HTTP/1.1 200 Connection established\r\n\r\n"
                                    : "HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\n\r\n";
        (void)WriteAll(client, line.data(), line.size());
        return;
    }
    // Reply 0 succeeded, 2 not allowed by the rule set; a zero IPv4 address.
    const unsigned char reply[10] = {5, static_cast<unsigned char>(ok ? 0 : 2), 0, 1, 0, 0, 0, 0, 0,
                                     0};
    (void)WriteAll(client, reply, sizeof reply);
}

void FakeProxy::Serve(int client) {
    std::string host;
    std::uint16_t port = 0;
    if (Handshake(client, host, port)) {
        {
            std::lock_guard lock(m_mutex);
            m_destinations.push_back(host + ":" + std::to_string(port));
            m_changed.notify_all();
        }
        const int upstream = m_refusing.load() ? -1 : ConnectTo(host, port);
        if (upstream < 0 && !m_refusing.load() && m_kind == Kind::Socks5) {
            const unsigned char refused[10] = {5, 5, 0, 1, 0, 0, 0, 0, 0, 0};
            (void)WriteAll(client, refused, sizeof refused);
        } else if (upstream < 0 && !m_refusing.load()) {
            const std::string line = "HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\n\r\n";
            (void)WriteAll(client, line.data(), line.size());
        } else {
            Answer(client, upstream >= 0);
        }
        if (upstream >= 0) {
            {
                std::lock_guard lock(m_mutex);
                m_openFds.push_back(upstream);
            }
            Relay(client, upstream, m_stopped);
            std::lock_guard lock(m_mutex);
            std::erase(m_openFds, upstream);
            ::close(upstream);
        }
    }
    std::lock_guard lock(m_mutex);
    std::erase(m_openFds, client);
    ::close(client);
}
