// SPDX-License-Identifier: MIT
#pragma once

// When the next watch check is due. The clock is a parameter, so tests move
// time by hand; the desktop polls Poll() from a timer.
//
// A check is due `everyDays` days after the last one ended (at once when
// there was none, or when it is overdue at start). It never starts while
// another batch runs or the list is not ready: it waits, and starts at the
// first poll after.

#include <cstdint>
#include <functional>

class WatchSchedule {
public:
    using Clock = std::function<std::int64_t()>; // Unix seconds
    static constexpr std::int64_t kDaySeconds = 86400;

    enum class Decision {
        Off,     // no watch
        NotDue,  // the next check lies ahead
        Waiting, // due, but another batch runs or the list is not ready
        Start,   // start a check now
    };

    explicit WatchSchedule(Clock clock);

    void Configure(bool enabled, int everyDays, std::int64_t lastCheck);
    // `batchRunning`: a batch (the user's or a check) runs or was asked for;
    // `listReady`: the working list has names and is shown.
    [[nodiscard]] Decision Poll(bool batchRunning, bool listReady) const;
    // Unix seconds; meaningful while enabled.
    [[nodiscard]] std::int64_t NextCheckAt() const;
    [[nodiscard]] bool enabled() const { return m_enabled; }
    [[nodiscard]] std::int64_t lastCheck() const { return m_lastCheck; }
    [[nodiscard]] std::int64_t Now() const { return m_clock(); }
    // A check ended now (finished or stopped by the user): the next is due
    // a whole period later.
    void CheckEnded();

private:
    Clock m_clock;
    bool m_enabled = false;
    int m_everyDays = 7;
    std::int64_t m_lastCheck = 0;
};
