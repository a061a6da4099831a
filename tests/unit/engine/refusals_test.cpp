// SPDX-License-Identifier: MIT
// Refusal texts: a registry's "not now" or "not here" in place of an answer,
// and the wait it names.

#include "engine/refusals.h"

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
    };
    for (const char* answer : answers) {
        const Refusal refusal = DetectRefusal(answer);
        EXPECT_EQ(refusal.reason, FailReason::None) << answer;
        EXPECT_FALSE(refusal.waitSeconds.has_value()) << answer;
    }
}

} // namespace
