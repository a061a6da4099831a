// SPDX-License-Identifier: MIT
#pragma once

// Where to connect instead of a host's own address: "host=ADDRESS:PORT"
// entries from ZENTRIX_CONNECT_TO and --connect-to. Only the connection
// changes; the host name stored, compared or sent stays.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct ConnectOverride {
    std::string host;
    std::string address; // dotted IPv4, or IPv6 without its brackets
    std::uint16_t port = 43;
    friend bool operator==(const ConnectOverride&, const ConnectOverride&) = default;
};

// Parses "host=127.0.0.1:4343,other=[::1]:43"; false (and `error` set) on bad input.
[[nodiscard]] bool ParseConnectTo(std::string_view text, std::vector<ConnectOverride>& out,
                                  std::string* error = nullptr);

// What ZENTRIX_CONNECT_TO holds: its good entries, and one line per bad
// entry that names it and says what is wrong, so no caller drops one
// without telling the user.
struct ConnectToSetting {
    std::vector<ConnectOverride> overrides;
    std::vector<std::string> errors; // e.g. "bad port \"x\" in \"a.example=127.0.0.1:x\""
};
[[nodiscard]] ConnectToSetting ReadConnectToEnvironment();
// The good entries of ZENTRIX_CONNECT_TO; see ReadConnectToEnvironment for
// the bad ones.
[[nodiscard]] std::vector<ConnectOverride> ConnectToFromEnvironment();

// The first entry for `host` (host names compare without regard to case), or null.
[[nodiscard]] const ConnectOverride*
FindConnectOverride(const std::vector<ConnectOverride>& overrides, std::string_view host);
