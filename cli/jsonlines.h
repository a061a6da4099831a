#pragma once

// The jsonl output: one UTF-8 JSON object per row.

#include <cstdint>
#include <string>
#include <string_view>

struct DomainRecord;

// {"index":0,"domain":...,"registrar":...} and a line feed. Texts are the
// row's raw GBK bytes converted to UTF-8; dates are not reformatted.
[[nodiscard]] std::string FormatJsonLine(const DomainRecord& row, int32_t index);

// `utf8` as a quoted JSON string: '"' and '\' escaped, every control
// character (below 0x20, and DEL) written as \uXXXX.
void AppendJsonString(std::string& out, std::string_view utf8);
