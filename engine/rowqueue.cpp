#include "engine/rowqueue.h"

#include <algorithm>

#include "engine/hostlookup.h"

RowQueue::RowQueue(const std::vector<Row>& rows, int rowsPerGroup)
    : m_rowsPerGroup(std::max(rowsPerGroup, 1)) {
    for (const Row& row : rows) {
        m_groups[HostKey(row.host)].waiting.push_back(row.index);
    }
    for (const auto& [host, group] : m_groups) {
        m_fronts.emplace(group.waiting.front(), host);
    }
}

std::optional<RowQueue::Row> RowQueue::TakeReady(HostLanes& lanes,
                                                 HostLanes::Clock::time_point& wakeAt) {
    wakeAt = HostLanes::Clock::time_point::max();
    for (auto front = m_fronts.begin(); front != m_fronts.end(); ++front) {
        const std::string& host = front->second;
        Group& group = m_groups[host];
        // Rows without a host need no lane and wait for nothing.
        if (!host.empty()) {
            if (group.underWay >= m_rowsPerGroup) {
                continue;
            }
            if (!lanes.TryAdmit(host)) {
                wakeAt = std::min(wakeAt, lanes.ReadyAt(host));
                continue;
            }
        }
        Row row{front->first, host};
        group.waiting.pop_front();
        ++group.underWay;
        m_fronts.erase(front);
        if (!group.waiting.empty()) {
            m_fronts.emplace(group.waiting.front(), row.host);
        }
        return row;
    }
    return std::nullopt;
}

void RowQueue::Finished(const std::string& host) {
    const auto found = m_groups.find(HostKey(host));
    if (found != m_groups.end() && found->second.underWay > 0) {
        --found->second.underWay;
    }
}

bool RowQueue::Empty() const {
    return m_fronts.empty();
}

std::vector<std::string> RowQueue::Hosts() const {
    std::vector<std::string> hosts;
    for (const auto& [host, group] : m_groups) {
        if (!host.empty() && !group.waiting.empty()) {
            hosts.push_back(host);
        }
    }
    return hosts;
}
