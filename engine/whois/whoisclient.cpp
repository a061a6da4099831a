// SPDX-License-Identifier: MIT
#include "engine/whois/whoisclient.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <iterator>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <vector>

#include "engine/net/addressrules.h"
#include "engine/net/hostlookup.h"
#include "engine/net/socketfd.h"

namespace {

using Clock = std::chrono::steady_clock;

// No single wait is longer than this, so a stop request is seen in time.
constexpr int kPollSliceMs = 250;
constexpr std::size_t kMaxHostBytes = 127;

bool Stopped(const std::atomic<bool>* stop) {
    return stop != nullptr && stop->load();
}

int MsUntil(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::clamp<long long>(left.count(), 0, kPollSliceMs));
}

enum class Wait { Ready, TimedOut, Stopped, Failed };

// Waits for `events` on `fd` in slices of at most kPollSliceMs until `deadline`.
Wait WaitFor(int fd, short events, Clock::time_point deadline, const std::atomic<bool>* stop) {
    for (;;) {
        if (Stopped(stop)) {
            return Wait::Stopped;
        }
        if (Clock::now() >= deadline) {
            return Wait::TimedOut;
        }
        pollfd entry{fd, events, 0};
        const int ready = ::poll(&entry, 1, MsUntil(deadline));
        if (ready > 0) {
            return Wait::Ready;
        }
        if (ready < 0 && errno != EINTR) {
            return Wait::Failed;
        }
    }
}

// Sends all of `bytes`; false when the connection fails or the wait ends.
bool SendAll(int fd, std::string_view bytes, Clock::time_point deadline,
             const std::atomic<bool>* stop) {
    while (!bytes.empty()) {
        const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n >= 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
            continue;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            return false;
        }
        if (WaitFor(fd, POLLOUT, deadline, stop) != Wait::Ready) {
            return false;
        }
    }
    return true;
}

// Where a query may connect: the override's address, the host's own literal
// address, or what the look-up finds (only public addresses when asked).
// An empty string on success, else the failure marker.
std::string Targets(const std::string& host, const WhoisClientOptions& options,
                    Clock::time_point deadline, const std::atomic<bool>* stop,
                    HostLookupCache* lookups, std::vector<HostAddress>& out) {
    if (const ConnectOverride* redirect = FindConnectOverride(options.connectTo, host)) {
        HostAddress address;
        if (!ParseAddressLiteral(redirect->address, address)) {
            return kMarkerInvalidAddr;
        }
        address.SetPort(redirect->port);
        out.push_back(address);
        return {};
    }
    HostAddress literal;
    if (ParseAddressLiteral(host, literal)) {
        out.push_back(literal);
    } else {
        const LookupResult found = lookups != nullptr ? lookups->Lookup(host, out, deadline, stop)
                                                      : LookupHost(host, out, deadline, stop);
        // No name server answering is no time-out: the host cannot be resolved.
        if (found == LookupResult::NotFound || found == LookupResult::Unanswered) {
            return kMarkerInvalidAddr;
        }
        if (found == LookupResult::Interrupted) {
            return kMarkerTimeout;
        }
    }
    if (options.publicAddressesOnly) {
        std::erase_if(out, [](const HostAddress& a) { return !IsPublicAddress(a.get()); });
        if (out.empty()) {
            return kMarkerAddressRefused;
        }
    }
    for (HostAddress& address : out) {
        address.SetPort(options.port);
    }
    return {};
}

