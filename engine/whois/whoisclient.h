// SPDX-License-Identifier: MIT
#pragma once

// One WHOIS query in the plain form of the protocol: connect to port 43, send
// the domain and CR LF, read until the server closes. Failures come back as
// one of the marker texts of engine/failmarkers.h instead of an answer.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/failmarkers.h"
#include "engine/net/connectto.h"

class HostLookupCache;

struct WhoisClientOptions {
    int connectTimeoutMs = 10'000;
    int idleTimeoutMs = 15'000;  // without a byte while receiving
    int totalTimeoutMs = 60'000; // the whole query
    std::size_t maxAnswerBytes = 1 << 20;
    std::vector<ConnectOverride> connectTo;
    // Refuse (kMarkerAddressRefused) a host that resolves to a loopback,
    // private, link-local, multicast or unspecified address, unless
    // `connectTo` maps it: set for referral hosts named by an answer.
    bool publicAddressesOnly = false;
    std::uint16_t port = 43; // where hosts without an override are asked
    // The exit the query leaves by: a proxy URL (socks5h://, socks5://,
    // http:// with CONNECT), else a local address to bind to; both empty:
    // directly from any address.
    std::string proxy{};
    std::string sourceAddress{};
};

// The query through `options.proxy` (engine/whois/proxiedwhois.cpp); WhoisQuery
// goes there when a proxy is set.
[[nodiscard]] std::string ProxiedWhoisQuery(const std::string& host, const std::string& domain,
                                            const WhoisClientOptions& options,
                                            const std::atomic<bool>* stop,
                                            HostLookupCache* lookups);

// Thread-safe; every wait returns within 250 ms of `stop` becoming true (the
// result is then "Err_Timeout", or the cut-off answer once text came). A
// host name is looked up through `lookups` when given (once per batch), and
// every address it has is tried in turn until one accepts the connection.
[[nodiscard]] std::string WhoisQuery(const std::string& host, const std::string& domain,
                                     const WhoisClientOptions& options,
                                     const std::atomic<bool>* stop = nullptr,
                                     HostLookupCache* lookups = nullptr);
