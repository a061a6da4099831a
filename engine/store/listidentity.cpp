// SPDX-License-Identifier: MIT
#include <cstdio>

#include "engine/store/resultstore.h"

namespace {

// FNV-1a, 64 bits: stable across builds and machines, which std::hash is not.
constexpr std::uint64_t kFnvOffset = 14695981039346656037ULL;
constexpr std::uint64_t kFnvPrime = 1099511628211ULL;

void Mix(std::uint64_t& hash, std::string_view bytes) {
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= kFnvPrime;
    }
}

} // namespace

std::string ListIdentity(std::string_view path, const std::vector<std::string>& domainsAscii) {
    std::uint64_t hash = kFnvOffset;
    for (const std::string& name : domainsAscii) {
        // The line end keeps ["ab", "c"] apart from ["a", "bc"].
        Mix(hash, name);
        Mix(hash, "\n");
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    std::string identity(path);
    identity += '#';
    identity += std::to_string(domainsAscii.size());
    identity += ':';
    identity += hex;
    return identity;
}
