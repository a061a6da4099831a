// SPDX-License-Identifier: MIT
#include "engine/rdap/rdaplookup.h"

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "core/readfile.h"
#include "engine/batch/rdaplanes.h"
#include "engine/rdap/rdapclient.h"
#include "engine/rdap/rdapmeaning.h"
#include "httpresults.h"
#include "tests/support/fakerdapserver.h"

namespace {

using namespace std::chrono_literals;

constexpr const char* kRegistry = "rdap.registry.test";
constexpr const char* kRegistrar = "rdap.registrar.test";
constexpr const char* kBase = "https://rdap.registry.test/com/v1/";
constexpr const char* kName = "lanternfish-trading.com";
constexpr const char* kPath = "/com/v1/domain/lanternfish-trading.com";

std::string Fixture(const std::string& name) {
    std::string text;
    EXPECT_TRUE(ReadSmallFile(std::string(RDAP_DATA_DIR) + "/" + name, text)) << name;
    return text;
}

TEST(RdapMeaning, EachOutcomeHasOneMeaning) {
    RdapHttpResult limited = Http(429);
    limited.retryAfterSeconds = 600;
    RdapHttpResult moved = Http(302);
    moved.location = "https://elsewhere.test/domain/x.test";
    const struct {
        const char* name;
        RdapHttpResult result;
        RdapVerdict verdict;
        FailReason reason;
    } cases[] = {
        {"200 domain", Http(200, Fixture("registry-thin.json")), RdapVerdict::Registered,
         FailReason::None},
        {"404", Http(404), RdapVerdict::NotRegistered, FailReason::None},
        {"200 error object 404", Http(200, Fixture("error-404.json")), RdapVerdict::NotRegistered,
         FailReason::None},
        {"429", limited, RdapVerdict::RateLimited, FailReason::RateLimited},
        {"302", moved, RdapVerdict::Redirect, FailReason::None},
        {"302 without location", Http(302), RdapVerdict::Error, FailReason::BadAnswer},
        {"500", Http(500), RdapVerdict::FallBack, FailReason::QueryRefused},
        {"503", Http(503), RdapVerdict::FallBack, FailReason::QueryRefused},
        {"timed out", Failed(RdapFailure::TimedOut), RdapVerdict::FallBack, FailReason::TimedOut},
        {"refused", Failed(RdapFailure::ConnectionRefused), RdapVerdict::FallBack,
         FailReason::ConnectionRefused},
        {"unresolved", Failed(RdapFailure::ResolveFailed), RdapVerdict::FallBack,
         FailReason::ResolveFailed},
        {"reset", Failed(RdapFailure::ConnectionReset), RdapVerdict::FallBack,
         FailReason::ConnectionReset},
        {"tls", Failed(RdapFailure::Tls), RdapVerdict::FallBack, FailReason::ConnectionRefused},
        {"too large", Failed(RdapFailure::TooLarge), RdapVerdict::Error, FailReason::BadAnswer},
        {"stopped", Failed(RdapFailure::Stopped), RdapVerdict::Error, FailReason::TimedOut},
        {"400", Http(400), RdapVerdict::Error, FailReason::QueryRefused},
        {"403", Http(403), RdapVerdict::Error, FailReason::QueryRefused},
        {"200 malformed", Http(200, "{\"objectClassName\":"), RdapVerdict::Error,
         FailReason::BadAnswer},
        {"200 entity", Http(200, Fixture("not-domain.json")), RdapVerdict::Error,
         FailReason::BadAnswer},
        {"204", Http(204), RdapVerdict::Error, FailReason::BadAnswer},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const RdapMeaning meaning = ClassifyRdapResult(c.result, kName);
        EXPECT_EQ(meaning.verdict, c.verdict);
        EXPECT_EQ(meaning.reason, c.reason);
    }
    EXPECT_EQ(ClassifyRdapResult(Http(403), kName).detail, "HTTP 403");
    EXPECT_EQ(ClassifyRdapResult(Http(200, "{"), kName).detail, "malformed JSON");
}

TEST(RdapLookupSteps, OnlyUrlsAnAnswerPointedAtMustBePublic) {
    std::vector<RdapRequest> asked;
    const RdapFetchFunction fetch = [&](const RdapRequest& request) {
        asked.push_back(request);
        if (asked.size() == 1) {
            RdapHttpResult moved = Http(307);
            moved.location = "https://rdap.registry.test/v2/domain/lanternfish-trading.com";
            return moved;
        }
        return asked.size() == 2 ? Http(200, Fixture("registry-thin.json")) : Http(404);
    };
    const RdapLookupResult result = LookupRdapDomain(kBase, kName, fetch);
    EXPECT_EQ(result.verdict, RdapVerdict::Registered);
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_EQ(asked[0].url, std::string(kBase) + "domain/" + kName);
    EXPECT_FALSE(asked[0].publicOnly);
    EXPECT_EQ(asked[0].accept, "application/rdap+json");
    EXPECT_TRUE(asked[1].publicOnly); // the redirect
    EXPECT_EQ(asked[2].url, "https://rdap.registrar.test/rdap/domain/LANTERNFISH-TRADING.COM");
    EXPECT_TRUE(asked[2].publicOnly); // the registrar's link
}

// --- the whole look-up against the fake HTTPS server -----------------------

class RdapLookupTest : public ::testing::Test {
protected:
    RdapLookupTest() {
        RdapClientOptions options;
        options.connectTo = server.OverridesFor({kRegistry, kRegistrar, "rdap.elsewhere.test"});
        options.caFile = server.caFile();
        options.totalTimeoutMs = 5'000;
        client = std::make_unique<RdapClient>(options);
    }

