// SPDX-License-Identifier: MIT
// Port 43 through a proxy: libcurl opens the tunnel (SOCKS5, or an HTTP
// CONNECT) in its connect-only mode, and the query and its answer pass with
// curl_easy_send and curl_easy_recv, waiting on the tunnel's socket.

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <curl/curl.h>
#include <iterator>
#include <memory>
#include <netinet/in.h>
#include <poll.h>
#include <vector>

#include "core/asciicase.h"
#include "engine/net/addressrules.h"
#include "engine/net/curlsetup.h"
#include "engine/net/curlurl.h"
#include "engine/net/hostlookup.h"
#include "engine/net/proxyfailure.h"
#include "engine/whois/whoisclient.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kPollSliceMs = 250;

struct EasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};

bool Stopped(const std::atomic<bool>* stop) {
    return stop != nullptr && stop->load();
}

// "1.2.3.4" or "[::1]" for a URL.
std::string UrlHostOf(const HostAddress& address) {
    char text[INET6_ADDRSTRLEN] = {};
    if (address.family() == AF_INET6) {
        const auto* in6 = reinterpret_cast<const sockaddr_in6*>(address.get());
        ::inet_ntop(AF_INET6, &in6->sin6_addr, text, sizeof text);
        // Appended, not concatenated: GCC 12 warns falsely of an overlap for
        // "[" + std::string(...) in optimised builds.
        std::string host = "[";
        host += text;
        host += ']';
        return host;
    }
    const auto* in4 = reinterpret_cast<const sockaddr_in*>(address.get());
    ::inet_ntop(AF_INET, &in4->sin_addr, text, sizeof text);
    return text;
}

// Where the proxy is asked to connect. A connect-to mapping wins; a host an
// answer named is looked up here and checked like a direct connection, and
// the proxy is given the checked address, so it cannot be led to another
// one (socks5h would otherwise let the proxy resolve it again). A registry's
// own host goes as a name. `target` gets the host part of the URL ("[::1]"
// for an IPv6 address). An empty string on success, else the marker.
std::string Destination(const std::string& host, const WhoisClientOptions& options,
                        Clock::time_point deadline, const std::atomic<bool>* stop,
                        HostLookupCache* lookups, std::string& target, std::string& port) {
    if (const ConnectOverride* entry = FindConnectOverride(options.connectTo, host)) {
        HostAddress address;
        if (!ParseAddressLiteral(entry->address, address)) {
            return kMarkerInvalidAddr;
        }
        target = UrlHostOf(address);
        port = std::to_string(entry->port);
        return {};
    }
    port = std::to_string(options.port);
    HostAddress literal;
    const bool isLiteral = ParseAddressLiteral(host, literal);
    if (!options.publicAddressesOnly) {
        target = isLiteral ? UrlHostOf(literal) : host;
        return {};
    }
    std::vector<HostAddress> found;
    if (isLiteral) {
        found.push_back(literal);
    } else {
        const LookupResult result = lookups != nullptr
                                        ? lookups->Lookup(host, found, deadline, stop)
                                        : LookupHost(host, found, deadline, stop);
        if (result == LookupResult::NotFound || result == LookupResult::Unanswered) {
            return kMarkerInvalidAddr;
        }
        if (result == LookupResult::Interrupted) {
            return kMarkerTimeout;
        }
    }
    std::erase_if(found, [](const HostAddress& a) { return !IsPublicAddress(a.get()); });
    if (found.empty()) {
        return kMarkerAddressRefused;
    }
    target = UrlHostOf(found.front());
    return {};
}

enum class Wait { Ready, TimedOut, Stopped, Failed };

Wait WaitFor(curl_socket_t fd, short events, Clock::time_point deadline,
             const std::atomic<bool>* stop) {
    for (;;) {
        if (Stopped(stop)) {
            return Wait::Stopped;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            return Wait::TimedOut;
        }
        pollfd entry{fd, events, 0};
        const int ready =
            ::poll(&entry, 1, static_cast<int>(std::min<long long>(left, kPollSliceMs)));
        if (ready > 0) {
            return Wait::Ready;
        }
        if (ready < 0 && errno != EINTR) {
            return Wait::Failed;
        }
    }
}

