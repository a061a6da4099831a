// SPDX-License-Identifier: MIT
#include "engine/batch/whoislanes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "engine/whois/whoisclient.h"

namespace {

constexpr const char* kBusy = "Rate limit exceeded, try again later";
constexpr const char* kFound = "Domain Name: EXAMPLE.COM";

// Reads kBusy as a rate-limit refusal naming no wait, anything else as no refusal.
Refusal BusyRefusal(std::string_view answer) {
    Refusal refusal;
    if (answer == kBusy) {
        refusal.reason = FailReason::RateLimited;
    }
    return refusal;
}

LaneRules QuickRules() {
    LaneRules rules;
    rules.namedWaitMargin = LaneRules::Ms(0);
    rules.firstBackoff = LaneRules::Ms(1);
    rules.maxBackoff = LaneRules::Ms(1);
    return rules;
}

// Answers with the texts given, one per call (the last repeats).
struct Script {
    std::vector<std::string> answers;
    int calls = 0;
    std::string operator()() {
        const std::size_t at =
            std::min<std::size_t>(static_cast<std::size_t>(calls), answers.size() - 1);
        ++calls;
        return answers[at];
    }
};

TEST(WhoisLaneVerdict, ResetsAreResetsOtherFailuresAnswersAndRefusalsNameTheirWait) {
    const auto namedWait = [](std::string_view answer) {
        Refusal refusal = BusyRefusal(answer);
        refusal.waitSeconds = 9;
        return refusal;
    };
    const struct {
        const char* name;
        std::string result;
        RefusalDetector detect;
        LaneVerdict::Kind kind;
        std::optional<int> wait;
    } cases[] = {
        {"reset while receiving", kMarkerRecv, BusyRefusal, LaneVerdict::Kind::ResetAtConnect, {}},
        {"reset while sending", kMarkerSend, BusyRefusal, LaneVerdict::Kind::ResetAtConnect, {}},
        {"reset at the second send",
         kMarkerSend2,
         BusyRefusal,
         LaneVerdict::Kind::ResetAtConnect,
         {}},
        {"refused connection", kMarkerConnect, BusyRefusal, LaneVerdict::Kind::Answered, {}},
        {"cut-off answer", CutOffAnswer(kBusy), BusyRefusal, LaneVerdict::Kind::Answered, {}},
        {"refusal naming no wait", kBusy, BusyRefusal, LaneVerdict::Kind::Refused, {}},
        {"refusal naming its wait", kBusy, namedWait, LaneVerdict::Kind::Refused, 9},
        {"an answer", kFound, BusyRefusal, LaneVerdict::Kind::Answered, {}},
        {"no detector: the built-in one",
         kFound,
         RefusalDetector{},
         LaneVerdict::Kind::Answered,
         {}},
    };
    for (const auto& c : cases) {
        const LaneVerdict verdict = WhoisLaneVerdict(c.result, c.detect);
        EXPECT_EQ(verdict.kind, c.kind) << c.name;
        EXPECT_EQ(verdict.waitSeconds, c.wait) << c.name;
    }
}

TEST(WhoisLanes, ARefusalIsAskedAgainUntilTheAnswerComes) {
    HostLanes lanes(QuickRules(), nullptr);
    Script script{{kBusy, kBusy, kFound}};
    EXPECT_EQ(AskThroughLane(lanes, "whois.test", QueryHop::Registry, std::ref(script), BusyRefusal,
                             false),
              kFound);
    EXPECT_EQ(script.calls, 3);
}

TEST(WhoisLanes, TheLastRefusalIsTheAnswerWhenTheLaneGivesUp) {
    HostLanes lanes(QuickRules(), nullptr);
    Script registry{{kBusy}};
    EXPECT_EQ(AskThroughLane(lanes, "whois.test", QueryHop::Registry, std::ref(registry),
                             BusyRefusal, false),
              kBusy);
    EXPECT_EQ(registry.calls, QuickRules().maxTries);

    // A registrar's server is an extra: asked once, its refusal stands.
    Script referral{{kBusy}};
    EXPECT_EQ(AskThroughLane(lanes, "whois.registrar.test", QueryHop::Referral, std::ref(referral),
                             BusyRefusal, false),
              kBusy);
    EXPECT_EQ(referral.calls, 1);
}

TEST(WhoisLanes, AStoppedBatchAsksNothingAndTimesOut) {
    std::atomic<bool> stop{true};
    HostLanes lanes(QuickRules(), &stop);
    Script script{{kFound}};
    EXPECT_EQ(AskThroughLane(lanes, "whois.test", QueryHop::Registry, std::ref(script), BusyRefusal,
                             false),
              kMarkerTimeout);
    EXPECT_EQ(script.calls, 0);
}

} // namespace
