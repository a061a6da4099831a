// SPDX-License-Identifier: MIT
#pragma once

// Shared helpers of the parser tests: fixture answers, the "^" line ends the
// per-row query hands over, and a row whose fields all hold known old text.

#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include "engine/domaintable.h"

namespace parsertest {

inline std::string ReadAnswer(const std::string& relative) {
    const std::string path = std::string(PARSER_DATA_DIR) + "/" + relative;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("missing fixture " + path);
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Every CR and every LF becomes "^", as the per-row query does before parsing.
inline std::string Caret(std::string text) {
    for (char& c : text) {
        if (c == '\r' || c == '\n') {
            c = '^';
        }
    }
    return text;
}

inline std::string CaretAnswer(const std::string& relative) {
    return Caret(ReadAnswer(relative));
}

// A row that went through an earlier query: every result field holds text
// a parse must either replace or leave alone.
inline DomainRecord OldRow(const char* server, int32_t status = Error) {
    DomainRecord row;
    std::memset(&row, 0, sizeof row);
    SetField(row.whoisServer, server);
    SetField(row.domain, "old.example");
    row.status = status;
    SetField(row.createdDate, "old-created");
    SetField(row.expiryDate, "old-expiry");
    SetField(row.updatedDate, "old-updated");
    SetField(row.owner, "old-owner");
    SetField(row.email, "old-email");
    SetField(row.phone, "old-phone");
    SetField(row.registrar, "old-registrar");
    row.answered = 1;
    return row;
}

inline bool SameRow(const DomainRecord& a, const DomainRecord& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace parsertest