// Opens a connection to `address` (from `source` when given); an empty
// string on success, else the marker.
std::string Connect(const HostAddress& address, const std::string& source,
                    Clock::time_point deadline, const std::atomic<bool>* stop, SocketFd& socket) {
    socket = SocketFd(::socket(address.family(), SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!socket.valid()) {
        return kMarkerInvalidSocket;
    }
    if (!source.empty()) {
        HostAddress local;
        // An address of the other family cannot carry this connection.
        if (!ParseAddressLiteral(source, local) || local.family() != address.family() ||
            ::bind(socket.get(), local.get(), local.length) != 0) {
            return kMarkerConnect;
        }
    }
    const int one = 1;
    if (::setsockopt(socket.get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one) != 0) {
        return kMarkerSocketErr;
    }
    int rc;
    do {
        rc = ::connect(socket.get(), address.get(), address.length);
    } while (rc != 0 && errno == EINTR);
    if (rc == 0) {
        return {};
    }
    if (errno != EINPROGRESS) {
        return kMarkerConnect;
    }
    switch (WaitFor(socket.get(), POLLOUT, deadline, stop)) {
    case Wait::Ready:
        break;
    case Wait::TimedOut:
    case Wait::Stopped:
        return kMarkerTimeout;
    case Wait::Failed:
        return kMarkerConnect;
    }
    int status = 0;
    socklen_t length = sizeof status;
    if (::getsockopt(socket.get(), SOL_SOCKET, SO_ERROR, &status, &length) != 0 || status != 0) {
        return kMarkerConnect;
    }
    return {};
}

} // namespace

std::string WhoisQuery(const std::string& host, const std::string& domain,
                       const WhoisClientOptions& options, const std::atomic<bool>* stop,
                       HostLookupCache* lookups) {
    // A row without a server: nothing listens there, so fail as a refused connect would.
    if (host.empty()) {
        return kMarkerConnect;
    }
    if (host.size() > kMaxHostBytes) {
        return kMarkerInvalidAddr;
    }
    if (!options.proxy.empty()) {
        return ProxiedWhoisQuery(host, domain, options, stop, lookups);
    }
    const auto queryDeadline = Clock::now() + std::chrono::milliseconds(options.totalTimeoutMs);

    std::vector<HostAddress> targets;
    if (std::string failed = Targets(host, options, queryDeadline, stop, lookups, targets);
        !failed.empty()) {
        return failed;
    }

    // Each address in turn, each with the whole connect time-out, until one
    // accepts; the last failure is the result when none does.
    SocketFd socket(-1);
    std::string failed;
    for (const HostAddress& target : targets) {
        const auto connectDeadline = std::min(
            queryDeadline, Clock::now() + std::chrono::milliseconds(options.connectTimeoutMs));
        failed = Connect(target, options.sourceAddress, connectDeadline, stop, socket);
        if (failed.empty() || Stopped(stop) || Clock::now() >= queryDeadline) {
            break;
        }
    }
    if (!failed.empty()) {
        return failed;
    }

    // Exactly the domain, then CR LF: no prefix, the same for every server.
    if (!SendAll(socket.get(), domain, queryDeadline, stop)) {
        return kMarkerSend;
    }
    if (!SendAll(socket.get(), "\r\n", queryDeadline, stop)) {
        return kMarkerSend2;
    }

    std::string answer;
    std::size_t received = 0;
    bool firstCall = true;
    char buffer[16 * 1024];
    auto idleDeadline = Clock::now() + std::chrono::milliseconds(options.idleTimeoutMs);
    while (received < options.maxAnswerBytes) {
        const Wait wait =
            WaitFor(socket.get(), POLLIN, std::min(idleDeadline, queryDeadline), stop);
        if (wait != Wait::Ready) {
            if (wait == Wait::Failed && firstCall) {
                return kMarkerRecv;
            }
            // Timed out or stopped: what arrived is no whole answer, but is
            // kept to be shown.
            return received == 0 ? std::string(kMarkerTimeout) : CutOffAnswer(answer);
        }
        const std::size_t room = std::min(sizeof buffer, options.maxAnswerBytes - received);
        const ssize_t n = ::recv(socket.get(), buffer, room, 0);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) {
                continue;
            }
            // Only a failing first call is a failure; later, a reset ends the answer.
            return firstCall ? std::string(kMarkerRecv) : answer;
        }
        firstCall = false;
        if (n == 0) {
            break;
        }
        received += static_cast<std::size_t>(n);
        // NUL bytes are dropped: the answer is handled as a C string afterwards.
        const std::string_view chunk(buffer, static_cast<std::size_t>(n));
        if (chunk.find('\0') == std::string_view::npos) {
            answer.append(chunk);
        } else {
            std::copy_if(chunk.begin(), chunk.end(), std::back_inserter(answer),
                         [](char c) { return c != '\0'; });
        }
        idleDeadline = Clock::now() + std::chrono::milliseconds(options.idleTimeoutMs);
    }
    return answer;
}
