// SPDX-License-Identifier: MIT
// Refusal texts: a registry's "not now" or "not here" in place of an answer,
// and the wait it names.

#include "engine/whois/refusals.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

struct RefusalCase {
    const char* name;
    std::string answer;
    FailReason reason;
    std::optional<int> wait;
};

TEST(DetectRefusal, KnowsTheRegistriesTexts) {
    const RefusalCase cases[] = {
        {"pir", "WHOIS LIMIT EXCEEDED - SEE WWW.EXAMPLE.ORG/WHOIS FOR DETAILS\n",
         FailReason::RateLimited, std::nullopt},
        {"quota", "You have exceeded your quota of queries.\n", FailReason::RateLimited,
         std::nullopt},
        {"named ten seconds",
         "Please maintain at least 10-second time before starting another enquiry.\r\n",
         FailReason::RateLimited, 10},
        {"access control", "55000000002 Connection refused; access control limit reached.\n",
         FailReason::RateLimited, std::nullopt},
        {"go away", "Please go away for 13 Seconds\n", FailReason::RateLimited, 13},
        {"rate limit", "Query rate limit exceeded. Reduced information.\n", FailReason::RateLimited,
         std::nullopt},
        {"connection limit",
         "Your connection limit exceeded. Please slow down and try again "
         "after 2 minutes.\n",
         FailReason::RateLimited, 120},
        {"allowed queries", "Number of allowed queries exceeded.\n", FailReason::RateLimited,
         std::nullopt},
        {"jprs interval", "[ JPRS database ]\n\nQueried interval is too short.\n",
         FailReason::RateLimited, std::nullopt},
        {"database down",
         "* Sorry, the Whois database is currently down.\n* Please wait a while "
         "and try again.\n",
         FailReason::RateLimited, std::nullopt},
        {"any case", "whois limit exceeded", FailReason::RateLimited, std::nullopt},
        {"tld not supported", "TLD is not supported.\n", FailReason::NotServed, std::nullopt},
        {"wait capped", "Please go away for 99999 seconds", FailReason::RateLimited, 3600},
    };
    for (const RefusalCase& c : cases) {
        const Refusal refusal = DetectRefusal(c.answer);
        EXPECT_EQ(refusal.reason, c.reason) << c.name;
        EXPECT_EQ(refusal.waitSeconds, c.wait) << c.name;
    }
}

