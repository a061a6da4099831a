#include "engine/whoisclient.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <iterator>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>

#include "core/text.h"
#include "engine/hostlookup.h"
#include "engine/socketfd.h"

namespace {

using Clock = std::chrono::steady_clock;

// No single wait is longer than this, so a stop request is seen in time.
constexpr int kPollSliceMs = 250;
constexpr std::size_t kMaxHostBytes = 127;

constexpr const char* kMarkers[] = {kMarkerInvalidSocket, kMarkerSocketErr, kMarkerInvalidAddr,
                                    kMarkerConnect,       kMarkerSend,      kMarkerSend2,
                                    kMarkerRecv,          kMarkerTimeout};

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

const ConnectOverride* FindOverride(const std::vector<ConnectOverride>& overrides,
                                    const std::string& host) {
    for (const ConnectOverride& entry : overrides) {
        if (::strcasecmp(entry.host.c_str(), host.c_str()) == 0) {
            return &entry;
        }
    }
    return nullptr;
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

} // namespace

bool IsFailureMarker(std::string_view result) {
    return std::any_of(std::begin(kMarkers), std::end(kMarkers),
                       [&](const char* marker) { return result == marker; });
}

bool ParseConnectTo(std::string_view text, std::vector<ConnectOverride>& out, std::string* error) {
    std::vector<ConnectOverride> parsed;
    auto fail = [&](std::string message) {
        if (error != nullptr) {
            *error = std::move(message);
        }
        return false;
    };
    while (!text.empty()) {
        const auto comma = text.find(',');
        const std::string_view entry = TrimBlanks(text.substr(0, comma));
        text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
        if (entry.empty()) {
            continue;
        }
        const auto equals = entry.find('=');
        const auto colon = entry.rfind(':');
        if (equals == std::string_view::npos || colon == std::string_view::npos || colon < equals) {
            return fail("expected host=ADDRESS:PORT in \"" + std::string(entry) + "\"");
        }
        ConnectOverride item;
        item.host = std::string(TrimBlanks(entry.substr(0, equals)));
        item.address = std::string(TrimBlanks(entry.substr(equals + 1, colon - equals - 1)));
        const std::string port(TrimBlanks(entry.substr(colon + 1)));
        in_addr probe{};
        if (item.host.empty()) {
            return fail("empty host name in \"" + std::string(entry) + "\"");
        }
        if (::inet_pton(AF_INET, item.address.c_str(), &probe) != 1) {
            return fail("not a dotted IPv4 address: \"" + item.address + "\"");
        }
        char* end = nullptr;
        const long number = std::strtol(port.c_str(), &end, 10);
        if (port.empty() || *end != '\0' || number < 1 || number > 65535 ||
            port.find_first_not_of("0123456789") != std::string::npos) {
            return fail("bad port \"" + port + "\"");
        }
        item.port = static_cast<std::uint16_t>(number);
        parsed.push_back(std::move(item));
    }
    out = std::move(parsed);
    return true;
}

std::vector<ConnectOverride> ConnectToFromEnvironment() {
    std::vector<ConnectOverride> out;
    const char* text = std::getenv("ZENTRIX_CONNECT_TO");
    if (text == nullptr) {
        return out;
    }
    // Keep the good entries of a list with a bad one among them.
    std::string_view rest(text);
    while (!rest.empty()) {
        const auto comma = rest.find(',');
        std::vector<ConnectOverride> one;
        if (ParseConnectTo(rest.substr(0, comma), one)) {
            out.insert(out.end(), one.begin(), one.end());
        }
        rest = comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 1);
    }
    return out;
}

std::string WhoisQuery(const std::string& host, const std::string& domain,
                       const WhoisClientOptions& options, const std::atomic<bool>* stop) {
    // A row without a server: nothing listens there, so fail as a refused connect would.
    if (host.empty()) {
        return kMarkerConnect;
    }
    if (host.size() > kMaxHostBytes) {
        return kMarkerInvalidAddr;
    }
    const auto start = Clock::now();
    const auto queryDeadline = start + std::chrono::milliseconds(options.totalTimeoutMs);

    SocketFd socket(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!socket.valid()) {
        return kMarkerInvalidSocket;
    }
    const int one = 1;
    if (::setsockopt(socket.get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one) != 0) {
        return kMarkerSocketErr;
    }

    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(options.port);
    if (const ConnectOverride* redirect = FindOverride(options.connectTo, host)) {
        if (::inet_pton(AF_INET, redirect->address.c_str(), &address.sin_addr) != 1) {
            return kMarkerInvalidAddr;
        }
        address.sin_port = htons(redirect->port);
    } else if (::inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1) {
        switch (LookupIPv4(host, address.sin_addr, queryDeadline, stop)) {
        case LookupResult::Found:
            break;
        case LookupResult::NotFound:
            return kMarkerInvalidAddr;
        case LookupResult::Interrupted:
            return kMarkerTimeout;
        }
    }

    const auto connectDeadline =
        std::min(queryDeadline, Clock::now() + std::chrono::milliseconds(options.connectTimeoutMs));
    int rc;
    do {
        rc = ::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        if (errno != EINPROGRESS) {
            return kMarkerConnect;
        }
        switch (WaitFor(socket.get(), POLLOUT, connectDeadline, stop)) {
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
        if (::getsockopt(socket.get(), SOL_SOCKET, SO_ERROR, &status, &length) != 0 ||
            status != 0) {
            return kMarkerConnect;
        }
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
            // Timed out or stopped: what arrived is the answer, if anything did.
            return received == 0 ? std::string(kMarkerTimeout) : answer;
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
