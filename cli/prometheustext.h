// SPDX-License-Identifier: MIT
#pragma once

// --format prometheus: the rows as a text file for the node exporter's
// textfile collector. Every metric family is written whole, its HELP and
// TYPE lines first, so the file is read as one scrape.

#include <string>
#include <string_view>
#include <vector>

#include "cli/watchrow.h"

// The whole file, line feeds only, for the finished rows given; a row
// without a readable expiry date has no expiry sample.
[[nodiscard]] std::string FormatPrometheus(const std::vector<WatchRow>& rows);

// A label value as the text format wants it: '\', '"' and line feeds escaped.
[[nodiscard]] std::string PrometheusLabel(std::string_view value);
