// SPDX-License-Identifier: MIT
#include "engine/batch/rowqueue.h"

#include <algorithm>

#include "engine/batch/queryexits.h"
#include "engine/net/hostlookup.h"

RowQueue::RowQueue(const std::vector<Row>& rows, int rowsPerGroup, int extraPerGroup)
    : m_rowsPerGroup(std::max(rowsPerGroup, 1)), m_extraPerGroup(std::max(extraPerGroup, 0)) {
    for (const Row& row : rows) {
        Add(row);
    }
}

void RowQueue::Add(const Row& row) {
    const std::string key = HostKey(row.group.empty() ? row.host : row.group);
    Group& group = m_groups[key];
    if (group.waiting.empty()) {
        group.host = HostKey(row.host);
        m_fronts.emplace(row.index, key);
    }
    group.waiting.push_back(row.index);
}

std::optional<RowQueue::Row> RowQueue::TakeReady(HostLanes& lanes,
                                                 HostLanes::Clock::time_point& wakeAt) {
    wakeAt = HostLanes::Clock::time_point::max();
    for (auto front = m_fronts.begin(); front != m_fronts.end(); ++front) {
        const std::string& key = front->second;
        Group& group = m_groups[key];
        const std::string& host = group.host;
        // Rows without a host or a group of their own need no lane and wait
        // for nothing.
        std::size_t exit = 0;
        std::string lane = host;
        if (!key.empty()) {
            if (group.underWay >= m_rowsPerGroup * static_cast<int>(m_exits)) {
                continue;
            }
            if (!host.empty() && !Admit(lanes, host, exit, lane, wakeAt)) {
                continue;
            }
        }
        Row row{front->first, lane, key, exit};
        group.waiting.pop_front();
        ++group.underWay;
        m_fronts.erase(front);
        if (!group.waiting.empty()) {
            m_fronts.emplace(group.waiting.front(), row.group);
        }
        return row;
    }
    return std::nullopt;
}

void RowQueue::SetExits(std::size_t count, std::function<bool(std::size_t exit)> usable) {
    m_exits = std::max<std::size_t>(count, 1);
    m_usable = std::move(usable);
}

bool RowQueue::Admit(HostLanes& lanes, const std::string& host, std::size_t& exit,
                     std::string& lane, HostLanes::Clock::time_point& wakeAt) const {
    // The first usable exit whose lane admits a query now; else the row waits
    // for the one that will admit soonest. With every exit out of use the
    // rows still go, to end with the exits' failure rather than wait.
    bool anyUsable = !m_usable;
    for (std::size_t candidate = 0; candidate < m_exits && !anyUsable; ++candidate) {
        anyUsable = m_usable(candidate);
    }
    for (std::size_t candidate = 0; candidate < m_exits; ++candidate) {
        if (anyUsable && m_usable && !m_usable(candidate)) {
            continue;
        }
        const std::string key = ExitLaneKey(candidate, host);
        if (lanes.TryAdmit(key)) {
            exit = candidate;
            lane = key;
            return true;
        }
        wakeAt = std::min(wakeAt, lanes.ReadyAt(key));
    }
    return false;
}

bool RowQueue::StartExtra(const std::string& group) {
    const std::string key = HostKey(group);
    const auto found = m_groups.find(key);
    if (found == m_groups.end()) {
        return true; // not a row of this queue: nothing to count
    }
    Group& entry = found->second;
    // Rows without a host or group wait for nothing here either.
    if (!key.empty() && entry.inExtra >= m_extraPerGroup) {
        return false;
    }
    ++entry.inExtra;
    if (entry.underWay > 0) {
        --entry.underWay;
    }
    return true;
}

void RowQueue::Finished(const std::string& group, bool inExtra) {
    const auto found = m_groups.find(HostKey(group));
    if (found == m_groups.end()) {
        return;
    }
    int& count = inExtra ? found->second.inExtra : found->second.underWay;
    if (count > 0) {
        --count;
    }
}

bool RowQueue::Empty() const {
    return m_fronts.empty();
}

std::vector<std::string> RowQueue::Hosts() const {
    std::vector<std::string> hosts;
    for (const auto& [key, group] : m_groups) {
        if (!group.host.empty() && !group.waiting.empty()) {
            hosts.push_back(group.host);
        }
    }
    return hosts;
}
