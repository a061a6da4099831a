// SPDX-License-Identifier: MIT
#pragma once

// Which addresses a host named by a registry's answer may lead to: only
// public ones, so an answer cannot point the client into the user's own
// machine or network. Pure functions over the raw address bytes.

#include <array>
#include <cstdint>
#include <sys/socket.h>

// `octets` in network order. False for "this network" 0/8, loopback 127/8,
// private 10/8, 172.16/12 and 192.168/16, shared 100.64/10, link-local
// 169.254/16, protocol assignments 192.0.0/24, benchmarking 198.18/15,
// multicast 224/4, reserved 240/4 and the broadcast address.
[[nodiscard]] bool IsPublicIPv4(const std::array<std::uint8_t, 4>& octets);

// `bytes` in network order. False for the unspecified ::, loopback ::1,
// unique-local fc00::/7, link-local fe80::/10, site-local fec0::/10,
// multicast ff00::/8, local NAT64 64:ff9b:1::/48, and for an IPv4 address
// carried inside (mapped ::ffff:a.b.c.d, compatible ::a.b.c.d, NAT64
// 64:ff9b::a.b.c.d, 6to4 2002:AABB:CCDD::) that IsPublicIPv4 refuses.
[[nodiscard]] bool IsPublicIPv6(const std::array<std::uint8_t, 16>& bytes);

// An AF_INET or AF_INET6 socket address; false for any other family.
[[nodiscard]] bool IsPublicAddress(const sockaddr* address);
