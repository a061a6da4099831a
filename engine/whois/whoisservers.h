// SPDX-License-Identifier: MIT
#pragma once

// The ten WHOIS endpoints. The same texts are given to a row by the suffix
// table and compared by the answer parser to choose a recipe.

inline constexpr const char* ServerComNet = "whois.verisign-grs.com";
inline constexpr const char* ServerCn = "whois.cnnic.cn";
inline constexpr const char* ServerOrg = "whois.pir.org";
inline constexpr const char* ServerBiz = "whois.nic.biz";
inline constexpr const char* ServerEdu = "whois.educause.edu";
inline constexpr const char* ServerHk = "whois.hkirc.hk";
inline constexpr const char* ServerJp = "whois.jprs.jp";
inline constexpr const char* ServerTv = "whois.nic.tv";
inline constexpr const char* ServerInfo = "whois.nic.info";
inline constexpr const char* ServerCc = "whois.ename.com";

#include <string_view>

struct DomainTable;

// The server the suffix table gives `domain`: an endpoint above, the empty
// text for the explicit no-server entries, or nullptr when no entry matches.
[[nodiscard]] const char* WhoisServerFor(std::string_view domain);

// Gives every row 0..count-1 its WHOIS server by the suffix table.
void AssignWhoisServers(DomainTable& table);
