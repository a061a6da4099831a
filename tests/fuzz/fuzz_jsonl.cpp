// SPDX-License-Identifier: MIT
// The JSONL line of a row whose fields hold hostile bytes: one line, no raw
// control characters, every string closed.
//
// Input: the row's text fields, separated by NUL bytes (fuzzrow.h).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "cli/jsonlines.h"
#include "fuzzrow.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const DomainRecord row =
        RowFromFuzzInput(std::string_view(reinterpret_cast<const char*>(data), size));

    const std::string line = FormatJsonLine(row, 7);
    if (line.empty() || line.back() != '\n' || line.front() != '{') {
        __builtin_trap();
    }
    // Outside strings only the object's own punctuation; inside, no raw
    // control byte; every string closed.
    bool inString = false;
    for (std::size_t i = 0; i + 1 < line.size(); ++i) {
        const auto byte = static_cast<unsigned char>(line[i]);
        if (byte < 0x20 || byte == 0x7F) {
            __builtin_trap();
        }
        if (inString && line[i] == '\\') {
            ++i;
            continue;
        }
        if (line[i] == '"') {
            inString = !inString;
        }
    }
    if (inString || line[line.size() - 2] != '}') {
        __builtin_trap();
    }
    return 0;
}
