// SPDX-License-Identifier: MIT
#pragma once

// The engine's URL reader: every host taken from a URL (an RDAP request,
// a link in an answer, a proxy) is libcurl's reading of it.

#include <span>
#include <string>
#include <string_view>

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
