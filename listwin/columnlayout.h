// SPDX-License-Identifier: MIT
#pragma once

// The list's columns as the user left them (widths, order, hidden ones),
// kept in zentrix.ini as three comma-separated lists:
//   listwidths=150,180,150,...   width of each column, in column order
//   listorder=0,1,3,2,...        the column at each place, left to right
//   listhidden=5,7               the hidden columns
// A list that is missing or does not fit leaves its part at the default, and
// the domain column always stays first and shown. Lists saved with the ten
// columns before "变化" or the eleven before "剩余天数" still load; "变化"
// then comes last and "剩余天数" right after "过期日期".

#include "listwin/listcolumns.h"

#include <array>
#include <string>
#include <string_view>

class CCore;
class QHeaderView;

struct ColumnLayout {
    std::array<int, ListColumn::Count> widths{};
    std::array<int, ListColumn::Count> order{}; // column at each visual place
    std::array<bool, ListColumn::Count> hidden{};
    friend bool operator==(const ColumnLayout&, const ColumnLayout&) = default;
};

struct ColumnLayoutTexts {
    std::string widths;
    std::string order;
    std::string hidden;
};

inline constexpr int kMinColumnWidth = 20;
inline constexpr int kMaxColumnWidth = 2000;

[[nodiscard]] ColumnLayout DefaultColumnLayout();
[[nodiscard]] ColumnLayout ParseColumnLayout(const ColumnLayoutTexts& texts);
[[nodiscard]] ColumnLayoutTexts FormatColumnLayout(const ColumnLayout& layout);

using ColumnWidths = std::array<int, ListColumn::Count>;

// The header's state; a hidden column (which the header reports 0 wide)
// keeps the width it last had, from `lastWidths`.
[[nodiscard]] ColumnLayout ReadColumnLayout(const QHeaderView& header,
                                            const ColumnWidths& lastWidths);
void ApplyColumnLayout(QHeaderView& header, const ColumnLayout& layout);

// Through the settings file. Load returns what it applied.
ColumnLayout LoadColumnLayout(const CCore& core, QHeaderView& header);
void SaveColumnLayout(CCore& core, const QHeaderView& header, const ColumnWidths& lastWidths);
