// SPDX-License-Identifier: MIT
// The JSONL line of a row whose fields hold hostile bytes: one line, no raw
// control characters, every string closed.
//
// Input: the row's text fields, separated by NUL bytes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cli/jsonlines.h"
#include "engine/domaintable.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> parts;
    for (int i = 0; i < 10; ++i) {
        const auto nul = input.find('\0');
        parts.push_back(input.substr(0, nul));
        input = nul == std::string_view::npos ? std::string_view() : input.substr(nul + 1);
    }
    DomainRecord row{};
    SetField(row.whoisServer, parts[0]);
    SetField(row.domain, parts[1]);
    row.status = parts[2].empty() ? 0 : static_cast<unsigned char>(parts[2][0]) % 5;
    SetField(row.expiryDate, parts[3]);
    SetField(row.createdDate, parts[4]);
    SetField(row.updatedDate, parts[5]);
    SetField(row.owner, parts[6]);
    SetField(row.email, parts[7]);
    SetField(row.phone, parts[8]);
    SetField(row.registrar, parts[9]);

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
