// SPDX-License-Identifier: MIT
#include "cli/shard.h"

#include <charconv>

namespace {

std::optional<std::uint32_t> Number(std::string_view text) {
    std::uint32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return value;
}

} // namespace

std::optional<Shard> ParseShard(std::string_view text) {
    const auto slash = text.find('/');
    if (slash == std::string_view::npos) {
        return std::nullopt;
    }
    const auto index = Number(text.substr(0, slash));
    const auto count = Number(text.substr(slash + 1));
    if (!index || !count || *count == 0 || *count > kMaxShards || *index == 0 || *index > *count) {
        return std::nullopt;
    }
    return Shard{*index, *count};
}

bool InShard(std::string_view domainAscii, Shard shard) {
    if (shard.count <= 1) {
        return true;
    }
    // FNV-1a, then a finaliser that spreads every bit into the low ones the
    // remainder reads: the shards stay even for names that differ only at
    // their end. Fixed constants, so every build splits alike.
    std::uint64_t hash = 14695981039346656037ULL;
    for (const char c : domainAscii) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ULL;
    }
    hash ^= hash >> 33;
    hash *= 0xff51afd7ed558ccdULL;
    hash ^= hash >> 33;
    hash *= 0xc4ceb9fe1a85ec53ULL;
    hash ^= hash >> 33;
    return hash % shard.count == shard.index - 1;
}
