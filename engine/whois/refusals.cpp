// SPDX-License-Identifier: MIT
#include "engine/whois/refusals.h"

#include <string>

#include "core/asciicase.h"

namespace {

struct RefusalText {
    std::string_view lowerText; // compared without regard to case
    FailReason reason;
    // Only at the start of a line (after blanks, the comment marks '%', '#'
    // and '*', and an error code): words common enough to occur in terms of
    // use otherwise.
    bool lineStart = false;
};

// What registries answer instead of a record when they will not answer now
// (a volume limit, a pause they ask for, a database that is down) or will
// not answer this question at all. First match wins, so a limit note that
// also blames the address ("BLACKLISTED: You have exceeded the query limit
// ...") is a limit. Each text is specific enough not to occur in the terms
// of use that follow a record ("If too many queries are received ..." is
// no refusal). The shapes they come in:
//   WHOIS LIMIT EXCEEDED - SEE WWW.PIR.ORG/WHOIS FOR DETAILS
//   Please maintain at least 10-second time before starting another enquiry.
//   Please go away for 13 Seconds
//   Sorry, the Whois database is currently down. Please wait a while and try again.
//   % Error: 55000000002 Connection refused; access control limit reached.
//   Error for "x.co.uk". The WHOIS query quota for 192.0.2.1 has been exceeded
//       and will be replenished in 143 seconds.
//   whois.domain-registry.nl: maximum number of requests per minute exceeded
//   query_status: 440 Request Denied
//   %% Too many requests...
//   % Excessive querying, grace period of 30 seconds.
//   You are not allowed to connect due to excessive querying of the WHOIS database.
//   Requests of this client are not permitted. Please use the web form.
//   TLD is not supported.
constexpr RefusalText kRefusals[] = {
    {"whois limit exceeded", FailReason::RateLimited},
    {"exceeded your quota of queries", FailReason::RateLimited},
    {"before starting another enquiry", FailReason::RateLimited},
    {"access control limit reached", FailReason::RateLimited},
    {"please go away for", FailReason::RateLimited},
    {"rate limit exceeded", FailReason::RateLimited},
    {"connection limit exceeded", FailReason::RateLimited},
    {"number of allowed queries exceeded", FailReason::RateLimited},
    {"queried interval is too short", FailReason::RateLimited},
    {"exceeded the maximum allowable number", FailReason::RateLimited},
    {"query limit exceeded", FailReason::RateLimited},
    {"request limit exceeded", FailReason::RateLimited},
    {"lookup quota exceeded", FailReason::RateLimited},
    {"look up quota exceeded", FailReason::RateLimited},
    {"%error:201: access denied", FailReason::RateLimited},
    {"whois database is currently down", FailReason::RateLimited},
    {"the whois query quota for", FailReason::RateLimited},
    {"maximum number of requests per minute exceeded", FailReason::RateLimited},
    {"exceeded the query limit for your", FailReason::RateLimited},
    {"queries per hour exceeded", FailReason::RateLimited},
    {"you have exceeded this limit", FailReason::RateLimited},
    {"exceeded your query limit", FailReason::RateLimited},
    {"query rate exceeded", FailReason::RateLimited},
    {"maximum query rate reached", FailReason::RateLimited},
    {"daily connection limit reached", FailReason::RateLimited},
    {"query limit reached", FailReason::RateLimited},
    {"has reached rate limit", FailReason::RateLimited},
    {"reached configured rate limit", FailReason::RateLimited},
    {"request is being rate limited", FailReason::RateLimited},
    {"too many connection attempts", FailReason::RateLimited},
    {"your access is too fast", FailReason::RateLimited},
    {"your query is too often", FailReason::RateLimited},
    {"restricted due to excessive queries", FailReason::RateLimited},
    {"due to excessive querying", FailReason::RateLimited},
    {"server too busy", FailReason::RateLimited},
    {"can temporarily not be answered", FailReason::RateLimited},
    {"unable to process your request at this time", FailReason::RateLimited},
    {"query_status: 440 request denied", FailReason::RateLimited},
    {"exceeded the maximum number of", FailReason::RateLimited},
    {"excessive querying,", FailReason::RateLimited, true},
    {"too many requests", FailReason::RateLimited, true},
    {"too many queries", FailReason::RateLimited, true},
    {"too many connections", FailReason::RateLimited, true},
    {"service temporarily unavailable", FailReason::RateLimited, true},
    {"please try again later", FailReason::RateLimited, true},
    {"try again later", FailReason::RateLimited, true},
    {"request denied", FailReason::RateLimited, true},
    {"limit exceeded", FailReason::RateLimited, true},
    {"quota exceeded", FailReason::RateLimited, true},
    {"tld is not supported", FailReason::NotServed},
    {"this tld has no whois server", FailReason::NotServed},
    {"not authoritative for this domain", FailReason::NotServed},
    {"requests of this client are not permitted", FailReason::NotServed},
    {"ip address blocked", FailReason::NotServed},
    {"ip address has been blocked", FailReason::NotServed},
    {"address is blocked", FailReason::NotServed},
    {"was **denied**", FailReason::NotServed},
    {"access denied", FailReason::NotServed, true},
    {"blacklisted", FailReason::NotServed, true},
};

// A limit note some registries put above a thinner answer that still says
// what the name is ("% Query rate limit exceeded. Reduced information."):
// read for that, not asked again.
constexpr std::string_view kReducedAnswer = "reduced information";

constexpr int kMaxWaitSeconds = 3600;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsLetter(char c) {
    return c >= 'a' && c <= 'z';
}

bool IsBlankOrMark(char c) {
    return c == ' ' || c == '\t' || c == '%' || c == '#' || c == '*';
}

bool IsLineEnd(char c) {
    return c == '\n' || c == '\r' || c == '^';
}

// What may stand before a refusal at a line's start: blanks, comment marks
// and an error code ("% ", "%ERROR:429: ", "-1: %", "Error: ").
bool IsRefusalLead(std::string_view lead) {
    if (const std::size_t word = lead.find("error"); word != std::string_view::npos) {
        lead = lead.substr(0, word).find_first_not_of(" \t%#*-") == std::string_view::npos
                   ? lead.substr(word + 5)
                   : std::string_view("x");
    }
    for (const char c : lead) {
        if (!IsBlankOrMark(c) && !IsDigit(c) && c != ':' && c != '-' && c != '.') {
            return false;
        }
    }
    return true;
}

// True when `needle` is in `text`; with `lineStart`, only where nothing but
// a refusal's lead comes before it on its line.
bool Contains(std::string_view text, std::string_view needle, bool lineStart) {
    for (std::size_t at = text.find(needle); at != std::string_view::npos;
         at = text.find(needle, at + 1)) {
        if (!lineStart) {
            return true;
        }
        std::size_t begin = at;
        while (begin > 0 && !IsLineEnd(text[begin - 1])) {
            --begin;
        }
        if (IsRefusalLead(text.substr(begin, at - begin))) {
            return true;
        }
    }
    return false;
}

// True when a line of the (lower-cased) answer names the domain or its
// state: "domain: x.example", "Domain Name: X.EXAMPLE", "Status: free".
bool StatesTheName(std::string_view lower) {
    constexpr std::string_view kLabels[] = {"domain name", "domain", "status", "state"};
    while (!lower.empty()) {
        std::size_t end = lower.find_first_of("\r\n^");
        std::string_view line = lower.substr(0, end);
        lower = end == std::string_view::npos ? std::string_view{} : lower.substr(end + 1);
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) {
            line.remove_prefix(1);
        }
        for (const std::string_view label : kLabels) {
            if (!line.starts_with(label)) {
                continue;
            }
            std::string_view rest = line.substr(label.size());
            while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) {
                rest.remove_prefix(1);
            }
            if (rest.starts_with(':') &&
                rest.find_first_not_of(" \t", 1) != std::string_view::npos) {
                return true;
            }
        }
    }
    return false;
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

std::optional<int> ReadNamedWait(std::string_view text) {
    return NamedWait(AsciiLower(text));
}

Refusal DetectRefusal(std::string_view answer) {
    const std::string lower = AsciiLower(answer);
    for (const RefusalText& refusal : kRefusals) {
        if (Contains(lower, refusal.lowerText, refusal.lineStart)) {
            if (Contains(lower, kReducedAnswer, false) && StatesTheName(lower)) {
                return {};
            }
            return {refusal.reason, NamedWait(lower)};
        }
    }
    return {};
}
