// SPDX-License-Identifier: MIT
#include <cstdio>

#include "engine/store/resultstore.h"

namespace {

// FNV-1a, 64 bits: stable across builds and machines, which std::hash is not.
constexpr std::uint64_t kFnvPrime = 1099511628211ULL;

void Mix(std::uint64_t& hash, std::string_view bytes) {
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= kFnvPrime;
    }
}

} // namespace

void ListIdentityHash::Add(std::string_view domainAscii) {
    // The line end keeps ["ab", "c"] apart from ["a", "bc"].
    Mix(m_hash, domainAscii);
    Mix(m_hash, "\n");
    ++m_count;
}

std::string ListIdentityHash::Identity(std::string_view path) const {
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(m_hash));
    std::string identity(path);
    identity += '#';
    identity += std::to_string(m_count);
    identity += ':';
    identity += hex;
    return identity;
}

std::string ListIdentity(std::string_view path, const std::vector<std::string>& domainsAscii) {
    ListIdentityHash hash;
    for (const std::string& name : domainsAscii) {
        hash.Add(name);
    }
    return hash.Identity(path);
}