bool SendAll(CURL* easy, curl_socket_t fd, std::string_view bytes, Clock::time_point deadline,
             const std::atomic<bool>* stop) {
    while (!bytes.empty()) {
        size_t sent = 0;
        const CURLcode code = curl_easy_send(easy, bytes.data(), bytes.size(), &sent);
        if (code == CURLE_OK) {
            bytes.remove_prefix(sent);
            continue;
        }
        if (code != CURLE_AGAIN || WaitFor(fd, POLLOUT, deadline, stop) != Wait::Ready) {
            return false;
        }
    }
    return true;
}

// Connect-only mode waits inside curl_easy_perform; this ends the wait on a stop.
int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return Stopped(static_cast<const std::atomic<bool>*>(user)) ? 1 : 0;
}

} // namespace

std::string ProxiedWhoisQuery(const std::string& host, const std::string& domain,
                              const WhoisClientOptions& options, const std::atomic<bool>* stop,
                              HostLookupCache* lookups) {
    if (host.empty()) {
        return kMarkerConnect;
    }
    const auto queryDeadline = Clock::now() + std::chrono::milliseconds(options.totalTimeoutMs);
    std::string target;
    std::string port;
    if (std::string failed = Destination(host, options, queryDeadline, stop, lookups, target, port);
        !failed.empty()) {
        return failed;
    }
    // libcurl is handed this reading of the URL: the proxy is asked for the
    // host named or checked, never another that a name with "@" or "/" in it
    // would spell.
    const CurlUrl url("http://" + target + ":" + port + "/");
    if (!url.ok() || url.host() != AsciiLower(target) || url.port() != port) {
        return kMarkerInvalidAddr;
    }
    EnsureCurlInitialised();
    std::unique_ptr<CURL, EasyDeleter> handle(curl_easy_init());
    if (!handle) {
        return kMarkerInvalidSocket;
    }
    CURL* easy = handle.get();
    curl_easy_setopt(easy, CURLOPT_CURLU, url.handle());
    curl_easy_setopt(easy, CURLOPT_CONNECT_ONLY, 1L);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(std::max(1, options.connectTimeoutMs)));
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &OnProgress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, const_cast<std::atomic<bool>*>(stop));
    SetCurlExit(easy, options.proxy, {}, false);
    const CURLcode connected = curl_easy_perform(easy);
    if (connected != CURLE_OK) {
        if (Stopped(stop) || connected == CURLE_OPERATION_TIMEDOUT) {
            return kMarkerTimeout;
        }
        return IsProxyFailure(easy, connected) ? kMarkerProxyFailed : kMarkerConnect;
    }
    curl_socket_t fd = CURL_SOCKET_BAD;
    if (curl_easy_getinfo(easy, CURLINFO_ACTIVESOCKET, &fd) != CURLE_OK || fd == CURL_SOCKET_BAD) {
        return kMarkerSocketErr;
    }

    if (!SendAll(easy, fd, domain, queryDeadline, stop)) {
        return kMarkerSend;
    }
    if (!SendAll(easy, fd, "\r\n", queryDeadline, stop)) {
        return kMarkerSend2;
    }

    // As the direct client: an idle and a whole-query limit, a cut-off answer
    // kept as such, NUL bytes dropped.
    std::string answer;
    bool firstCall = true;
    char buffer[16 * 1024];
    auto idleDeadline = Clock::now() + std::chrono::milliseconds(options.idleTimeoutMs);
    while (answer.size() < options.maxAnswerBytes) {
        const std::size_t room = std::min(sizeof buffer, options.maxAnswerBytes - answer.size());
        size_t n = 0;
        const CURLcode code = curl_easy_recv(easy, buffer, room, &n);
        if (code == CURLE_AGAIN) {
            const Wait wait = WaitFor(fd, POLLIN, std::min(idleDeadline, queryDeadline), stop);
            if (wait == Wait::Ready) {
                continue;
            }
            if (wait == Wait::Failed && firstCall) {
                return kMarkerRecv;
            }
            return answer.empty() ? std::string(kMarkerTimeout) : CutOffAnswer(answer);
        }
        if (code != CURLE_OK) {
            return firstCall ? std::string(kMarkerRecv) : answer;
        }
        firstCall = false;
        if (n == 0) {
            break;
        }
        std::copy_if(buffer, buffer + n, std::back_inserter(answer),
                     [](char c) { return c != '\0'; });
        idleDeadline = Clock::now() + std::chrono::milliseconds(options.idleTimeoutMs);
    }
    return answer;
}
