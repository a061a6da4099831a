// SPDX-License-Identifier: MIT
#pragma once

// One WHOIS query in the plain form of the protocol: connect to port 43, send
// the domain and CR LF, read until the server closes. Failures come back as
// one of the marker texts below instead of an answer.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/net/connectto.h"

class HostLookupCache;

inline constexpr const char* kMarkerInvalidSocket = "Invalid Socket";
inline constexpr const char* kMarkerSocketErr = "Socket_Err";
inline constexpr const char* kMarkerInvalidAddr = "InvalidAddr";
inline constexpr const char* kMarkerConnect = "Err_connect";
inline constexpr const char* kMarkerSend = "Err_Send";
inline constexpr const char* kMarkerSend2 = "Err_Send2";
inline constexpr const char* kMarkerRecv = "Err_Recv";
inline constexpr const char* kMarkerTimeout = "Err_Timeout";
// A referral host that resolved to an address inside the user's own network.
inline constexpr const char* kMarkerAddressRefused = "Err_AddressRefused";
// The host kept refusing the query for its rate limit, however long the
// batch waited between tries (set by the batch, never by the client).
inline constexpr const char* kMarkerRateLimited = "Err_RateLimited";
// The proxy the query went through could not be reached or refused the
// connection it was asked for.
inline constexpr const char* kMarkerProxyFailed = "Err_Proxy";

// A query cut off by its idle or total time-out after some text came is a
// failure too, not an answer: kMarkerTimeout, a NUL byte, then that text
// (answers never hold NUL bytes), so the text can still be shown.
[[nodiscard]] std::string CutOffAnswer(std::string_view text);
// The marker of a failure: the whole result, or the part before the NUL of
// a cut-off answer.
[[nodiscard]] std::string_view MarkerOf(std::string_view result);
// The text a cut-off answer holds; "" for anything else.
[[nodiscard]] std::string_view CutOffText(std::string_view result);

// True when `result` is exactly one of the markers above, or a cut-off answer.
[[nodiscard]] bool IsFailureMarker(std::string_view result);

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