    RdapLookupResult Lookup(const RdapUrlCheck& check = {}) {
        return LookupRdapDomain(kBase, kName, FetchWith(*client), check);
    }

    std::vector<std::string> Targets() const {
        std::vector<std::string> out;
        for (const auto& request : server.Requests()) {
            out.push_back(request.host + request.target);
        }
        return out;
    }

    FakeRdapServer server{{kRegistry, kRegistrar}};
    std::unique_ptr<RdapClient> client;
};

const std::string kRegistrarPath = "/rdap/domain/LANTERNFISH-TRADING.COM";

TEST_F(RdapLookupTest, ThinRegistryThenRegistrarGiveTheWholeRow) {
    server.SetReply(kPath, FakeRdapReply::Json(200, Fixture("registry-thin.json")));
    server.SetReply(kRegistrarPath, FakeRdapReply::Json(200, Fixture("registrar-full.json")));
    const RdapLookupResult result = Lookup();
    EXPECT_EQ(result.verdict, RdapVerdict::Registered);
    EXPECT_EQ(result.server, kRegistry);
    EXPECT_EQ(result.fields.expiry, "2027-04-17");
    EXPECT_EQ(result.fields.created, "2009-04-17");
    EXPECT_EQ(result.fields.updated, "2024-03-18");
    EXPECT_EQ(result.fields.registrar, "Harbor Names, Inc.");
    EXPECT_EQ(result.fields.owner, "Lanternfish Trading Ltd");
    EXPECT_EQ(result.fields.phone, "+64.35550100");
    EXPECT_EQ(result.answer, Fixture("registry-thin.json"));
    EXPECT_EQ(result.registrarAnswer, Fixture("registrar-full.json"));
    EXPECT_EQ(result.registrarServer, kRegistrar);
    EXPECT_EQ(Targets(), (std::vector<std::string>{std::string(kRegistry) + kPath,
                                                   std::string(kRegistrar) + kRegistrarPath}));
}

TEST_F(RdapLookupTest, RegistryAnswerStandsWhenTheRegistrarFails) {
    server.SetReply(kPath, FakeRdapReply::Json(200, Fixture("registry-thin.json")));
    for (FakeRdapReply failure : {FakeRdapReply::Status(500), FakeRdapReply::Json(404, "{}"),
                                  FakeRdapReply::Json(200, "garbage"), FakeRdapReply::Close()}) {
        server.SetReply(kRegistrarPath, failure);
        const RdapLookupResult result = Lookup();
        EXPECT_EQ(result.verdict, RdapVerdict::Registered);
        EXPECT_EQ(result.fields.registrar, "Harbor Names, Inc.");
        EXPECT_EQ(result.fields.expiry, "2027-04-17");
        EXPECT_EQ(result.fields.owner, "");
        EXPECT_EQ(result.registrarAnswer, "");
        EXPECT_EQ(result.registrarServer, "");
    }
}

TEST_F(RdapLookupTest, RegistryWithARegistrantIsNotFollowedFurther) {
    server.SetReply(kPath, FakeRdapReply::Json(200, Fixture("registry-redacted.json")));
    const RdapLookupResult result = Lookup();
    EXPECT_EQ(result.verdict, RdapVerdict::Registered);
    EXPECT_EQ(server.Requests().size(), 1u);
}

TEST_F(RdapLookupTest, RegistrarLinkIsCheckedLikeAReferral) {
    server.SetReply(kPath, FakeRdapReply::Json(200, Fixture("registry-thin.json")));
    std::vector<std::string> checked;
    const RdapLookupResult result = Lookup([&](const std::string& url) {
        checked.push_back(url);
        return false;
    });
    EXPECT_EQ(result.verdict, RdapVerdict::Registered);
    EXPECT_EQ(checked, std::vector<std::string>{"https://rdap.registrar.test/rdap/domain/"
                                                "LANTERNFISH-TRADING.COM"});
    EXPECT_EQ(server.Requests().size(), 1u);
}

TEST_F(RdapLookupTest, NotRegisteredAndRefusedAndBroken) {
    const struct {
        const char* name;
        FakeRdapReply reply;
        RdapVerdict verdict;
        FailReason reason;
    } cases[] = {
        {"404", FakeRdapReply::Json(404, Fixture("error-404.json")), RdapVerdict::NotRegistered,
         FailReason::None},
        {"403", FakeRdapReply::Json(403, "{}"), RdapVerdict::Error, FailReason::QueryRefused},
        {"503", FakeRdapReply::Status(503), RdapVerdict::FallBack, FailReason::QueryRefused},
        {"closed", FakeRdapReply::Close(), RdapVerdict::FallBack, FailReason::ConnectionReset},
        {"malformed", FakeRdapReply::Json(200, "{\"objectClassName\": \"dom"), RdapVerdict::Error,
         FailReason::BadAnswer},
        {"oversized", FakeRdapReply::Json(200, std::string((4u << 20) + 1, ' ')),
         RdapVerdict::Error, FailReason::BadAnswer},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        server.SetReply(kPath, c.reply);
        const RdapLookupResult result = Lookup();
        EXPECT_EQ(result.verdict, c.verdict) << result.detail;
        EXPECT_EQ(result.reason, c.reason) << result.detail;
    }
}

TEST_F(RdapLookupTest, TimeOutFallsBack) {
    server.SetReply(kPath, FakeRdapReply::Stall());
    RdapClientOptions options = client->options();
    options.totalTimeoutMs = 300;
    RdapClient quick(options);
    const RdapLookupResult result = LookupRdapDomain(kBase, kName, FetchWith(quick));
    EXPECT_EQ(result.verdict, RdapVerdict::FallBack);
    EXPECT_EQ(result.reason, FailReason::TimedOut);
}

TEST_F(RdapLookupTest, FollowsOneRedirectOnly) {
    server.SetReply(kPath, FakeRdapReply::Redirect(301, "https://rdap.elsewhere.test/d/x"));
    RdapClientOptions options = client->options();
    FakeRdapServer elsewhere({"rdap.elsewhere.test"});
    options.connectTo = {ConnectOverride{kRegistry, "127.0.0.1", server.port()},
                         ConnectOverride{"rdap.elsewhere.test", "127.0.0.1", elsewhere.port()}};
    // Trust both test CAs through one file.
    const std::string both = server.caPem() + elsewhere.caPem();
    std::string path = "/tmp/zentrix-two-cas-XXXXXX";
    const int fd = ::mkstemp(path.data());
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, both.data(), both.size()), static_cast<ssize_t>(both.size()));
    ::close(fd);
    options.caFile = path;
    RdapClient twoHosts(options);

    elsewhere.SetReply("/d/x", FakeRdapReply::Json(200, Fixture("registry-redacted.json")));
    RdapLookupResult result = LookupRdapDomain(kBase, kName, FetchWith(twoHosts));
    EXPECT_EQ(result.verdict, RdapVerdict::Registered) << result.detail;
    EXPECT_EQ(result.fields.registrar, "Meadow Registrar GmbH");
    EXPECT_EQ(result.server, kRegistry);

    elsewhere.SetReply("/d/x", FakeRdapReply::Redirect(302, "/d/y"));
    result = LookupRdapDomain(kBase, kName, FetchWith(twoHosts));
    EXPECT_EQ(result.verdict, RdapVerdict::Error);
    EXPECT_EQ(result.detail, "more than one redirect");
    EXPECT_EQ(elsewhere.Requests().size(), 2u);

    // A redirect the caller's check refuses is not asked.
    result = LookupRdapDomain(kBase, kName, FetchWith(twoHosts),
                              [](const std::string&) { return false; });
    EXPECT_EQ(result.verdict, RdapVerdict::Error);
    EXPECT_EQ(result.reason, FailReason::ReferralRefused);
    EXPECT_EQ(elsewhere.Requests().size(), 2u);
    ::unlink(path.c_str());
}

