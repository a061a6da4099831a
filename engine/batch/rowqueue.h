// SPDX-License-Identifier: MIT
#pragma once

// The rows of a batch still to be started, grouped by the host their first
// query goes to. The next row is the lowest index among the groups whose
// host's lane admits a query now, so a stalled or pausing registry holds
// back only its own rows. A group also has a limit of rows under way, so one
// registry's rows cannot take every worker. A row whose registry has
// answered and which waits only on an extra question (its registrar's RDAP
// link, a port-43 referral) leaves that count for the group's rows in extra
// questions, which have a limit of their own: a slow registrar then holds
// back no more of the registry's lane than that limit. Not thread-safe: the
// batch guards it.

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/batch/hostlanes.h"

class RowQueue {
public:
    struct Row {
        std::int32_t index = 0;
        std::string host; // the first host; empty: asked without a lane
        // The rows that share a limit of rows under way; empty: the host's.
        // TakeReady gives the group's key, which Finished takes.
        std::string group;
        std::size_t exit = 0; // the exit whose lane admitted the row (engine/batch/queryexits.h)
    };

    // `rows` in index order; at most `rowsPerGroup` rows of a group under way
    // and `extraPerGroup` in extra questions (0: none, a row in an extra
    // question stays under way).
    RowQueue(const std::vector<Row>& rows, int rowsPerGroup, int extraPerGroup = 0);

    // One more row, after every row given so far (a batch whose rows arrive
    // while it runs).
    void Add(const Row& row);

    // Rows may leave by `count` exits, each with its own lanes, those for
    // which `usable` says yes (all when empty); a group then may have
    // `rowsPerGroup` rows under way per exit. Before the first TakeReady.
    void SetExits(std::size_t count, std::function<bool(std::size_t exit)> usable);

    // No row is left to start.
    [[nodiscard]] bool Empty() const;

    // Takes the lowest-indexed row whose host admits a query now, its place
    // in the lane taken (TryAdmit); nothing when no lane admits one, with
    // `wakeAt` set to when one may (max() when only a finished query can).
    [[nodiscard]] std::optional<Row> TakeReady(HostLanes& lanes,
                                               HostLanes::Clock::time_point& wakeAt);

    // A row of `group` under way goes on to an extra question: true when the
    // group has room for one more row in extra questions (the row then no
    // longer counts as under way), false when it has none (the row stays
    // under way).
    [[nodiscard]] bool StartExtra(const std::string& group);

    // A row TakeReady gave is finished (or given up); `group` is its group,
    // `inExtra` whether StartExtra moved it.
    void Finished(const std::string& group, bool inExtra = false);

    // Hosts that still have rows waiting.
    [[nodiscard]] std::vector<std::string> Hosts() const;

private:
    bool Admit(HostLanes& lanes, const std::string& host, std::size_t& exit, std::string& lane,
               HostLanes::Clock::time_point& wakeAt) const;

    struct Group {
        std::string host; // whose lane admits the group's rows
        std::deque<std::int32_t> waiting;
        int underWay = 0;
        int inExtra = 0;
    };

    int m_rowsPerGroup;
    int m_extraPerGroup;
    std::size_t m_exits = 1;
    std::function<bool(std::size_t)> m_usable;
    std::map<std::string, Group> m_groups;
    // (index of a group's first row, its key), so groups are tried in row order.
    std::set<std::pair<std::int32_t, std::string>> m_fronts;
};
