// SPDX-License-Identifier: MIT
#pragma once

// The eleven columns of the domain list, in their logical order, with their
// titles and first widths in pixels (all left-aligned).

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
inline constexpr int Count = 11;
// Settings saved before the changes column named this many columns.
inline constexpr int CountBeforeChanges = 10;

// The columns whose cells are dates: they sort as dates.
[[nodiscard]] constexpr bool IsDate(int column) {
    return column == Expiry || column == Created || column == Updated;
}
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
}};
