// SPDX-License-Identifier: MIT
#pragma once

// The control panel's "导出数据": every row of the table to a CSV file of the
// user's choice, GBK ("CSV 文件") or UTF-8 with a byte-order mark ("CSV UTF-8
// (Excel)", with a header and the list's shown columns). The panel's export
// button (1005) is disabled meanwhile. During a batch it writes the rows as
// the list last showed them. While a filter is on it asks first whether
// only the rows the filter shows go out.

#include <QString>
#include <string>

class QWidget;

// The file types of the save choice, in order.
inline constexpr int kExportGbk = 0;
inline constexpr int kExportUtf8 = 1;

void ExportCsv(QWidget* panel);

// "无法写入文件：PATH" and the system's reason on a second line.
[[nodiscard]] QString WriteFailedText(const std::string& path, int error);
