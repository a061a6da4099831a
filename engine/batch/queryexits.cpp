// SPDX-License-Identifier: MIT
#include "engine/batch/queryexits.h"

#include <algorithm>
#include <iterator>

#include "engine/net/curlurl.h"
#include "core/asciicase.h"
#include "core/text.h"

bool IsUsableProxyUrl(const std::string& url, std::string& why) {
    static constexpr std::string_view kProxySchemes[] = {"socks5h", "socks5", "http"};
    const bool knownScheme =
        std::any_of(std::begin(kProxySchemes), std::end(kProxySchemes), [&](std::string_view s) {
            return StartsWithNoCase(url, std::string(s) + "://");
        });
    if (!knownScheme) {
        why = "expected socks5h://, socks5:// or http://HOST:PORT";
        return false;
    }
    // user:password@ is allowed; nothing after the port but a "/".
    const CurlUrl read(url, kProxySchemes);
    int number = 0;
    if (!read.ok() || !read.namesPort() || read.hasPathOrQuery() ||
        !ParseInt(read.port(), number) || number < 1 || number > 65535) {
        why = "expected a host and a port after the scheme";
        return false;
    }
    return true;
}

std::vector<QueryExit> ExitsFor(const std::vector<std::string>& proxies,
                                const std::vector<std::string>& sourceAddresses) {
    std::vector<QueryExit> exits;
    for (const std::string& proxy : proxies) {
        exits.push_back({proxy, {}});
    }
    for (const std::string& address : sourceAddresses) {
        exits.push_back({{}, address});
    }
    if (exits.empty()) {
        exits.emplace_back();
    }
    return exits;
}

std::string ExitLaneKey(std::size_t exit, const std::string& host) {
    // '|' cannot occur in a host name.
    return exit == 0 ? host : std::to_string(exit) + "|" + host;
}

std::string LaneKeyHost(const std::string& key) {
    const auto bar = key.find('|');
    return bar == std::string::npos ? key : key.substr(bar + 1);
}

ExitHealth::ExitHealth(std::size_t count, Clock::duration outage)
    : m_count(count), m_outage(outage), m_downUntil(count) {}

void ExitHealth::MarkFailed(std::size_t exit) {
    std::lock_guard lock(m_mutex);
    if (exit < m_count) {
        m_downUntil[exit] = Clock::now() + m_outage;
    }
}

bool ExitHealth::Usable(std::size_t exit) const {
    std::lock_guard lock(m_mutex);
    return exit < m_count && m_downUntil[exit] <= Clock::now();
}

bool ExitHealth::Other(std::size_t failed, std::size_t& out) const {
    for (std::size_t n = 1; n < m_count; ++n) {
        const std::size_t exit = (failed + n) % m_count;
        if (Usable(exit)) {
            out = exit;
            return true;
        }
    }
    return false;
}
