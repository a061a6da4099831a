// SPDX-License-Identifier: MIT
#pragma once

// One HTTP GET of the RDAP side and what came back, as plain values: the
// request the client sends and the result it returns, with failures in-band.

#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

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

struct Curl_URL; // libcurl's CURLU

inline constexpr std::string_view kWebSchemes[] = {"https", "http"};

// A URL read once, by libcurl's URL API: the host that lanes, down-hosts and
// the address guard check is the one the client connects to, as the client
// hands this very reading to libcurl. Only "SCHEME://" (any case, one of
// `schemes`) followed by a host is read; anything libcurl would guess at
// ("https:/host", "https:///host") is no URL here.
class CurlUrl {
public:
    explicit CurlUrl(std::string_view text,
                     std::span<const std::string_view> schemes = kWebSchemes);
    ~CurlUrl();
    CurlUrl(const CurlUrl&) = delete;
    CurlUrl& operator=(const CurlUrl&) = delete;

    [[nodiscard]] bool ok() const { return m_parts != nullptr; }
    [[nodiscard]] const std::string& scheme() const { return m_scheme; } // lower-case
    // Lower-case, percent-decoded, an IPv6 literal in brackets; a trailing
    // dot is kept, as libcurl matches connect-to entries with it.
    [[nodiscard]] const std::string& host() const { return m_host; }
    // The port named, else the scheme's ("" for a scheme libcurl does not know).
    [[nodiscard]] const std::string& port() const { return m_port; }
    [[nodiscard]] bool namesPort() const { return m_namesPort; }
    // Whether anything follows the host and port but a lone "/".
    [[nodiscard]] bool hasPathOrQuery() const { return m_hasPathOrQuery; }
    // For CURLOPT_CURLU; lives as long as this object.
    [[nodiscard]] Curl_URL* handle() const { return m_parts; }

private:
    Curl_URL* m_parts = nullptr;
    std::string m_scheme;
    std::string m_host;
    std::string m_port;
    bool m_namesPort = false;
    bool m_hasPathOrQuery = false;
};

// The host of an http(s) URL as CurlUrl reads it; "" when the text is not one.
[[nodiscard]] std::string UrlHost(std::string_view url);
