// SPDX-License-Identifier: MIT
#include "engine/net/curlurl.h"

#include <curl/curl.h>
#include <optional>

#include "core/text.h"
#include "core/asciicase.h"

namespace {

// A part of `parts`, or nullopt when libcurl has none.
std::optional<std::string> UrlPart(CURLU* parts, CURLUPart part, unsigned flags = 0) {
    char* text = nullptr;
    if (curl_url_get(parts, part, &text, flags) != CURLUE_OK || text == nullptr) {
        return std::nullopt;
    }
    std::string value(text);
    curl_free(text);
    return value;
}

} // namespace

CurlUrl::CurlUrl(std::string_view text, std::span<const std::string_view> schemes) {
    std::size_t rest = 0;
    for (const std::string_view scheme : schemes) {
        const std::size_t size = scheme.size();
        if (text.size() > size + 3 && StartsWithNoCase(text, scheme) &&
            text.substr(size, 3) == "://") {
            rest = size + 3;
            break;
        }
    }
    if (rest == 0 || text[rest] == '/' || text[rest] == '\\') {
        return;
    }
    CURLU* parts = curl_url();
    if (parts == nullptr) {
        return;
    }
    const std::string whole(text);
    std::optional<std::string> scheme;
    std::optional<std::string> host;
    std::optional<std::string> port;
    if (curl_url_set(parts, CURLUPART_URL, whole.c_str(), CURLU_NON_SUPPORT_SCHEME) == CURLUE_OK) {
        scheme = UrlPart(parts, CURLUPART_SCHEME);
        host = UrlPart(parts, CURLUPART_HOST);
        port = UrlPart(parts, CURLUPART_PORT);
        m_namesPort = port.has_value();
        if (!port) {
            port = UrlPart(parts, CURLUPART_PORT, CURLU_DEFAULT_PORT);
        }
        const std::optional<std::string> path = UrlPart(parts, CURLUPART_PATH);
        m_hasPathOrQuery = (path && *path != "/") || UrlPart(parts, CURLUPART_QUERY) ||
                           UrlPart(parts, CURLUPART_FRAGMENT);
    }
    if (!scheme || !host || host->empty()) {
        curl_url_cleanup(parts);
        return;
    }
    m_parts = parts;
    m_scheme = AsciiLower(*scheme);
    m_host = AsciiLower(*host);
    m_port = port.value_or("");
}

CurlUrl::~CurlUrl() {
    curl_url_cleanup(m_parts);
}

std::string UrlHost(std::string_view url) {
    const CurlUrl read(url);
    return read.ok() ? read.host() : std::string();
}
