// SPDX-License-Identifier: MIT
#pragma once

// Why a row ended as Error (or without a server): a short reason from a fixed
// list, in English for the command line and in Chinese for the desktop.

#include <cstdint>
#include <string_view>

enum class FailReason : std::uint8_t {
    None = 0,
    ResolveFailed,     // could not resolve the host
    ConnectionRefused, // connection refused
    TimedOut,          // timed out
    ConnectionReset,   // connection reset
    EmptyAnswer,       // empty answer
    RateLimited,       // rate limited
    NotServed,         // not served here
    ReferralRefused,   // referral refused
    NoServer,          // no server
    BadAnswer,         // malformed answer (an RDAP answer that is not a domain object)
    QueryRefused,      // the server refused the query (an HTTP 4xx other than 404 and 429)
    Internal,          // internal error
    // Added after the first release: stored codes keep their numbers.
    Unrecognised, // an answer that neither names a record nor says the name is free
    ProxyFailed,  // every proxy the batch could use failed (unreachable, refusing)
};
inline constexpr int kFailReasonCount = static_cast<int>(FailReason::ProxyFailed) + 1;

// "" for None.
[[nodiscard]] std::string_view FailReasonEnglish(FailReason reason);
// UTF-8; "" for None.
[[nodiscard]] std::string_view FailReasonChinese(FailReason reason);

// The reason for one of the WHOIS client's failure markers; None for any
// other text.
[[nodiscard]] FailReason FailReasonForMarker(std::string_view result);
