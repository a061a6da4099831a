// SPDX-License-Identifier: MIT
#pragma once

// The exits a batch's queries leave by: proxies, or local addresses of a
// machine that has several. Every host's lane is kept per exit (its key is
// ExitLaneKey), so each exit has its own allowance of open queries and gap
// between starts. An exit whose proxy failed is out of use for a while, and
// rows go to the others.

#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

struct QueryExit {
    std::string proxy;         // socks5h://, socks5:// or http:// URL; "" none
    std::string sourceAddress; // a local address to leave from; "" any
};

// Whether `url` names a proxy the exits can use: socks5h://, socks5:// or
// http:// (tunnelled with CONNECT), a host and a port; `why` says what is
// wrong otherwise.
[[nodiscard]] bool IsUsableProxyUrl(const std::string& url, std::string& why);

// One exit per proxy, then one per source address; one direct exit when
// neither is given.
[[nodiscard]] std::vector<QueryExit> ExitsFor(const std::vector<std::string>& proxies,
                                              const std::vector<std::string>& sourceAddresses);

// The lane of `host` through exit `exit`: the host itself for the first
// exit, so a batch with one exit keeps its lanes as they were.
[[nodiscard]] std::string ExitLaneKey(std::size_t exit, const std::string& host);
// The host of a lane key.
[[nodiscard]] std::string LaneKeyHost(const std::string& key);

// Thread-safe.
class ExitHealth {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::minutes kOutage{5};

    explicit ExitHealth(std::size_t count, Clock::duration outage = kOutage);
    [[nodiscard]] std::size_t Count() const { return m_count; }
    void MarkFailed(std::size_t exit);
    [[nodiscard]] bool Usable(std::size_t exit) const;
    // A usable exit other than `failed`, for a row whose exit just failed;
    // false when there is none.
    [[nodiscard]] bool Other(std::size_t failed, std::size_t& out) const;

private:
    const std::size_t m_count;
    const Clock::duration m_outage;
    mutable std::mutex m_mutex;
    std::vector<Clock::time_point> m_downUntil;
};
