// SPDX-License-Identifier: MIT
#include "engine/net/addressrules.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cctype>
#include <cstring>
#include <netinet/in.h>
#include <string>

namespace {

struct AddressCase {
    const char* text;
    bool isPublic;
};

// The address as a socket address of its family, through the rule's own entry point.
bool Judge(const std::string& text) {
    sockaddr_storage storage{};
    auto* in4 = reinterpret_cast<sockaddr_in*>(&storage);
    auto* in6 = reinterpret_cast<sockaddr_in6*>(&storage);
    if (::inet_pton(AF_INET, text.c_str(), &in4->sin_addr) == 1) {
        in4->sin_family = AF_INET;
    } else if (::inet_pton(AF_INET6, text.c_str(), &in6->sin6_addr) == 1) {
        in6->sin6_family = AF_INET6;
    } else {
        ADD_FAILURE() << "not an address: " << text;
    }
    return IsPublicAddress(reinterpret_cast<const sockaddr*>(&storage));
}

const AddressCase kCases[] = {
    // IPv4: the edges of each refused block and their public neighbours.
    {"0.0.0.0", false},
    {"0.255.255.255", false},
    {"1.0.0.0", true},
    {"9.255.255.255", true},
    {"10.0.0.0", false},
    {"10.255.255.255", false},
    {"11.0.0.0", true},
    {"100.63.255.255", true},
    {"100.64.0.0", false},
    {"100.127.255.255", false},
    {"100.128.0.0", true},
    {"127.0.0.1", false},
    {"127.255.255.254", false},
    {"169.253.255.255", true},
    {"169.254.0.1", false},
    {"169.254.255.255", false},
    {"169.255.0.0", true},
    {"172.15.255.255", true},
    {"172.16.0.0", false},
    {"172.31.255.255", false},
    {"172.32.0.0", true},
    {"192.167.255.255", true},
    {"192.168.0.1", false},
    {"192.168.255.255", false},
    {"192.169.0.0", true},
    {"191.255.255.255", true},
    {"192.0.0.0", false},
    {"192.0.0.255", false},
    {"192.0.1.0", true},
    {"198.17.255.255", true},
    {"198.18.0.0", false},
    {"198.19.255.255", false},
    {"198.20.0.0", true},
    {"199.7.83.42", true},
    {"223.255.255.255", true},
    {"224.0.0.1", false},
    {"239.255.255.255", false},
    {"240.0.0.0", false},
    {"240.0.0.1", false},
    {"255.255.255.255", false},
    // IPv6.
    {"::", false},
    {"::1", false},
    {"2001:500:8f::53", true},
    {"2606:4700::1111", true},
    {"fbff:ffff::1", true},
    {"fc00::1", false},
    {"fdff:ffff::1", false},
    {"fe7f:ffff::1", true},
    {"fe80::1", false},
    {"febf::1", false},
    {"fec0::1", false},
    {"ff02::1", false},
    {"ff0e::1", false},
    // IPv4 inside IPv6: mapped, compatible and NAT64 forms judged as IPv4.
    {"::ffff:127.0.0.1", false},
    {"::ffff:10.1.2.3", false},
    {"::ffff:192.168.1.1", false},
    {"::ffff:169.254.1.1", false},
    {"::ffff:8.8.8.8", true},
    {"::127.0.0.1", false},
    {"::8.8.8.8", true},
    {"64:ff9b::10.0.0.1", false},
    {"64:ff9b::8.8.8.8", true},
    {"::fffe:8.8.8.8", true},
    {"64:ff9b::100.64.0.1", false},
    {"64:ff9b::192.0.0.1", false},
    {"64:ff9b::198.18.0.1", false},
    {"64:ff9b::240.0.0.1", false},
    {"64:ff9b::100.128.0.0", true},
    {"64:ff9b::198.20.0.0", true},
    // 6to4 judged by the IPv4 address in its second and third groups.
    {"2001:ffff:ffff::1", true},
    {"2002:7f00:1::1", false},
    {"2002:c0a8:101::1", false},
    {"2002:6440:1::1", false},
    {"2002:c000:1::1", false},
    {"2002:c612:1::1", false},
    {"2002:f000:1::1", false},
    {"2002:808:808::1", true},
    {"2002:c613:ffff::1", false},
    {"2002:c614::1", true},
    {"2003::1", true},
    // Local NAT64 64:ff9b:1::/48 leads wherever the local translator says.
    {"64:ff9b:0:ffff:ffff:ffff:ffff:ffff", true},
    {"64:ff9b:1::8.8.8.8", false},
    {"64:ff9b:1:ffff:ffff:ffff:ffff:ffff", false},
    {"64:ff9b:2::1", true},
};

class AddressRules : public testing::TestWithParam<AddressCase> {};

TEST_P(AddressRules, Judges) {
    EXPECT_EQ(Judge(GetParam().text), GetParam().isPublic);
}

INSTANTIATE_TEST_SUITE_P(Addresses, AddressRules, testing::ValuesIn(kCases), [](const auto& info) {
    std::string name = info.param.text;
    for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) {
            c = '_';
        }
    }
    return "a" + name;
});

TEST(AddressRulesFamily, OtherFamiliesAreNotPublic) {
    sockaddr_storage storage{};
    storage.ss_family = AF_UNIX;
    EXPECT_FALSE(IsPublicAddress(reinterpret_cast<const sockaddr*>(&storage)));
    EXPECT_FALSE(IsPublicAddress(nullptr));
}

} // namespace