// The refusals of the registries IANA leads to, in the shapes they write
// them: limits and pauses are "rate limited", a block of the asking address
// or a service closed to it "not served here".
TEST(DetectRefusal, KnowsTheCountryRegistriesTexts) {
    const RefusalCase cases[] = {
        {"quota replenished",
         "\n    Error for \"lanternfield.co.uk\".\n\n    The WHOIS query quota for 192.0.2.7 has "
         "been exceeded and will be replenished in 143 seconds.\n\n    WHOIS lookup made at "
         "10:11:12 07-Dec-2026\n",
         FailReason::RateLimited, 143},
        {"percent banner then too many",
         "%%\n%% Registry WHOIS server.\n%%\n%% Too many requests...\n", FailReason::RateLimited,
         std::nullopt},
        {"per minute", "whois.registry.example: maximum number of requests per minute exceeded\n",
         FailReason::RateLimited, std::nullopt},
        {"status code denied", "query_status: 440 Request Denied\n", FailReason::RateLimited,
         std::nullopt},
        {"excessive querying",
         "You are not allowed to connect due to excessive querying of the WHOIS database.\n"
         "See the registry's rules for details.\n",
         FailReason::RateLimited, std::nullopt},
        {"grace period", "% Excessive querying, grace period of 30 seconds.\n",
         FailReason::RateLimited, 30},
        {"request limit", "request limit exceeded\n", FailReason::RateLimited, std::nullopt},
        {"blacklisted for the limit",
         "BLACKLISTED: You have exceeded the query limit for your network or IP address and "
         "have been blacklisted.\n",
         FailReason::RateLimited, std::nullopt},
        {"slow down", "Your connection limit exceeded. Please slow down and try again later.\n",
         FailReason::RateLimited, std::nullopt},
        {"maximum rate", "% Maximum query rate reached.\n", FailReason::RateLimited, std::nullopt},
        {"too fast", "Your access is too fast,please try again later.\n", FailReason::RateLimited,
         std::nullopt},
        {"reached rate limit", "IP Address Has Reached Rate Limit\n", FailReason::RateLimited,
         std::nullopt},
        {"connection attempts",
         "Too many connection attempts. Please try again in a few seconds.\n",
         FailReason::RateLimited, std::nullopt},
        {"busy", "Server too busy, try again later\n", FailReason::RateLimited, std::nullopt},
        {"per time interval",
         "The number of requests per client per time interval is restricted. You have exceeded "
         "this limit. Please wait a moment and try again.\n",
         FailReason::RateLimited, std::nullopt},
        {"temporarily unavailable",
         "# Service temporarily unavailable\n# Please try again later.\n", FailReason::RateLimited,
         std::nullopt},
        {"with no entries", "%% No entries found.\n%% Query rate limit exceeded\n",
         FailReason::RateLimited, std::nullopt},
        {"caret lines", "% Registry WHOIS^% Too many queries, wait 5 minutes^",
         FailReason::RateLimited, 300},
        {"day-long wait capped", "Rate limit exceeded. Try again after: 24h0m0s\n",
         FailReason::RateLimited, 3600},
        {"seven million seconds", "Please go away for 7777777 seconds\n", FailReason::RateLimited,
         3600},
        {"client not permitted",
         "Requests of this client are not permitted. Please use the registry's web form.\n",
         FailReason::NotServed, std::nullopt},
        {"address blocked", "% Your IP address has been blocked.\n", FailReason::NotServed,
         std::nullopt},
        {"denied in stars", "Access to whois service at whois.registry.example was **DENIED**\n",
         FailReason::NotServed, std::nullopt},
        {"access denied", "% Access denied.\n", FailReason::NotServed, std::nullopt},
        {"after an error word", "Error: Too many queries from your address\n",
         FailReason::RateLimited, std::nullopt},
        {"after an error code", "-1: %Excessive querying, grace period of 30 seconds.\n",
         FailReason::RateLimited, 30},
        {"quota", "%ERROR:429: quota exceeded\n", FailReason::RateLimited, std::nullopt},
        {"bare limit", "Limit exceeded.\n", FailReason::RateLimited, std::nullopt},
        {"limit without state", "% Query rate limit exceeded. Reduced information.\n",
         FailReason::RateLimited, std::nullopt},
    };
    for (const RefusalCase& c : cases) {
        const Refusal refusal = DetectRefusal(c.answer);
        EXPECT_EQ(refusal.reason, c.reason) << c.name;
        EXPECT_EQ(refusal.waitSeconds, c.wait) << c.name;
    }
}

TEST(ReadNamedWait, ReadsTheFirstNumberWithAUnit) {
    EXPECT_EQ(ReadNamedWait("Please WAIT 2 Minutes"), 120);
    EXPECT_EQ(ReadNamedWait("replenished in 143 seconds, 9 hours"), 143);
    EXPECT_EQ(ReadNamedWait("try again after: 24h0m0s"), 3600);
    EXPECT_EQ(ReadNamedWait("grace period of 99999999999999999999 seconds"), 3600);
    EXPECT_EQ(ReadNamedWait("v2 seconds"), std::nullopt) << "a number inside a word";
    EXPECT_EQ(ReadNamedWait("error 55000000002"), std::nullopt);
    EXPECT_EQ(ReadNamedWait(""), std::nullopt);
}

// Terms of use talk about limits too; an answer is no refusal for that.
TEST(DetectRefusal, LeavesAnswersAlone) {
    const char* answers[] = {
        "",
        "Domain Name: A.EXAMPLE\r\nRegistrar: R Inc.\r\n",
        "No match for \"A.COM\".\r\n",
        "Terms: Queries to the Whois services are throttled. If too many queries are received "
        "from a single IP address within a specified time, the service will begin to reject "
        "further queries for a period of time.\n",
        "Domain Name: A.EXAMPLE\nUpdated Date: 2024-01-01\nNOTICE: wait 10 seconds between "
        "queries\n",
        // A limit note above a thinner answer that still states the name.
        "% Query rate limit exceeded. Reduced information.\n\ndomain: lanternfield.example\n"
        "status: published\n",
        "% Query rate limit exceeded. Reduced information.\nStatus: free\n",
        // The common words count only at a line's start.
        "Domain Name: A.EXAMPLE\n% If you send too many requests, your access will be denied.\n"
        "% Excessive querying is not permitted.\n",
        "Domain Name: A.EXAMPLE\nRemarks: too many requests are refused; limit exceeded "
        "answers follow.\nTerms of error reporting: access denied to robots.\n",
    };
    for (const char* answer : answers) {
        const Refusal refusal = DetectRefusal(answer);
        EXPECT_EQ(refusal.reason, FailReason::None) << answer;
        EXPECT_FALSE(refusal.waitSeconds.has_value()) << answer;
    }
}

} // namespace
