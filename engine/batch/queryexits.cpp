// SPDX-License-Identifier: MIT
#include "engine/batch/queryexits.h"

#include "core/asciicase.h"
#include "core/text.h"

bool IsUsableProxyUrl(const std::string& url, std::string& why) {
    const auto schemeEnd = url.find("://");
    const std::string scheme =
        schemeEnd == std::string::npos ? "" : AsciiLower(url.substr(0, schemeEnd));
    if (scheme != "socks5h" && scheme != "socks5" && scheme != "http") {
        why = "expected socks5h://, socks5:// or http://HOST:PORT";
        return false;
    }
    std::string rest = url.substr(schemeEnd + 3);
    if (!rest.empty() && rest.back() == '/') {
        rest.pop_back();
    }
    const auto at = rest.rfind('@'); // user:password@ is allowed
    if (at != std::string::npos) {
        rest = rest.substr(at + 1);
    }
    const auto colon = rest.rfind(':');
    const std::string port = colon == std::string::npos ? "" : rest.substr(colon + 1);
    const std::string host = colon == std::string::npos ? rest : rest.substr(0, colon);
    int number = 0;
    if (host.empty() || host.find_first_of("/?#") != std::string::npos || port.empty() ||
        port.find_first_not_of("0123456789") != std::string::npos || port.size() > 5 ||
        !ParseInt(port, number) || number < 1 || number > 65535) {
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
