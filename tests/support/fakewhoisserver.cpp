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

#include "engine/whoisservers.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kMaxRequestBytes = 64 * 1024;

void CloseFd(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

} // namespace

struct FakeWhoisServer::Connection {
    int fd = -1;
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

FakeWhoisServer::FakeWhoisServer() {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        throw std::runtime_error("fake WHOIS server: pipe failed");
    }
    m_wakeRead = pipeFds[0];
    m_wakeWrite = pipeFds[1];

    m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listenFd < 0) {
        CloseFd(m_wakeRead);
        CloseFd(m_wakeWrite);
        throw std::runtime_error("fake WHOIS server: socket failed");
    }
    const int one = 1;
    ::setsockopt(m_listenFd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t length = sizeof addr;
    if (::bind(m_listenFd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(m_listenFd, 128) != 0 ||
        ::getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&addr), &length) != 0) {
        CloseFd(m_listenFd);
        CloseFd(m_wakeRead);
        CloseFd(m_wakeWrite);
        throw std::runtime_error("fake WHOIS server: cannot listen on 127.0.0.1");
    }
    m_port = ntohs(addr.sin_port);
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
    if (scripts.empty()) {
        m_scripts.erase(request);
    } else {
        m_scripts[request] = std::move(scripts);
    }
    m_scriptUses.erase(request);
}

void FakeWhoisServer::SetDefaultScript(FakeWhoisScript script) {
    std::lock_guard lock(m_mutex);
    m_default = std::move(script);
}

FakeWhoisScript FakeWhoisServer::ScriptFor(const std::string& request) {
    std::lock_guard lock(m_mutex);
    const auto found = m_scripts.find(request);
    if (found == m_scripts.end()) {
        return m_default;
    }
    std::size_t& uses = m_scriptUses[request];
    const std::size_t index = std::min(uses, found->second.size() - 1);
    ++uses;
    return found->second[index];
}

void FakeWhoisServer::Stop() {
    {
        std::lock_guard lock(m_mutex);
        if (m_stopped) {
            return;
        }
        m_stopped = true;
    }
    const char byte = 'x';
    [[maybe_unused]] const auto written = ::write(m_wakeWrite, &byte, 1);
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
        pollfd fds[2] = {{m_listenFd, POLLIN, 0}, {m_wakeRead, POLLIN, 0}};
        const int ready = ::poll(fds, 2, -1);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (fds[1].revents != 0) {
            return;
        }
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            continue;
        }
        std::lock_guard lock(m_mutex);
        // Reap threads that are done so a long benchmark does not pile them up.
        for (auto& old : m_connections) {
            if (old->finished && old->thread.joinable()) {
                old->thread.join();
            }
        }
        auto connection = std::make_unique<Connection>();
        connection->fd = fd;
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
    const FakeWhoisScript script = ScriptFor(request);
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
        out += host + "=" + address() + ":" + std::to_string(m_port);
    }
    return out;
}

std::vector<std::string> FakeWhoisServer::AllEndpoints() {
    return {ServerComNet, ServerCn, ServerOrg, ServerBiz,  ServerEdu,
            ServerHk,     ServerJp, ServerTv,  ServerInfo, ServerCc};
}
