// SPDX-License-Identifier: MIT
// A batch's extra questions (a thin registry's link to the registrar's RDAP
// service) against the fake RDAP server: a registrar that does not answer
// holds back neither the registry's lane nor the rows' registry answers.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "engine/batch/querythread.h"
#include "engine/domaintable.h"
#include "engine/whois/whoisservers.h"
#include "tests/support/fakerdapserver.h"
#include "tests/support/tablejob.h"
#include "tests/support/temphome.h"

namespace {

using namespace std::chrono_literals;

constexpr const char* kRegistry = "rdap.registry.test";
constexpr const char* kRegistrar = "rdap.registrar.test";

std::string Name(int i) {
    return "slow-registrar-" + std::to_string(i) + ".com";
}

// A thin registry's answer: dates and the registrar's name, and the link
// to the registrar's own answer.
std::string RegistryJson(const std::string& name) {
    return R"({"objectClassName":"domain","ldhName":")" + name +
           R"(","entities":[{"objectClassName":"entity","roles":["registrar"],)"
           R"("vcardArray":["vcard",[["version",{},"text","4.0"],["fn",{},"text",)"
           R"("Registry Said Registrar"]]]}],"events":[)"
           R"({"eventAction":"registration","eventDate":"2001-02-03T04:05:06Z"},)"
           R"({"eventAction":"expiration","eventDate":"2031-02-03T04:05:06Z"}],)"
           R"("links":[{"rel":"related","type":"application/rdap+json","href":"https://)" +
           std::string(kRegistrar) + "/r/domain/" + name + R"("}]})";
}

std::vector<FakeRdapRequest> RequestsTo(const FakeRdapServer& server, const std::string& host) {
    std::vector<FakeRdapRequest> found;
    for (FakeRdapRequest& request : server.Requests()) {
        if (request.host == host) {
            found.push_back(std::move(request));
        }
    }
    std::sort(found.begin(), found.end(),
              [](const auto& a, const auto& b) { return a.arrived < b.arrived; });
    return found;
}

// Eight .com rows; the registry answers at once, the registrar never does.
// Its question ends at the extra time-out (3 s): every registry question is
// asked well before that, at the registry lane's pace (one at a time, 50 ms
// apart), and every row keeps the registry's answer.
TEST(ExtraQuestions, StalledRegistrarHoldsBackNeitherTheLaneNorTheRows) {
    TempHome home;
    constexpr int kRows = 8;
    constexpr auto kExtraTimeout = 3s;
    FakeRdapServer server({kRegistry, kRegistrar});
    for (int i = 0; i < kRows; ++i) {
        server.SetReply("/v1/domain/" + Name(i), FakeRdapReply::Json(200, RegistryJson(Name(i))));
    }
    server.SetDefaultReply(FakeRdapReply::Stall()); // the registrar's paths, /r/...
    const std::string bootstrap = home.dir() + "/dns.json";
    std::ofstream(bootstrap) << R"({"version":"1.0","services":[[["com"],["https://)" << kRegistry
                             << R"(/v1/"]]]})";

    DomainTable table;
    ASSERT_TRUE(table.Allocate());
    for (int i = 0; i < kRows; ++i) {
        SetField(table.Row(table.count++).domain, Name(i));
    }
    AssignWhoisServers(table);
    QueryOptions options;
    options.protocol = ProtocolChoice::Rdap;
    options.rdapBootstrapFile = bootstrap;
    options.caFile = server.caFile();
    options.client.connectTo = server.OverridesFor({kRegistry, kRegistrar});
    options.jobs = 16;
    options.perHost = 1;
    options.hostIntervalMs = 50;
    options.extraTimeoutMs = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(kExtraTimeout).count());
    CQueryThread worker(JobOver(table), options);
    const auto began = std::chrono::steady_clock::now();
    ASSERT_TRUE(worker.Start());
    worker.Join();

    const auto registry = RequestsTo(server, kRegistry);
    const auto registrar = RequestsTo(server, kRegistrar);
    ASSERT_EQ(registry.size(), static_cast<std::size_t>(kRows));
    ASSERT_FALSE(registrar.empty());
    EXPECT_LT(registry.back().arrived, registrar.front().arrived + kExtraTimeout)
        << "every registry question was asked while the first registrar question waited";
    // The lane starts a question no sooner than 50 ms after the one before,
    // so the i-th cannot arrive before i gaps have passed since the start.
    // (Gaps between arrivals would also count the variable time each
    // question spends on its way, which a loaded machine stretches.)
    for (std::size_t i = 1; i < registry.size(); ++i) {
        EXPECT_GE(registry[i].arrived - began, static_cast<int>(i) * 50ms) << i;
    }
    // The registrar that timed out is known to be down: the rows waiting for
    // it are not asked again, and the batch ends after one time-out.
    EXPECT_EQ(registrar.size(), 1u);
    for (int i = 0; i < kRows; ++i) {
        const DomainRecord& row = table.Row(i);
        EXPECT_EQ(row.status, Found) << Name(i);
        EXPECT_STREQ(row.registrar, "Registry Said Registrar") << Name(i);
    }
    table.Release();
}

} // namespace
