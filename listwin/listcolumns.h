// SPDX-License-Identifier: MIT
#pragma once

// The twelve columns of the domain list, in their logical order, with their
// titles and first widths in pixels (all left-aligned). Logical order is the
// order columns were added in; where they first show is kDefaultOrder.

#include <array>

namespace ListColumn {
inline constexpr int Domain = 0;    // "域名"
inline constexpr int Server = 1;    // "whois服务器"
inline constexpr int Status = 2;    // "当前状态"
inline constexpr int Expiry = 3;    // "过期日期"
inline constexpr int Created = 4;   // "注册日期"
inline constexpr int Owner = 5;     // "所有人"
inline constexpr int Email = 6;     // "联系Email"
inline constexpr int Phone = 7;     // "电话"
inline constexpr int Registrar = 8; // "注册商"
inline constexpr int Updated = 9;   // "whois更新日期"
inline constexpr int Changes = 10;  // "变化": what changed since the name's previous check
inline constexpr int DaysLeft = 11; // "剩余天数": days from today to the expiry, negative when past
inline constexpr int Count = 12;
// Settings saved before the changes column named this many columns.
inline constexpr int CountBeforeChanges = 10;
// Settings saved before the days-left column named this many columns.
inline constexpr int CountBeforeDaysLeft = 11;

// The columns whose cells are dates: they sort as dates.
[[nodiscard]] constexpr bool IsDate(int column) {
    return column == Expiry || column == Created || column == Updated;
}

// The columns left to right as a first start shows them: the days left
// beside the expiry date they count to.
inline constexpr std::array<int, Count> kDefaultOrder{Domain,   Server,    Status,  Expiry,
                                                      DaysLeft, Created,   Owner,   Email,
                                                      Phone,    Registrar, Updated, Changes};
} // namespace ListColumn

struct ListColumnSpec {
    const char* title; // UTF-8
    int width;
};

inline constexpr std::array<ListColumnSpec, ListColumn::Count> kListColumns{{
    {"域名", 150},
    {"whois服务器", 180},
    {"当前状态", 150},
    {"过期日期", 150},
    {"注册日期", 150},
    {"所有人", 150},
    {"联系Email", 150},
    {"电话", 150},
    {"注册商", 150},
    {"whois更新日期", 150},
    {"变化", 120},
    {"剩余天数", 80},
}};
