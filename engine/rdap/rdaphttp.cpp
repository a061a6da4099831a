// SPDX-License-Identifier: MIT
#include "engine/rdap/rdaphttp.h"

#include <climits>
#include <curl/curl.h>

#include "core/asciicase.h"
#include "core/text.h"

bool IsUnreachable(RdapFailure failure) {
    return failure == RdapFailure::ResolveFailed || failure == RdapFailure::ConnectionRefused ||
           failure == RdapFailure::Tls || failure == RdapFailure::TimedOut;
}

FailReason FailReasonForRdapFailure(RdapFailure failure) {
    switch (failure) {
    case RdapFailure::None:
        return FailReason::None;
    case RdapFailure::ResolveFailed:
        return FailReason::ResolveFailed;
    case RdapFailure::ConnectionRefused:
    case RdapFailure::Tls: // no trusted connection could be made
        return FailReason::ConnectionRefused;
    case RdapFailure::TimedOut:
    case RdapFailure::Stopped: // as the WHOIS client reports a stop before the answer
        return FailReason::TimedOut;
    case RdapFailure::ConnectionReset:
        return FailReason::ConnectionReset;
    case RdapFailure::TooLarge:
        return FailReason::BadAnswer;
    case RdapFailure::AddressRefused:
        return FailReason::ReferralRefused;
    case RdapFailure::BadUrl:
    case RdapFailure::Internal:
        return FailReason::Internal;
    case RdapFailure::ProxyFailed:
        return FailReason::ProxyFailed;
    }
    return FailReason::Internal;
}

std::optional<int> ParseRetryAfter(std::string_view value, std::time_t now) {
    const std::string_view text = TrimBlanks(value);
    if (text.empty()) {
        return std::nullopt;
    }
    if (text.find_first_not_of("0123456789") == std::string_view::npos) {
        long long seconds = 0;
        for (const char c : text) {
            seconds = seconds * 10 + (c - '0');
            if (seconds > INT_MAX) {
                return INT_MAX;
            }
        }
        return static_cast<int>(seconds);
    }
    const std::string date(text);
    const std::time_t when = curl_getdate(date.c_str(), nullptr);
    if (when == static_cast<std::time_t>(-1)) {
        return std::nullopt;
    }
    if (when <= now) {
        return 0;
    }
    const auto seconds = static_cast<long long>(when - now);
    return seconds > INT_MAX ? INT_MAX : static_cast<int>(seconds);
}
