// SPDX-License-Identifier: MIT
#pragma once

// A table row made from fuzz input: the row's text fields in table order,
// separated by NUL bytes; missing fields are empty.

#include "core/text.h"
#include "engine/domaintable.h"

#include <string_view>

inline DomainRecord RowFromFuzzInput(std::string_view input) {
    std::string_view parts[10];
    for (auto& part : parts) {
        const auto nul = input.find('\0');
        part = input.substr(0, nul);
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
    return row;
}
