// SPDX-License-Identifier: MIT
#include "engine/rdap/rdapbootstrap.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "core/readfile.h"
#include "engine/rdap/rdapbootstrapstore.h"
#include "tests/support/scratchdir.h"

namespace {

constexpr const char* kBootstrap = R"({
  "version": "1.0",
  "publication": "2025-01-01T00:00:00Z",
  "services": [
    [["com", "net"], ["https://rdap.gtld.test/"]],
    [["uk"], ["https://rdap.uk.test/"]],
    [["co.uk"], ["https://rdap.couk.test/rdap"]],
    [["org"], ["http://rdap.org.test/", "https://rdap.org.test/org/"]],
    [["kg"], ["http://rdap.kg.test/"]],
    [["XN--P1AI"], ["https://rdap.rf.test/"]],
    [["bad"], ["ftp://rdap.bad.test/"]],
    "nonsense",
    [["tw"]]
  ]
})";

TEST(RdapBootstrap, ChoosesTheServiceOfTheLongestMatchingLabels) {
    const auto bootstrap = RdapBootstrap::Parse(kBootstrap);
    ASSERT_TRUE(bootstrap);
    EXPECT_EQ(bootstrap->publication(), "2025-01-01T00:00:00Z");
    const struct {
        const char* domain;
        const char* base;
    } cases[] = {
        {"example.com", "https://rdap.gtld.test/"},
        {"EXAMPLE.NET", "https://rdap.gtld.test/"},
        {"shop.example.co.uk", "https://rdap.couk.test/rdap/"}, // the longer entry wins
        {"example.org.uk", "https://rdap.uk.test/"},
        {"example.uk", "https://rdap.uk.test/"},
        {"example.org", "https://rdap.org.test/org/"}, // HTTPS preferred
        {"example.kg", ""},                            // plain HTTP is never used
        {"xn--e1afmkfd.xn--p1ai", "https://rdap.rf.test/"},
        {"example.com.", "https://rdap.gtld.test/"},
        {"example.bad", ""},
        {"example.tw", ""},
        {"example.cn", ""},
        {"com", "https://rdap.gtld.test/"},
        {"examplecom", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(bootstrap->BaseUrlFor(c.domain), c.base) << c.domain;
    }
}

TEST(RdapBootstrap, DomainUrlKeepsTheBasePath) {
    EXPECT_EQ(RdapDomainUrl("https://rdap.example/rdap/", "example.com"),
              "https://rdap.example/rdap/domain/example.com");
    EXPECT_EQ(RdapDomainUrl("https://rdap.example/rdap", "example.com"),
              "https://rdap.example/rdap/domain/example.com");
    EXPECT_EQ(RdapDomainUrl("https://rdap.example/", "xn--bcher-kva.de"),
              "https://rdap.example/domain/xn--bcher-kva.de");
}

TEST(RdapBootstrap, RefusesTextThatIsNoBootstrap) {
    for (const char* text : {"", "{", "[]", "{}", R"({"services": {}})", R"({"services": []})",
                             R"({"services": [[["com"], ["mailto:x@y"]]]})"}) {
        std::string error;
        EXPECT_FALSE(RdapBootstrap::Parse(text, &error)) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
}

TEST(RdapBootstrap, BundledSnapshotIsIanasFile) {
    const auto bootstrap = RdapBootstrap::Parse(BundledRdapBootstrapJson());
    ASSERT_TRUE(bootstrap);
    EXPECT_EQ(bootstrap->publication(), "2025-11-06T23:00:01Z");
    EXPECT_GT(bootstrap->size(), 1000u);
    EXPECT_EQ(bootstrap->BaseUrlFor("example.com"), "https://rdap.verisign.com/com/v1/");
    EXPECT_EQ(bootstrap->BaseUrlFor("example.cn"), "");
    EXPECT_EQ(bootstrap->BaseUrlFor("example.jp"), "");
}

// --- where the bootstrap comes from -------------------------------------

constexpr std::time_t kNow = 1'750'000'000;

std::string SmallBootstrap(const char* base) {
    return std::string(R"({"services": [[["test"], [")") + base + R"("]]]})";
}

// A scripted refresh: records each request and answers with `reply`.
struct FakeFetch {
    RdapHttpResult reply;
    std::vector<RdapRequest> requests;

    RdapFetchFunction Function() {
        return [this](const RdapRequest& request) {
            requests.push_back(request);
            return reply;
        };
    }
};

RdapHttpResult Answer(long status, std::string body, std::string etag = {},
                      std::string lastModified = {}) {
    RdapHttpResult result;
    result.status = status;
    result.body = std::move(body);
    result.etag = std::move(etag);
    result.lastModified = std::move(lastModified);
    return result;
}

class BootstrapStore : public ::testing::Test {
protected:
    RdapBootstrapSource Source(std::time_t now = kNow) const {
        RdapBootstrapSource source;
        source.dataFolder = dir.path().string() + "/";
        source.refreshUrl = "https://bootstrap.test/dns.json";
        source.now = now;
        return source;
    }
    std::string Cache() const { return ReadBytes(dir.File(kRdapBootstrapCacheName)); }

    ScratchDir dir;
    FakeFetch fetch;
};

TEST_F(BootstrapStore, FirstRunDownloadsAndKeepsTheValidators) {
    fetch.reply = Answer(200, SmallBootstrap("https://fresh.test/"), "\"v1\"",
                         "Thu, 06 Nov 2025 23:00:01 GMT");
    const RdapBootstrapLoad load = LoadRdapBootstrap(Source(), fetch.Function());
    ASSERT_TRUE(load.bootstrap);
    EXPECT_EQ(load.origin, RdapBootstrapOrigin::Downloaded);
    EXPECT_EQ(load.bootstrap->BaseUrlFor("a.test"), "https://fresh.test/");
    ASSERT_EQ(fetch.requests.size(), 1u);
    EXPECT_EQ(fetch.requests[0].url, "https://bootstrap.test/dns.json");
    EXPECT_TRUE(fetch.requests[0].headers.empty()); // nothing cached: an unconditional GET
    EXPECT_EQ(Cache(), SmallBootstrap("https://fresh.test/"));

    // The next day: a conditional GET with what the server said.
    fetch.reply = Answer(304, "");
    const RdapBootstrapLoad next =
        LoadRdapBootstrap(Source(kNow + kRdapBootstrapRefreshSeconds), fetch.Function());
    ASSERT_EQ(fetch.requests.size(), 2u);
    EXPECT_EQ(fetch.requests[1].headers,
              (std::vector<std::string>{"If-None-Match: \"v1\"",
                                        "If-Modified-Since: Thu, 06 Nov 2025 23:00:01 GMT"}));
    EXPECT_EQ(next.origin, RdapBootstrapOrigin::Cache);
    EXPECT_EQ(next.bootstrap->BaseUrlFor("a.test"), "https://fresh.test/");
}

TEST_F(BootstrapStore, AsksAtMostOnceADay) {
    fetch.reply = Answer(200, SmallBootstrap("https://fresh.test/"));
    (void)LoadRdapBootstrap(Source(), fetch.Function());
    fetch.reply = Answer(200, SmallBootstrap("https://fresher.test/"));
    const RdapBootstrapLoad later =
        LoadRdapBootstrap(Source(kNow + kRdapBootstrapRefreshSeconds - 1), fetch.Function());
    EXPECT_EQ(fetch.requests.size(), 1u);
    EXPECT_EQ(later.origin, RdapBootstrapOrigin::Cache);
    EXPECT_EQ(later.bootstrap->BaseUrlFor("a.test"), "https://fresh.test/");
}

TEST_F(BootstrapStore, FailedRefreshKeepsTheLastGoodCopySilently) {
    fetch.reply = Answer(200, SmallBootstrap("https://good.test/"));
    (void)LoadRdapBootstrap(Source(), fetch.Function());
    const std::string good = Cache();

    const struct {
        const char* name;
        RdapHttpResult reply;
    } failures[] = {
        {"unreachable",
         [] {
             RdapHttpResult r;
             r.failure = RdapFailure::ConnectionRefused;
             return r;
         }()},
        {"server error", Answer(503, "busy")},
        {"not a bootstrap", Answer(200, "<html>captive portal</html>")},
        {"empty services", Answer(200, R"({"services": []})")},
    };
    std::time_t now = kNow;
    for (const auto& failure : failures) {
        SCOPED_TRACE(failure.name);
        now += kRdapBootstrapRefreshSeconds;
        fetch.reply = failure.reply;
        const RdapBootstrapLoad load = LoadRdapBootstrap(Source(now), fetch.Function());
        ASSERT_TRUE(load.bootstrap);
        EXPECT_EQ(load.origin, RdapBootstrapOrigin::Cache);
        EXPECT_TRUE(load.error.empty());
        EXPECT_EQ(load.bootstrap->BaseUrlFor("a.test"), "https://good.test/");
        EXPECT_EQ(Cache(), good);
    }
    EXPECT_EQ(fetch.requests.size(), 1u + std::size(failures));
}

// A failed refresh is tried again an hour later, not the next day; a
// refresh that worked (304 included) waits the whole day again.
TEST_F(BootstrapStore, FailedRefreshIsTriedAgainAfterAnHour) {
    fetch.reply = Answer(200, SmallBootstrap("https://good.test/"));
    (void)LoadRdapBootstrap(Source(), fetch.Function());
    std::time_t now = kNow + kRdapBootstrapRefreshSeconds;
    fetch.reply = Answer(503, "busy");
    (void)LoadRdapBootstrap(Source(now), fetch.Function());
    ASSERT_EQ(fetch.requests.size(), 2u);
    (void)LoadRdapBootstrap(Source(now + kRdapBootstrapRetrySeconds - 1), fetch.Function());
    EXPECT_EQ(fetch.requests.size(), 2u);
    now += kRdapBootstrapRetrySeconds;
    fetch.reply = Answer(304, "");
    (void)LoadRdapBootstrap(Source(now), fetch.Function());
    EXPECT_EQ(fetch.requests.size(), 3u);
    (void)LoadRdapBootstrap(Source(now + kRdapBootstrapRefreshSeconds - 1), fetch.Function());
    EXPECT_EQ(fetch.requests.size(), 3u);
    EXPECT_EQ(kRdapBootstrapRetrySeconds, 60 * 60);
}

TEST_F(BootstrapStore, WithoutCacheOrNetworkTheBundledSnapshotServes) {
    fetch.reply.failure = RdapFailure::ResolveFailed;
    const RdapBootstrapLoad load = LoadRdapBootstrap(Source(), fetch.Function());
    ASSERT_TRUE(load.bootstrap);
    EXPECT_EQ(load.origin, RdapBootstrapOrigin::Bundled);
    EXPECT_EQ(load.bootstrap->publication(), "2025-11-06T23:00:01Z");
}

TEST_F(BootstrapStore, EmptyRefreshAddressNeverAsks) {
    RdapBootstrapSource source = Source();
    source.refreshUrl.clear();
    const RdapBootstrapLoad load = LoadRdapBootstrap(source, fetch.Function());
    EXPECT_TRUE(fetch.requests.empty());
    EXPECT_EQ(load.origin, RdapBootstrapOrigin::Bundled);
}

TEST_F(BootstrapStore, CorruptCacheFallsBackToTheBundledSnapshot) {
    WriteBytes(dir.File(kRdapBootstrapCacheName), "{\"services\": [[[\"te");
    RdapBootstrapSource source = Source();
    source.refreshUrl.clear();
    const RdapBootstrapLoad load = LoadRdapBootstrap(source, fetch.Function());
    EXPECT_EQ(load.origin, RdapBootstrapOrigin::Bundled);
}

TEST_F(BootstrapStore, GivenFileIsUsedAsItIsAndSwitchesRefreshingOff) {
    WriteBytes(dir.File("mine.json"), SmallBootstrap("https://mine.test/"));
    RdapBootstrapSource source = Source();
    source.file = dir.File("mine.json");
    const RdapBootstrapLoad load = LoadRdapBootstrap(source, fetch.Function());
    ASSERT_TRUE(load.bootstrap);
    EXPECT_EQ(load.origin, RdapBootstrapOrigin::File);
    EXPECT_EQ(load.bootstrap->BaseUrlFor("a.test"), "https://mine.test/");
    EXPECT_TRUE(fetch.requests.empty());

    source.file = dir.File("missing.json");
    const RdapBootstrapLoad missing = LoadRdapBootstrap(source, fetch.Function());
    EXPECT_FALSE(missing.bootstrap);
    EXPECT_NE(missing.error.find("missing.json"), std::string::npos);

    WriteBytes(dir.File("bad.json"), "not json");
    source.file = dir.File("bad.json");
    const RdapBootstrapLoad bad = LoadRdapBootstrap(source, fetch.Function());
    EXPECT_FALSE(bad.bootstrap);
    EXPECT_NE(bad.error.find("not an RDAP bootstrap file"), std::string::npos);
    EXPECT_TRUE(fetch.requests.empty());
}

TEST_F(BootstrapStore, ValidatorsCannotAddHeaderLines) {
    fetch.reply = Answer(200, SmallBootstrap("https://fresh.test/"), "\"v1\"\r\nX-Evil: 1");
    (void)LoadRdapBootstrap(Source(), fetch.Function());
    fetch.reply = Answer(304, "");
    (void)LoadRdapBootstrap(Source(kNow + kRdapBootstrapRefreshSeconds), fetch.Function());
    ASSERT_EQ(fetch.requests.size(), 2u);
    ASSERT_EQ(fetch.requests[1].headers.size(), 1u);
    EXPECT_EQ(fetch.requests[1].headers[0], "If-None-Match: \"v1\"");
}

} // namespace
