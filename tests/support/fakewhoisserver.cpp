// SPDX-License-Identifier: MIT
#include "tests/support/fakewhoisserver.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <linux/sockios.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include "engine/whois/whoisservers.h"
#include "tests/support/serverfds.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kMaxRequestBytes = 64 * 1024;

} // namespace

struct FakeWhoisServer::Connection {
    int fd = -1;
    Times times;
    std::string received;
    bool peerClosed = false;
    bool finished = false;
    std::thread thread;
};

FakeWhoisScript FakeWhoisScript::Answer(std::string bytes, int delayMs) {
    FakeWhoisScript script;
    script.action = Action::Answer;
    script.bytes = std::move(bytes);
    script.delayMs = delayMs;
    return script;
}

FakeWhoisScript FakeWhoisScript::CloseAtOnce() {
    return FakeWhoisScript{};
}

FakeWhoisScript FakeWhoisScript::PartialThenReset(std::string bytes) {
    FakeWhoisScript script;
    script.action = Action::PartialThenReset;
    script.bytes = std::move(bytes);
    return script;
}

FakeWhoisScript FakeWhoisScript::Stall() {
    FakeWhoisScript script;
    script.action = Action::Stall;
    return script;
}

FakeWhoisScript FakeWhoisScript::Drip(std::string bytes, std::size_t piece, int intervalMs) {
    FakeWhoisScript script;
    script.action = Action::Drip;
    script.bytes = std::move(bytes);
    script.dripBytes = std::max<std::size_t>(piece, 1);
    script.dripIntervalMs = intervalMs;
    return script;
}

FakeWhoisServer::FakeWhoisServer(Family family) : m_family(family) {
    if (!OpenWakePipe(m_wakeRead, m_wakeWrite)) {
        throw std::runtime_error("fake WHOIS server: pipe failed");
    }

    const int domain = family == Family::IPv4 ? AF_INET : AF_INET6;
    m_listenFd = ::socket(domain, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listenFd < 0) {
        CloseFd(m_wakeRead);
        CloseFd(m_wakeWrite);
        throw std::runtime_error("fake WHOIS server: socket failed");
    }
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
    if (::bind(m_listenFd, addr, length) != 0 || ::listen(m_listenFd, 128) != 0 ||
        ::getsockname(m_listenFd, addr, &length) != 0) {
        CloseFd(m_listenFd);
        CloseFd(m_wakeRead);
        CloseFd(m_wakeWrite);
        throw std::runtime_error("fake WHOIS server: cannot listen on " + address());
    }
    m_port = ntohs(family == Family::IPv4 ? reinterpret_cast<sockaddr_in*>(&storage)->sin_port
                                          : reinterpret_cast<sockaddr_in6*>(&storage)->sin6_port);
    m_acceptThread = std::thread([this] { AcceptLoop(); });
}

FakeWhoisServer::~FakeWhoisServer() {
    Stop();
}

void FakeWhoisServer::SetScript(const std::string& request, FakeWhoisScript script) {
    SetScriptSequence(request, {std::move(script)});
}

void FakeWhoisServer::SetScriptSequence(const std::string& request,
                                        std::vector<FakeWhoisScript> scripts) {
    std::lock_guard lock(m_mutex);
    m_scripts.Set(request, std::move(scripts));
}

void FakeWhoisServer::SetDefaultScript(FakeWhoisScript script) {
    std::lock_guard lock(m_mutex);
    m_default = std::move(script);
}

std::string FakeWhoisServer::address() const {
    return m_family == Family::IPv4 ? "127.0.0.1" : "::1";
}

void FakeWhoisServer::RefuseFasterThan(std::chrono::milliseconds gap, std::string refusal) {
    std::lock_guard lock(m_mutex);
    m_refuseGap = gap;
    m_refusal = std::move(refusal);
}

FakeWhoisScript FakeWhoisServer::ScriptFor(const std::string& request, Clock::time_point arrived) {
    std::lock_guard lock(m_mutex);
    if (m_refuseGap.count() > 0) {
        const bool tooSoon =
            m_lastRequest != Clock::time_point::min() && arrived - m_lastRequest < m_refuseGap;
        m_lastRequest = std::max(m_lastRequest, arrived);
        if (tooSoon) {
            ++m_refused;
            return FakeWhoisScript::Answer(m_refusal);
        }
    }
    return m_scripts.Next(request, m_default);
}

