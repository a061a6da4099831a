// SPDX-License-Identifier: MIT
// The CSV line of a row whose fields hold hostile text: it always reads back
// as nine fields, and no remote field can start a formula.
//
// Input: the row's text fields, separated by NUL bytes (fuzzrow.h).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "formats/csvexport.h"
#include "fuzzrow.h"

namespace {

// RFC 4180 fields of one line (without its CR LF); empty when malformed.
std::vector<std::string> ReadCsvLine(std::string_view line) {
    std::vector<std::string> fields;
    std::size_t pos = 0;
    for (;;) {
        if (pos >= line.size() || line[pos] != '"') {
            return {};
        }
        std::string field;
        ++pos;
        for (;;) {
            if (pos >= line.size()) {
                return {};
            }
            if (line[pos] == '"') {
                if (pos + 1 < line.size() && line[pos + 1] == '"') {
                    field += '"';
                    pos += 2;
                    continue;
                }
                ++pos;
                break;
            }
            field += line[pos++];
        }
        fields.push_back(std::move(field));
        if (pos == line.size()) {
            return fields;
        }
        if (line[pos] != ',') {
            return {};
        }
        ++pos;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const DomainRecord row =
        RowFromFuzzInput(std::string_view(reinterpret_cast<const char*>(data), size));

    const std::string line = FormatCsvLine(row);
    if (line.size() < 2 || line.substr(line.size() - 2) != "\r\n") {
        __builtin_trap();
    }
    const std::vector<std::string> fields =
        ReadCsvLine(std::string_view(line).substr(0, line.size() - 2));
    if (fields.size() != 9) {
        __builtin_trap();
    }
    for (std::size_t i = 3; i < fields.size(); ++i) {
        const auto first = fields[i].find_first_not_of(" \t");
        if (first != std::string::npos && fields[i][0] != '\'' &&
            std::string_view("=+-@").find(fields[i][first]) != std::string_view::npos) {
            __builtin_trap(); // a formula a spreadsheet would run
        }
    }
    return 0;
}
