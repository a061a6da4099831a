// SPDX-License-Identifier: MIT
#include "engine/net/addressrules.h"

#include <algorithm>
#include <cstring>
#include <netinet/in.h>

namespace {

struct Block4 {
    std::uint32_t network;
    int prefix;
};

// First match refuses; every address outside these blocks is public.
constexpr Block4 kRefused4[] = {
    {0x00000000, 8},  // "this network", 0.0.0.0 included
    {0x0A000000, 8},  // private
    {0x64400000, 10}, // shared address space of carrier NAT
    {0x7F000000, 8},  // loopback
    {0xA9FE0000, 16}, // link-local
    {0xAC100000, 12}, // private
    {0xC0000000, 24}, // protocol assignments
    {0xC0A80000, 16}, // private
    {0xC6120000, 15}, // benchmarking
    {0xE0000000, 4},  // multicast
    {0xF0000000, 4},  // reserved, 255.255.255.255 included
};

bool InBlock(std::uint32_t address, const Block4& block) {
    const std::uint32_t mask = ~std::uint32_t{0} << (32 - block.prefix);
    return (address & mask) == block.network;
}

std::array<std::uint8_t, 4> LastFour(const std::array<std::uint8_t, 16>& bytes) {
    return {bytes[12], bytes[13], bytes[14], bytes[15]};
}

bool StartsWith(const std::array<std::uint8_t, 16>& bytes,
                std::initializer_list<std::uint8_t> prefix) {
    return std::equal(prefix.begin(), prefix.end(), bytes.begin());
}

} // namespace

bool IsPublicIPv4(const std::array<std::uint8_t, 4>& octets) {
    const std::uint32_t address = std::uint32_t{octets[0]} << 24 | std::uint32_t{octets[1]} << 16 |
                                  std::uint32_t{octets[2]} << 8 | std::uint32_t{octets[3]};
    return std::none_of(std::begin(kRefused4), std::end(kRefused4),
                        [&](const Block4& block) { return InBlock(address, block); });
}

bool IsPublicIPv6(const std::array<std::uint8_t, 16>& bytes) {
    // ::a.b.c.d (compatible; :: and ::1 are in this form too) and ::ffff:a.b.c.d (mapped).
    if (StartsWith(bytes, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0})) {
        const bool compatible = bytes[10] == 0 && bytes[11] == 0;
        const bool mapped = bytes[10] == 0xFF && bytes[11] == 0xFF;
        if (compatible || mapped) {
            return IsPublicIPv4(LastFour(bytes));
        }
    }
    // NAT64's well-known prefix reaches the IPv4 address it carries.
    if (StartsWith(bytes, {0x00, 0x64, 0xFF, 0x9B, 0, 0, 0, 0, 0, 0, 0, 0})) {
        return IsPublicIPv4(LastFour(bytes));
    }
    // A local NAT64 prefix leads wherever the network's own translator says.
    if (StartsWith(bytes, {0x00, 0x64, 0xFF, 0x9B, 0x00, 0x01})) {
        return false;
    }
    // 6to4 carries its relay's IPv4 address in bytes 2..5.
    if (StartsWith(bytes, {0x20, 0x02})) {
        return IsPublicIPv4({bytes[2], bytes[3], bytes[4], bytes[5]});
    }
    if ((bytes[0] & 0xFE) == 0xFC) { // unique-local fc00::/7
        return false;
    }
    if (bytes[0] == 0xFE && (bytes[1] & 0x80) == 0x80) { // link- and site-local fe80::/9
        return false;
    }
    return bytes[0] != 0xFF; // multicast
}

bool IsPublicAddress(const sockaddr* address) {
    if (address == nullptr) {
        return false;
    }
    if (address->sa_family == AF_INET) {
        sockaddr_in in4{};
        std::memcpy(&in4, address, sizeof in4);
        std::array<std::uint8_t, 4> octets{};
        std::memcpy(octets.data(), &in4.sin_addr, octets.size());
        return IsPublicIPv4(octets);
    }
    if (address->sa_family == AF_INET6) {
        sockaddr_in6 in6{};
        std::memcpy(&in6, address, sizeof in6);
        std::array<std::uint8_t, 16> bytes{};
        std::memcpy(bytes.data(), &in6.sin6_addr, bytes.size());
        return IsPublicIPv6(bytes);
    }
    return false;
}