void FakeWhoisServer::Stop() {
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
    // No new connection can appear now; every serving thread sees the wake pipe.
    std::vector<Connection*> connections;
    {
        std::lock_guard lock(m_mutex);
        for (auto& connection : m_connections) {
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

void FakeWhoisServer::AcceptLoop() {
    for (;;) {
        const int fd = AcceptUnlessWoken(m_listenFd, m_wakeRead, SOCK_CLOEXEC | SOCK_NONBLOCK);
        const auto accepted = Clock::now();
        if (fd < 0) {
            return;
        }
        std::lock_guard lock(m_mutex);
        // Reap threads that are done so a long benchmark does not pile them
        // up; from the first not reaped on, so a million connections do not
        // make each accept walk them all.
        while (m_reaped < m_connections.size() && m_connections[m_reaped]->finished) {
            if (m_connections[m_reaped]->thread.joinable()) {
                m_connections[m_reaped]->thread.join();
            }
            ++m_reaped;
        }
        auto connection = std::make_unique<Connection>();
        connection->fd = fd;
        connection->times.accepted = accepted;
        Connection* raw = connection.get();
        m_connections.push_back(std::move(connection));
        raw->thread = std::thread([this, raw] { Serve(*raw); });
        m_changed.notify_all();
    }
}

namespace {

// What one wait on a connection saw.
enum class Pumped { Continue, PeerClosed, Stopped };

} // namespace

void FakeWhoisServer::Serve(Connection& connection) {
    const int fd = connection.fd;

    // Waits up to `timeoutMs` (-1: without limit) for input or the stop
    // signal, recording whatever the client sends.
    auto pump = [&](int timeoutMs) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {m_wakeRead, POLLIN, 0}};
        const int ready = ::poll(fds, 2, timeoutMs);
        if (ready < 0) {
            return errno == EINTR ? Pumped::Continue : Pumped::Stopped;
        }
        if (fds[1].revents != 0) {
            return Pumped::Stopped;
        }
        if (fds[0].revents == 0) {
            return Pumped::Continue;
        }
        char buffer[4096];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n > 0) {
            std::lock_guard lock(m_mutex);
            connection.received.append(buffer, static_cast<std::size_t>(n));
            m_changed.notify_all();
            return Pumped::Continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            return Pumped::Continue;
        }
        std::lock_guard lock(m_mutex);
        connection.peerClosed = true;
        return Pumped::PeerClosed;
    };
    // Waits `ms` while still recording; false when the connection or server ended.
    auto wait = [&](int ms) {
        const auto until = Clock::now() + std::chrono::milliseconds(ms);
        for (;;) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
            if (left <= 0) {
                return true;
            }
            if (pump(static_cast<int>(left)) != Pumped::Continue) {
                return false;
            }
        }
    };
    // The moment the client can finish: taken before the act that lets it.
    auto release = [&] {
        std::lock_guard lock(m_mutex);
        if (connection.times.released == Clock::time_point::max()) {
            connection.times.released = Clock::now();
        }
    };
    auto sendAll = [&](std::string_view bytes) {
        while (!bytes.empty()) {
            const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (n > 0) {
                bytes.remove_prefix(static_cast<std::size_t>(n));
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
                pollfd fds[2] = {{fd, POLLOUT, 0}, {m_wakeRead, POLLIN, 0}};
                if (::poll(fds, 2, -1) > 0 && fds[1].revents != 0) {
                    return false;
                }
                continue;
            }
            return false;
        }
        return true;
    };
    // After our last byte: let the client read to the end and close first, so
    // the server never closes on unread input (which would reset instead).
    auto finishGracefully = [&] {
        release();
        ::shutdown(fd, SHUT_WR);
        while (pump(-1) == Pumped::Continue) {
        }
    };

    std::string request;
    for (;;) {
        std::string sofar;
        {
            std::lock_guard lock(m_mutex);
            sofar = connection.received;
        }
        const auto end = sofar.find("\r\n");
        if (end != std::string::npos) {
            request = sofar.substr(0, end);
            std::lock_guard lock(m_mutex);
            connection.times.request = Clock::now();
            break;
        }
        if (sofar.size() > kMaxRequestBytes) {
            request = sofar;
            break;
        }
        const Pumped result = pump(-1);
        if (result == Pumped::Stopped) {
            request.clear();
            break;
        }
        if (result == Pumped::PeerClosed) {
            request = sofar;
            break;
        }
    }

    bool alive = true;
    {
        std::lock_guard lock(m_mutex);
        alive = !connection.peerClosed && !m_stopped;
    }
    const FakeWhoisScript script = ScriptFor(request, Clock::now());
    if (alive && script.delayMs > 0) {
        alive = wait(script.delayMs);
    }
    bool reset = false;
    if (alive) {
        switch (script.action) {
        case FakeWhoisScript::Action::Answer:
            if (sendAll(script.bytes)) {
                finishGracefully();
            }
            break;
        case FakeWhoisScript::Action::CloseAtOnce:
            finishGracefully();
            break;
        case FakeWhoisScript::Action::PartialThenReset: {
            if (!sendAll(script.bytes)) {
                break;
            }
            // Reset only once the client's side has acknowledged every byte,
            // so the part is really in its hands.
            for (;;) {
                int unsent = 0;
                if (::ioctl(fd, SIOCOUTQ, &unsent) != 0 || unsent == 0) {
                    break;
                }
                if (pump(1) != Pumped::Continue) {
                    break;
                }
            }
            reset = true;
            break;
        }
        case FakeWhoisScript::Action::Stall:
            while (pump(-1) == Pumped::Continue) {
            }
            release();
            break;
        case FakeWhoisScript::Action::Drip: {
            std::string_view rest = script.bytes;
            bool ok = true;
            while (ok && !rest.empty()) {
                const std::size_t n = std::min(script.dripBytes, rest.size());
                ok = sendAll(rest.substr(0, n));
                rest.remove_prefix(n);
                if (ok && !rest.empty()) {
                    ok = wait(script.dripIntervalMs);
                }
            }
            if (ok) {
                finishGracefully();
            }
            break;
        }
        }
    }

    if (reset) {
        const linger hard{1, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    }
    release();
    ::close(fd);
    std::lock_guard lock(m_mutex);
    connection.fd = -1;
    connection.finished = true;
    m_changed.notify_all();
}

