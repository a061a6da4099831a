// SPDX-License-Identifier: MIT
#include "tests/support/fakewhoisserver.h"

#include <algorithm>
#include <cerrno>
#include <linux/sockios.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include "engine/whois/whoisservers.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kMaxRequestBytes = 64 * 1024;

} // namespace

struct FakeWhoisServer::WhoisConnection : Connection {
    Clock::time_point request = Clock::time_point::max();
    Clock::time_point released = Clock::time_point::max();
    std::string received;
    bool peerClosed = false;
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

FakeWhoisServer::FakeWhoisServer(Family family)
    : FakeServerLoop(family, Sockets::Polling, "fake WHOIS server") {
    StartAccepting();
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

std::unique_ptr<FakeServerLoop::Connection> FakeWhoisServer::NewConnection() {
    return std::make_unique<WhoisConnection>();
}

namespace {

// What one wait on a connection saw.
enum class Pumped { Continue, PeerClosed, Stopped };

} // namespace

void FakeWhoisServer::Serve(Connection& served) {
    auto& connection = static_cast<WhoisConnection&>(served);
    const int fd = connection.fd;
    const int wakeRead = wakeFd();

    // Waits up to `timeoutMs` (-1: without limit) for input or the stop
    // signal, recording whatever the client sends.
    auto pump = [&](int timeoutMs) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {wakeRead, POLLIN, 0}};
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
        if (connection.released == Clock::time_point::max()) {
            connection.released = Clock::now();
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
                pollfd fds[2] = {{fd, POLLOUT, 0}, {wakeRead, POLLIN, 0}};
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
            connection.request = Clock::now();
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
}

std::vector<std::string> FakeWhoisServer::ReceivedBytes() const {
    std::lock_guard lock(m_mutex);
    std::vector<std::string> out;
    out.reserve(m_connections.size());
    for (const auto& connection : m_connections) {
        out.push_back(static_cast<const WhoisConnection&>(*connection).received);
    }
    return out;
}

bool FakeWhoisServer::WaitForRequests(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] {
        const auto complete =
            std::count_if(m_connections.begin(), m_connections.end(), [](const auto& connection) {
                const auto& whois = static_cast<const WhoisConnection&>(*connection);
                return whois.received.find("\r\n") != std::string::npos;
            });
        return static_cast<std::size_t>(complete) >= count;
    });
}

std::vector<FakeWhoisServer::Times> FakeWhoisServer::ConnectionTimes() const {
    std::lock_guard lock(m_mutex);
    std::vector<Times> out;
    out.reserve(m_connections.size());
    for (const auto& connection : m_connections) {
        const auto& whois = static_cast<const WhoisConnection&>(*connection);
        out.push_back(Times{whois.accepted, whois.request, whois.released});
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

std::string FakeWhoisServer::ConnectToFor(const std::vector<std::string>& hosts) const {
    std::string out;
    for (const auto& host : hosts) {
        if (!out.empty()) {
            out += ',';
        }
        out += host;
        out += family() == Family::IPv4 ? "=127.0.0.1:" : "=[::1]:";
        out += std::to_string(port());
    }
    return out;
}

std::vector<std::string> FakeWhoisServer::AllEndpoints() {
    return {ServerComNet, ServerCn, ServerOrg, ServerBiz,  ServerEdu,
            ServerHk,     ServerJp, ServerTv,  ServerInfo, ServerCc};
}
