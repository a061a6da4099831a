// SPDX-License-Identifier: MIT
#pragma once

// "CSV UTF-8 (Excel)" as a spreadsheet user expects it: a header row with
// the list's column titles, the columns as the list shows them (order, no
// hidden ones), the domain in its Unicode form, a failed row's status as
// "失败：" and its reason. The rows come from the rows as the list shows
// them (a batch's copy while one runs).

#include <cstdint>
#include <string>
#include <vector>

class CMakeHtmlView;

// The lines, header first; `rows` (table rows) or every row in table order.
[[nodiscard]] std::vector<std::string> ListCsvLines(const CMakeHtmlView& view,
                                                    const std::vector<std::int32_t>* rows);
