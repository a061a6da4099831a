// SPDX-License-Identifier: MIT
#pragma once

// The jsonl output: one UTF-8 JSON object per row.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/failreason.h"
#include "engine/rowdetails.h"
#include "engine/store/checkvalues.h"
#include "engine/store/storedcheck.h"

struct DomainRecord;

// What a row's line tells besides the row itself.
struct JsonLineDetails {
    FailReason reason = FailReason::None;         // "error": its English text, "" for None
    const std::string* raw = nullptr;             // with --raw: "raw", the answer as UTF-8
    QueryProtocol protocol = QueryProtocol::None; // "protocol": who answered, "" for neither
    const CheckValues* values = nullptr; // the values whole (ShownValues); none: the row's own
    // "changed": the fields that differ from the name's previous check
    // (ChangedFields); "previous": that check, null when there is none.
    std::vector<std::string_view> changed{};
    const StoredCheck* previous = nullptr;
    bool finished = true; // the row has a result (the table shows one never asked apart)
};

// {"index":0,"domain":...,"registrar":...,"changed":[],"previous":null,
// "error":""} and a line feed. "previous" holds "askedAt" (UTC, ISO
// 8601), "status", "statusText", "expiryDate", "registrar" and "owner".
// "domain" is the name's Unicode form, "domainAscii" the A-label the row
// stores and asks by (the same text for a name in ASCII). The seven values
// are `details.values`, else the row's GBK bytes converted to UTF-8; dates
// are not reformatted.
[[nodiscard]] std::string FormatJsonLine(const DomainRecord& row, int32_t index,
                                         const JsonLineDetails& details = {});

// `utf8` as a quoted JSON string: '"' and '\' escaped, every control
// character (below 0x20, and DEL) written as \uXXXX.
void AppendJsonString(std::string& out, std::string_view utf8);