TEST_F(RdapLookupTest, RedirectMayNotLeaveHttps) {
    server.SetReply(kPath, FakeRdapReply::Redirect(301, "http://rdap.registry.test/x"));
    const RdapLookupResult result = Lookup();
    EXPECT_EQ(result.verdict, RdapVerdict::Error);
    EXPECT_EQ(result.reason, FailReason::ReferralRefused);
    EXPECT_EQ(server.Requests().size(), 1u);
}

// The wait goes to the lanes uncut, marked as a Retry-After for its cap.
TEST(RdapLaneVerdict, OnlyA429IsARefusalAndItsWaitIsARetryAfter) {
    RdapHttpResult named = Http(429);
    named.retryAfterSeconds = 7;
    RdapHttpResult long_ = Http(429);
    long_.retryAfterSeconds = 3600;
    RdapHttpResult failed429 = Http(429);
    failed429.failure = RdapFailure::TimedOut;
    const struct {
        const char* name;
        RdapHttpResult result;
        LaneVerdict::Kind kind;
        std::optional<int> wait;
    } cases[] = {
        {"named wait", named, LaneVerdict::Kind::Refused, 7},
        {"an hour, for the lanes to cut", long_, LaneVerdict::Kind::Refused, 3600},
        {"no Retry-After: the lanes' back-off", Http(429), LaneVerdict::Kind::Refused,
         std::nullopt},
        {"404 is an answer", Http(404), LaneVerdict::Kind::Answered, std::nullopt},
        {"503 is an answer for the lane", Http(503), LaneVerdict::Kind::Answered, std::nullopt},
        {"a failure is no refusal", failed429, LaneVerdict::Kind::Answered, std::nullopt},
    };
    for (const auto& c : cases) {
        const LaneVerdict verdict = RdapLaneVerdict(c.result);
        EXPECT_EQ(verdict.kind, c.kind) << c.name;
        EXPECT_EQ(verdict.waitSeconds, c.wait) << c.name;
        EXPECT_EQ(verdict.retryAfter, c.kind == LaneVerdict::Kind::Refused) << c.name;
    }
}

