// SPDX-License-Identifier: MIT
#pragma once

// Texts at the boundary between the GBK table and Qt, and the program's own
// message boxes through the core library. The one place GBK meets QString.

#include <QString>
#include <string>
#include <string_view>

class QWidget;

// GBK to display text; invalid bytes show as U+FFFD.
[[nodiscard]] QString FromGbk(std::string_view gbk);
// Display text to GBK; characters GBK lacks become '?'.
[[nodiscard]] std::string ToGbk(const QString& text);
// A UTF-8 text in an information box owned by `owner` (product title, OK).
void InfoBox(QWidget* owner, const std::string& utf8Text);
