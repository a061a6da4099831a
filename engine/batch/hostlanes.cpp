// SPDX-License-Identifier: MIT
#include "engine/batch/hostlanes.h"

#include <algorithm>

#include "engine/net/hostlookup.h"

namespace {

// No single wait is longer than this, so a stop request is seen in time
// even if a wake-up were missed.
constexpr auto kWaitSlice = std::chrono::milliseconds(250);

} // namespace

HostLanes::HostLanes(LaneRules rules, const std::atomic<bool>* stop, std::function<void()> onChange)
    : m_rules(rules), m_stop(stop), m_onChange(std::move(onChange)) {}

HostLanes::Host& HostLanes::HostFor(const std::string& host) {
    const auto [entry, added] = m_hosts.try_emplace(HostKey(host));
    if (added) {
        entry->second.gap = m_rules.interval;
    }
    return entry->second;
}

const HostLanes::Host* HostLanes::FindHost(const std::string& host) const {
    const auto found = m_hosts.find(HostKey(host));
    return found == m_hosts.end() ? nullptr : &found->second;
}

void HostLanes::Start(Host& lane, Clock::time_point now) {
    ++lane.open;
    lane.nextStart = std::max(lane.nextStart, now + lane.gap);
}

void HostLanes::Pause(Host& lane, const LaneVerdict& verdict, Clock::time_point now) {
    Clock::duration wait;
    if (verdict.waitSeconds) {
        // The host said how long: wait that, and keep that gap until it has
        // answered calmly for a while (Calm).
        const auto named = std::clamp<std::chrono::seconds>(
            std::chrono::seconds(*verdict.waitSeconds), std::chrono::seconds(0),
            verdict.retryAfter ? m_rules.maxRetryAfter : m_rules.maxNamedWait);
        wait = named + m_rules.namedWaitMargin;
        lane.gap = std::max(lane.gap, wait);
    } else {
        wait = m_rules.firstBackoff;
        for (int level = 0; level < lane.backoffLevel && wait < m_rules.maxBackoff; ++level) {
            wait *= 2;
        }
        wait = std::min<Clock::duration>(wait, m_rules.maxBackoff);
        ++lane.backoffLevel;
        // A host that refuses fast repeats would refuse the next waiting row
        // asked right after the retry: from now on its queries keep the
        // first back-off apart.
        lane.gap = std::max<Clock::duration>(lane.gap, m_rules.firstBackoff);
    }
    lane.nextStart = std::max(lane.nextStart, now + wait);
    lane.refusedLast = true;
    lane.calmAnswers = 0;
}

void HostLanes::Calm(Host& lane) {
    lane.refusedLast = false;
    lane.backoffLevel = 0;
    if (lane.gap <= m_rules.interval || ++lane.calmAnswers < std::max(m_rules.calmRun, 1)) {
        return;
    }
    lane.calmAnswers = 0;
    const Clock::duration half = lane.gap / 2;
    // Below a millisecond over the interval the halving would go on for ever.
    lane.gap = half - m_rules.interval < std::chrono::milliseconds(1) ? m_rules.interval : half;
    lane.gap = std::max<Clock::duration>(lane.gap, m_rules.interval);
}

void HostLanes::Changed() {
    m_changed.notify_all();
    if (m_onChange) {
        m_onChange();
    }
}

LaneResult HostLanes::Run(const std::string& host, const std::function<LaneVerdict()>& attempt,
                          LanePatience patience) {
    return Loop(host, attempt, false, patience);
}

LaneResult HostLanes::RunAdmitted(const std::string& host,
                                  const std::function<LaneVerdict()>& attempt) {
    return Loop(host, attempt, true, LanePatience::Full());
}

LaneResult HostLanes::Loop(const std::string& host, const std::function<LaneVerdict()>& attempt,
                           bool admitted, LanePatience patience) {
    const int maxTries = patience.maxTries > 0 ? patience.maxTries : m_rules.maxTries;
    std::unique_lock lock(m_mutex);
    Host& lane = HostFor(host);
    for (int tries = 1;; ++tries) {
        if (!admitted) {
            ++lane.waiting;
            for (;;) {
                const auto now = Clock::now();
                if (m_stop != nullptr && m_stop->load()) {
                    --lane.waiting;
                    return LaneResult::Stopped;
                }
                if (patience.longestPause && lane.refusedLast &&
                    lane.nextStart - now > *patience.longestPause) {
                    --lane.waiting;
                    lock.unlock();
                    Changed();
                    return LaneResult::RateLimited;
                }
                if (lane.open < m_rules.perHost && now >= lane.nextStart) {
                    Start(lane, now);
                    break;
                }
                const auto until = lane.open < m_rules.perHost
                                       ? std::min(lane.nextStart, now + kWaitSlice)
                                       : now + kWaitSlice;
                m_changed.wait_until(lock, until);
            }
            --lane.waiting;
        }
        admitted = false;

        lock.unlock();
        LaneVerdict verdict;
        try {
            verdict = attempt();
        } catch (...) {
            lock.lock();
            --lane.open;
            lock.unlock();
            Changed();
            throw;
        }
        lock.lock();
        --lane.open;

        const bool refused =
            verdict.kind == LaneVerdict::Kind::Refused ||
            (verdict.kind == LaneVerdict::Kind::ResetAtConnect && lane.refusedLast);
        if (!refused) {
            if (verdict.kind == LaneVerdict::Kind::Answered) {
                Calm(lane);
            }
            lock.unlock();
            Changed();
            return LaneResult::Done;
        }
        Pause(lane, verdict, Clock::now());
        if (tries >= maxTries) {
            lock.unlock();
            Changed();
            return LaneResult::RateLimited;
        }
        lock.unlock();
        Changed();
        lock.lock();
    }
}

bool HostLanes::TryAdmit(const std::string& host) {
    std::lock_guard lock(m_mutex);
    Host& lane = HostFor(host);
    const auto now = Clock::now();
    if (lane.waiting > 0 || lane.open >= m_rules.perHost || now < lane.nextStart) {
        return false;
    }
    Start(lane, now);
    return true;
}

void HostLanes::Cancel(const std::string& host) {
    {
        std::lock_guard lock(m_mutex);
        Host& lane = HostFor(host);
        if (lane.open > 0) {
            --lane.open;
        }
    }
    Changed();
}

HostLanes::Clock::time_point HostLanes::ReadyAt(const std::string& host) const {
    std::lock_guard lock(m_mutex);
    const Host* lane = FindHost(host);
    if (lane == nullptr) {
        return Clock::time_point::min();
    }
    if (lane->waiting > 0 || lane->open >= m_rules.perHost) {
        return Clock::time_point::max();
    }
    return lane->nextStart;
}

std::optional<LaneWait> HostLanes::LongestWait(const std::vector<std::string>& wanted) const {
    std::lock_guard lock(m_mutex);
    const auto now = Clock::now();
    std::optional<LaneWait> longest;
    auto consider = [&](const std::string& key, const Host& lane) {
        if (lane.nextStart <= now) {
            return;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(lane.nextStart - now);
        if (!longest || left > longest->left) {
            longest = LaneWait{key, left};
        }
    };
    for (const auto& [key, lane] : m_hosts) {
        if (lane.waiting > 0) {
            consider(key, lane);
        }
    }
    for (const std::string& host : wanted) {
        if (const Host* lane = FindHost(host)) {
            consider(HostKey(host), *lane);
        }
    }
    return longest;
}

void HostLanes::Wake() {
    // Taking the lock first: a waiter between its look at the stop flag and
    // its wait would otherwise miss the notification.
    std::lock_guard lock(m_mutex);
    m_changed.notify_all();
}
