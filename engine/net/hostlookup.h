// SPDX-License-Identifier: MIT
#pragma once

// Resolves a host name to its addresses (IPv4 and IPv6, in the order the
// resolver gives them) without holding up a stop request: the look-up runs
// on a helper thread that is abandoned if the caller stops or its deadline
// passes first. A batch keeps one HostLookupCache, so each host is looked up
// once however many rows ask it.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <sys/socket.h>
#include <vector>

enum class LookupResult {
    Found,
    NotFound,
    Interrupted,
    // No name server answered (EAI_AGAIN, as on a machine without a network):
    // the host cannot be resolved now, which says nothing about the name, so
    // it is asked again next time.
    Unanswered,
};

// One address of a host; the port is left 0 for the caller to fill in.
struct HostAddress {
    sockaddr_storage storage{};
    socklen_t length = 0;
    [[nodiscard]] const sockaddr* get() const {
        return reinterpret_cast<const sockaddr*>(&storage);
    }
    [[nodiscard]] int family() const { return storage.ss_family; }
    void SetPort(std::uint16_t port);
};

// A host name as a key: ASCII letters lower-cased, every other byte kept
// (host names compare without regard to case).
[[nodiscard]] std::string HostKey(const std::string& host);

// A dotted IPv4 or a plain IPv6 text ("127.0.0.1", "::1"); false for anything else.
[[nodiscard]] bool ParseAddressLiteral(const std::string& text, HostAddress& out);

// What the resolver's return code and the usable addresses it gave mean.
[[nodiscard]] LookupResult LookupResultForCode(int code, bool anyAddress);

// Finds the addresses of `host`: Found with `out` filled, NotFound when the
// resolver knows no address (or fails for good), Unanswered when no name
// server answered, Interrupted when `stop` or `deadline` came first.
using HostResolver =
    std::function<LookupResult(const std::string& host, std::vector<HostAddress>& out)>;

// The system resolver (getaddrinfo), run on a helper thread.
[[nodiscard]] LookupResult LookupHost(const std::string& host, std::vector<HostAddress>& out,
                                      std::chrono::steady_clock::time_point deadline,
                                      const std::atomic<bool>* stop);

class HostLookupCache {
public:
    // `resolver` stands in for the system's in tests; empty: the system's.
    explicit HostLookupCache(HostResolver resolver = {});
    HostLookupCache(const HostLookupCache&) = delete;
    HostLookupCache& operator=(const HostLookupCache&) = delete;

    // Thread-safe. The first caller for a host looks it up; callers for the
    // same host meanwhile wait for that answer. Found and NotFound are kept
    // for the cache's life; an interrupted or unanswered look-up is tried
    // again next time.
    [[nodiscard]] LookupResult Lookup(const std::string& host, std::vector<HostAddress>& out,
                                      std::chrono::steady_clock::time_point deadline,
                                      const std::atomic<bool>* stop);

    // How many look-ups went to the resolver.
    [[nodiscard]] int ResolverCalls() const;

private:
    struct Entry {
        bool pending = true;
        LookupResult result = LookupResult::Interrupted;
        std::vector<HostAddress> addresses;
    };

    HostResolver m_resolver;
    mutable std::mutex m_mutex;
    std::condition_variable m_done;
    std::map<std::string, Entry> m_entries; // by lower-cased host name
    int m_resolverCalls = 0;
};
