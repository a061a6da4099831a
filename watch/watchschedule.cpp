// SPDX-License-Identifier: MIT
#include "watch/watchschedule.h"

#include <algorithm>
#include <utility>

WatchSchedule::WatchSchedule(Clock clock) : m_clock(std::move(clock)) {}

void WatchSchedule::Configure(bool enabled, int everyDays, std::int64_t lastCheck) {
    m_enabled = enabled;
    m_everyDays = std::max(everyDays, 1);
    m_lastCheck = std::max<std::int64_t>(lastCheck, 0);
}

std::int64_t WatchSchedule::NextCheckAt() const {
    if (m_lastCheck <= 0) {
        return 0; // never checked: due now
    }
    return m_lastCheck + static_cast<std::int64_t>(m_everyDays) * kDaySeconds;
}

WatchSchedule::Decision WatchSchedule::Poll(bool batchRunning, bool listReady) const {
    if (!m_enabled) {
        return Decision::Off;
    }
    const std::int64_t now = m_clock();
    // A last check "in the future" (the clock was wrong then and is set
    // right now) must not postpone checks for years: check at once.
    const std::int64_t next = m_lastCheck > now ? now : NextCheckAt();
    if (now < next) {
        return Decision::NotDue;
    }
    return batchRunning || !listReady ? Decision::Waiting : Decision::Start;
}

void WatchSchedule::CheckEnded() {
    m_lastCheck = m_clock();
}
