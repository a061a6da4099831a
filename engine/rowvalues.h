// SPDX-License-Identifier: MIT
#pragma once

// A row's values in the two forms they live in: whole and in UTF-8 in its
// outcome (engine/rowdetails.h), cut and in GBK in its 832-byte record for
// what reads rows. The record's copy is always written from the whole value.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "engine/store/checkvalues.h"

struct DomainRecord;
struct DomainTable;

// Writes the GBK copy of a UTF-8 value into a fixed-width field: converted
// ("?" for a character GBK lacks), cut on a character boundary.
void SetFieldFromUtf8(char* field, std::size_t width, std::string_view utf8);
template <std::size_t N>
void SetFieldFromUtf8(char (&field)[N], std::string_view utf8) {
    SetFieldFromUtf8(field, N, utf8);
}

// Writes the record's GBK copies of all seven values.
void StoreRowValues(DomainRecord& row, const CheckValues& values);

// The record's seven fields in UTF-8, as cut as the record holds them.
[[nodiscard]] CheckValues RecordValues(const DomainRecord& row);

// What every output shows of row `index`: each value whole from the row's
// outcome; the record's own copy for a row with no outcome (not asked yet,
// or filled without one) and for a field the outcome leaves empty.
[[nodiscard]] CheckValues ShownValues(const DomainTable& table, std::int32_t index);
