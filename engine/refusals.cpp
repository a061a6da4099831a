// SPDX-License-Identifier: MIT
#include "engine/refusals.h"

#include <cstring>
#include <string>

#include "engine/rdaptext.h"

namespace {

struct RefusalText {
    std::string_view lowerText; // compared without regard to case
    FailReason reason;
};

// What registries answer instead of a record when they will not answer now
// (a volume limit, a pause they ask for, a database that is down) or will
// not answer this question at all. First match wins. Each text is specific
// enough not to occur in the terms of use that follow a record ("If too many
// queries are received ..." is no refusal).
//   WHOIS LIMIT EXCEEDED - SEE WWW.PIR.ORG/WHOIS FOR DETAILS
//   Please maintain at least 10-second time before starting another enquiry.
//   Please go away for 13 Seconds
//   Sorry, the Whois database is currently down. Please wait a while and try again.
//   TLD is not supported.
constexpr RefusalText kRefusals[] = {
    {"whois limit exceeded", FailReason::RateLimited},
    {"exceeded your quota of queries", FailReason::RateLimited},
    {"before starting another enquiry", FailReason::RateLimited},
    {"access control limit reached", FailReason::RateLimited},
    {"please go away for", FailReason::RateLimited},
    {"query rate limit exceeded", FailReason::RateLimited},
    {"connection limit exceeded", FailReason::RateLimited},
    {"number of allowed queries exceeded", FailReason::RateLimited},
    {"queried interval is too short", FailReason::RateLimited},
    {"exceeded the maximum allowable number", FailReason::RateLimited},
    {"query limit exceeded", FailReason::RateLimited},
    {"lookup quota exceeded", FailReason::RateLimited},
    {"%error:201: access denied", FailReason::RateLimited},
    {"whois database is currently down", FailReason::RateLimited},
    {"tld is not supported", FailReason::NotServed},
    {"this tld has no whois server", FailReason::NotServed},
    {"not authoritative for this domain", FailReason::NotServed},
};

constexpr int kMaxWaitSeconds = 3600;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsLetter(char c) {
    return c >= 'a' && c <= 'z';
}

bool Contains(std::string_view text, std::string_view needle) {
    return ::memmem(text.data(), text.size(), needle.data(), needle.size()) != nullptr;
}

// The first wait the text names: a number, then (after blanks or a hyphen)
// a unit of time: "at least 10-second time", "go away for 13 Seconds",
// "wait 2 minutes".
std::optional<int> NamedWait(std::string_view lower) {
    std::size_t at = 0;
    while (at < lower.size()) {
        if (!IsDigit(lower[at]) ||
            (at > 0 && (IsDigit(lower[at - 1]) || IsLetter(lower[at - 1])))) {
            ++at;
            continue;
        }
        long long number = 0;
        while (at < lower.size() && IsDigit(lower[at])) {
            number = number < kMaxWaitSeconds ? number * 10 + (lower[at] - '0') : number;
            ++at;
        }
        std::size_t unit = at;
        while (unit < lower.size() && (lower[unit] == ' ' || lower[unit] == '-')) {
            ++unit;
        }
        std::size_t end = unit;
        while (end < lower.size() && IsLetter(lower[end])) {
            ++end;
        }
        const std::string_view word = lower.substr(unit, end - unit);
        long long seconds = -1;
        if (word == "s" || word.starts_with("sec")) {
            seconds = number;
        } else if (word.starts_with("min")) {
            seconds = number * 60;
        } else if (word == "h" || word.starts_with("hour")) {
            seconds = number * 3600;
        }
        if (seconds >= 0) {
            return static_cast<int>(seconds < kMaxWaitSeconds ? seconds : kMaxWaitSeconds);
        }
    }
    return std::nullopt;
}

} // namespace

Refusal DetectRefusal(std::string_view answer) {
    const std::string lower = AsciiLower(answer);
    for (const RefusalText& refusal : kRefusals) {
        if (Contains(lower, refusal.lowerText)) {
            return {refusal.reason, NamedWait(lower)};
        }
    }
    return {};
}