std::vector<std::string> FakeWhoisServer::ReceivedBytes() const {
    std::lock_guard lock(m_mutex);
    std::vector<std::string> out;
    out.reserve(m_connections.size());
    for (const auto& connection : m_connections) {
        out.push_back(connection->received);
    }
    return out;
}

std::size_t FakeWhoisServer::ConnectionCount() const {
    std::lock_guard lock(m_mutex);
    return m_connections.size();
}

bool FakeWhoisServer::WaitForFinishedConnections(std::size_t count,
                                                 std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] {
        const auto finished =
            std::count_if(m_connections.begin(), m_connections.end(),
                          [](const auto& connection) { return connection->finished; });
        return static_cast<std::size_t>(finished) >= count;
    });
}

bool FakeWhoisServer::WaitForRequests(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] {
        const auto complete =
            std::count_if(m_connections.begin(), m_connections.end(), [](const auto& connection) {
                return connection->received.find("\r\n") != std::string::npos;
            });
        return static_cast<std::size_t>(complete) >= count;
    });
}

bool FakeWhoisServer::WaitForConnections(std::size_t count,
                                         std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return m_connections.size() >= count; });
}

std::vector<FakeWhoisServer::Times> FakeWhoisServer::ConnectionTimes() const {
    std::lock_guard lock(m_mutex);
    std::vector<Times> out;
    out.reserve(m_connections.size());
    for (const auto& connection : m_connections) {
        out.push_back(connection->times);
    }
    return out;
}

std::size_t FakeWhoisServer::MostOpenAtOnce() const {
    // +1 at each accept, -1 at each release; a release and an accept at the
    // same instant do not overlap.
    std::vector<std::pair<Clock::time_point, int>> events;
    for (const Times& times : ConnectionTimes()) {
        events.emplace_back(times.accepted, 1);
        events.emplace_back(times.released, -1);
    }
    std::sort(events.begin(), events.end());
    long open = 0;
    long most = 0;
    for (const auto& event : events) {
        open += event.second;
        most = std::max(most, open);
    }
    return static_cast<std::size_t>(most);
}

FakeWhoisServer::Clock::duration FakeWhoisServer::ShortestGapBetweenAccepts() const {
    std::vector<Clock::time_point> accepted;
    for (const Times& times : ConnectionTimes()) {
        accepted.push_back(times.accepted);
    }
    std::sort(accepted.begin(), accepted.end());
    auto shortest = Clock::duration::max();
    for (std::size_t i = 1; i < accepted.size(); ++i) {
        shortest = std::min(shortest, accepted[i] - accepted[i - 1]);
    }
    return shortest;
}

std::size_t FakeWhoisServer::RefusedCount() const {
    std::lock_guard lock(m_mutex);
    return m_refused;
}

std::vector<ConnectOverride>
FakeWhoisServer::OverridesFor(const std::vector<std::string>& hosts) const {
    std::vector<ConnectOverride> out;
    out.reserve(hosts.size());
    for (const auto& host : hosts) {
        out.push_back(ConnectOverride{host, address(), m_port});
    }
    return out;
}

std::string FakeWhoisServer::ConnectToFor(const std::vector<std::string>& hosts) const {
    std::string out;
    for (const auto& host : hosts) {
        if (!out.empty()) {
            out += ',';
        }
        out += host;
        out += m_family == Family::IPv4 ? "=127.0.0.1:" : "=[::1]:";
        out += std::to_string(m_port);
    }
    return out;
}

std::vector<std::string> FakeWhoisServer::AllEndpoints() {
    return {ServerComNet, ServerCn, ServerOrg, ServerBiz,  ServerEdu,
            ServerHk,     ServerJp, ServerTv,  ServerInfo, ServerCc};
}