class RdapLaneTest : public RdapLookupTest {
protected:
    // Refusals are waited for as named, with no margin, so Retry-After: 0
    // makes the lane ask again at once.
    static LaneRules QuickRules() {
        LaneRules rules;
        rules.namedWaitMargin = LaneRules::Ms(0);
        rules.firstBackoff = LaneRules::Ms(1);
        rules.maxBackoff = LaneRules::Ms(1);
        return rules;
    }
    RdapLookupResult LookupThroughLanes(HostLanes& lanes) {
        const RdapFetchFunction plain = FetchWith(*client);
        return LookupRdapDomain(kBase, kName, [&](const RdapRequest& request) {
            return FetchThroughLane(lanes, request, plain);
        });
    }
};

TEST_F(RdapLaneTest, RateLimitIsAskedAgainThroughTheLane) {
    server.SetReplySequence(kPath, {FakeRdapReply::Status(429).WithHeader("Retry-After", "0"),
                                    FakeRdapReply::Status(429), FakeRdapReply::Json(404, "{}")});
    HostLanes lanes(QuickRules(), nullptr);
    const RdapLookupResult result = LookupThroughLanes(lanes);
    EXPECT_EQ(result.verdict, RdapVerdict::NotRegistered);
    EXPECT_EQ(server.Requests().size(), 3u);
}

TEST_F(RdapLaneTest, RateLimitEndsAfterThreeRetries) {
    server.SetReply(kPath, FakeRdapReply::Status(429).WithHeader("Retry-After", "0"));
    HostLanes lanes(QuickRules(), nullptr);
    const RdapLookupResult result = LookupThroughLanes(lanes);
    EXPECT_EQ(result.verdict, RdapVerdict::RateLimited);
    EXPECT_EQ(result.reason, FailReason::RateLimited);
    EXPECT_EQ(server.Requests().size(), static_cast<std::size_t>(LaneRules{}.maxTries));
}

TEST_F(RdapLaneTest, StopCutsTheRateLimitWait) {
    server.SetReply(kPath, FakeRdapReply::Status(429).WithHeader("Retry-After", "30"));
    std::atomic<bool> stop{false};
    HostLanes lanes(QuickRules(), &stop);
    const RdapFetchFunction plain = FetchWith(*client);
    const RdapLookupResult result = LookupRdapDomain(kBase, kName, [&](const RdapRequest& request) {
        RdapHttpResult answer = FetchThroughLane(lanes, request, [&](const RdapRequest& r) {
            RdapHttpResult first = plain(r);
            stop = true; // the user stops while the lane would wait 30 s
            return first;
        });
        return answer;
    });
    EXPECT_EQ(result.verdict, RdapVerdict::Error);
    EXPECT_EQ(server.Requests().size(), 1u);
}

} // namespace
