// SPDX-License-Identifier: MIT
#pragma once

// Hosts a batch could not reach (no address, refused, no trusted TLS, no
// answer in time), remembered for a few minutes with what went wrong, so
// the rows after the first do not each wait out the same failure: an RDAP
// server's rows go to port 43 at once, IANA's look-ups fail at once. After
// the few minutes the next question tries the host again.

#include <chrono>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "engine/net/hostlookup.h"

inline constexpr std::chrono::minutes kDownHostMemory{5};

// `Why` is what the caller needs to answer for the host in its stead (the
// HTTP failure, the WHOIS client's marker). Thread-safe.
template <class Why>
class DownHosts {
public:
    using Clock = std::chrono::steady_clock;

    explicit DownHosts(Clock::duration memory = kDownHostMemory) : m_memory(memory) {}

    void MarkDown(const std::string& host, Why why, Clock::time_point now = Clock::now()) {
        std::lock_guard lock(m_mutex);
        m_down[HostKey(host)] = Entry{std::move(why), now + m_memory};
    }

    // What went wrong with the host, while that is remembered.
    [[nodiscard]] std::optional<Why> Find(const std::string& host,
                                          Clock::time_point now = Clock::now()) const {
        std::lock_guard lock(m_mutex);
        const auto found = m_down.find(HostKey(host));
        if (found == m_down.end() || now >= found->second.until) {
            return std::nullopt;
        }
        return found->second.why;
    }

private:
    struct Entry {
        Why why;
        Clock::time_point until;
    };

    const Clock::duration m_memory;
    mutable std::mutex m_mutex;
    std::map<std::string, Entry> m_down;
};
