// SPDX-License-Identifier: MIT
#pragma once

// --shard K/N: one machine's share of a list that N machines ask together.
// A name's shard comes from a stable hash of its A-label alone, so every
// machine splits any copy of the list, in any order, the same way, and
// the shards together hold every name once.

#include <cstdint>
#include <optional>
#include <string_view>

struct Shard {
    std::uint32_t index = 1; // K, from 1
    std::uint32_t count = 1; // N
};

inline constexpr std::uint32_t kMaxShards = 1'000'000;

// "K/N" with 1 <= K <= N <= kMaxShards; nothing for anything else.
[[nodiscard]] std::optional<Shard> ParseShard(std::string_view text);

// Whether the name (as the list stores it) falls in `shard`.
[[nodiscard]] bool InShard(std::string_view domainAscii, Shard shard);
