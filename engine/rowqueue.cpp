#include "engine/rowqueue.h"

#include <algorithm>

#include "engine/hostlookup.h"

RowQueue::RowQueue(const std::vector<Row>& rows) {
    for (const Row& row : rows) {
        m_groups[HostKey(row.host)].push_back(row.index);
    }
    for (const auto& [host, indices] : m_groups) {
        m_fronts.emplace(indices.front(), host);
    }
}

std::optional<RowQueue::Row> RowQueue::TakeReady(HostLanes& lanes,
                                                 HostLanes::Clock::time_point& wakeAt) {
    wakeAt = HostLanes::Clock::time_point::max();
    for (auto front = m_fronts.begin(); front != m_fronts.end(); ++front) {
        const std::string& host = front->second;
        if (!host.empty() && !lanes.TryAdmit(host)) {
            wakeAt = std::min(wakeAt, lanes.ReadyAt(host));
            continue;
        }
        Row row{front->first, host};
        std::deque<std::int32_t>& indices = m_groups[host];
        indices.pop_front();
        m_fronts.erase(front);
        if (indices.empty()) {
            m_groups.erase(row.host);
        } else {
            m_fronts.emplace(indices.front(), row.host);
        }
        return row;
    }
    return std::nullopt;
}

std::vector<std::string> RowQueue::Hosts() const {
    std::vector<std::string> hosts;
    for (const auto& [host, indices] : m_groups) {
        if (!host.empty()) {
            hosts.push_back(host);
        }
    }
    return hosts;
}
