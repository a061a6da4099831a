// SPDX-License-Identifier: MIT
#pragma once

// One HTTP GET of the RDAP side and what came back, as plain values: the
// request the client sends and the result it returns, with failures in-band.

#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/net/curlurl.h" // UrlHost, for the many who read a request's host
#include "engine/failreason.h"

// Why no HTTP answer came back.
enum class RdapFailure : std::uint8_t {
    None = 0,
    ResolveFailed,     // the host name did not resolve
    ConnectionRefused, // nothing listens, or the network is unreachable
    TimedOut,          // the whole-query limit passed
    ConnectionReset,   // the connection broke or closed without a whole answer
    Tls,               // the TLS handshake or the certificate check failed
    TooLarge,          // the answer passed the size limit
    Stopped,           // the batch asked to stop
    BadUrl,            // not an http(s) URL the client can ask
    AddressRefused,    // a host an answer pointed at is inside the user's own network
    Internal,          // anything else the HTTP library reported
    ProxyFailed,       // the proxy could not be reached or refused the connection
};

struct RdapRequest {
    std::string url;
    std::string accept = "application/rdap+json";
    std::vector<std::string> headers; // further "Name: value" lines
    // Set for a URL an answer pointed at (a redirect, a registrar's link):
    // its host must resolve to a public address unless connect-to maps it.
    bool publicOnly = false;
    // A question on top of the registry's own (the registrar's answer): worth
    // one try, not a long wait, since the registry's answer stands without it.
    bool extra = false;
    int timeoutMs = 0; // the whole query; 0: the client's limit
    // The exit the request leaves by: a proxy URL, else a local address to
    // bind to; both empty: directly from any address.
    std::string proxy{};
    std::string sourceAddress{};
};

struct RdapHttpResult {
    RdapFailure failure = RdapFailure::None;
    std::string detail; // the HTTP library's words for a failure
    long status = 0;    // the HTTP status; 0 when no answer came
    std::string body;
    std::string contentType;
    std::string location; // a redirect's target, made absolute
    std::string etag;
    std::string lastModified;
    std::optional<int> retryAfterSeconds; // from "Retry-After", never negative
};

// How the RDAP side asks: the client, or a batch's lanes around it, or a
// test's script.
using RdapFetchFunction = std::function<RdapHttpResult(const RdapRequest& request)>;

// A failure that says the host cannot be reached at all (no address,
// refused, no trusted TLS, no answer in time), not just this request.
[[nodiscard]] bool IsUnreachable(RdapFailure failure);

// The reason a row shows for a failure of the HTTP side.
[[nodiscard]] FailReason FailReasonForRdapFailure(RdapFailure failure);

// "Retry-After: 120" or "Retry-After: Fri, 07 Nov 2025 10:00:00 GMT" as
// seconds from `now`; a date in the past gives 0; nullopt when unreadable.
[[nodiscard]] std::optional<int> ParseRetryAfter(std::string_view value, std::time_t now);
