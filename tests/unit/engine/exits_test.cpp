// SPDX-License-Identifier: MIT
// Queries leaving through proxies and local addresses: port 43 and RDAP
// through each proxy kind, exits sharing a batch with their own lanes, a
// failing proxy left aside, the address guard through a proxy, and the
// environment's proxy settings ignored unless asked for.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

#include "core/ccore.h"
#include "core/messages.h"
#include "engine/batch/queryexits.h"
#include "engine/batch/querythread.h"
#include "engine/failreason.h"
#include "engine/rdap/rdapclient.h"
#include "engine/whois/whoisclient.h"
#include "engine/whois/whoisservers.h"
#include "tests/support/deadport.h"
#include "tests/support/fakeproxy.h"
#include "tests/support/fakerdapserver.h"
#include "tests/support/fakewhoisserver.h"
#include "tests/support/loopbackhome.h"
#include "tests/support/recordingtarget.h"
#include "tests/support/scratchdir.h"
#include "tests/support/tablejob.h"

namespace {

using namespace std::chrono_literals;
constexpr auto kDeadline = 20s;
constexpr const char* kRegistry = "whois.nic.test";
constexpr const char* kRdapHost = "rdap.registry.test";

WhoisClientOptions ClientThrough(const FakeWhoisServer& server, const std::string& proxy) {
    WhoisClientOptions options;
    options.connectTo = server.OverridesFor({kRegistry});
    options.proxy = proxy;
    options.totalTimeoutMs = 10'000;
    return options;
}

TEST(ProxiedWhois, AsksThroughEachProxyKindAtTheMappedAddress) {
    FakeWhoisServer server;
    server.SetScript("a.test", FakeWhoisScript::Answer("Domain Name: A.TEST\r\n"));
    const std::string mapped = "127.0.0.1:" + std::to_string(server.port());
    for (const auto& [kind, remote] :
         {std::pair{FakeProxy::Kind::Socks5, true}, std::pair{FakeProxy::Kind::Socks5, false},
          std::pair{FakeProxy::Kind::HttpConnect, true}}) {
        FakeProxy proxy(kind);
        SCOPED_TRACE(proxy.Url(remote));
        EXPECT_EQ(WhoisQuery(kRegistry, "a.test", ClientThrough(server, proxy.Url(remote))),
                  "Domain Name: A.TEST\r\n");
        // A connect-to mapping is where the proxy is asked to connect.
        EXPECT_EQ(proxy.Destinations(), std::vector<std::string>{mapped});
    }
    EXPECT_EQ(server.ReceivedBytes(), std::vector<std::string>(3, "a.test\r\n"));
}

TEST(ProxiedWhois, RegistryNamesGoToASocks5hProxyAsNames) {
    FakeWhoisServer server;
    server.SetDefaultScript(FakeWhoisScript::Answer("Domain Name: A.TEST\r\n"));
    FakeProxy proxy(FakeProxy::Kind::Socks5);
    WhoisClientOptions options;
    options.proxy = proxy.Url();
    options.port = server.port();
    EXPECT_EQ(WhoisQuery("localhost", "a.test", options), "Domain Name: A.TEST\r\n");
    EXPECT_EQ(proxy.Destinations(),
              std::vector<std::string>{"localhost:" + std::to_string(server.port())});
}

// Only the proxy's own failure takes it out of use: a server it cannot reach
// is that server's failure.
TEST(ProxiedWhois, TellsTheProxyFailingFromTheServerBehindIt) {
    FakeWhoisServer server;
    DeadPort dead;
    for (const char* scheme : {"socks5h", "http"}) {
        EXPECT_EQ(WhoisQuery(kRegistry, "a.test", ClientThrough(server, dead.Url(scheme))),
                  kMarkerProxyFailed)
            << scheme;
    }
    for (const auto kind : {FakeProxy::Kind::Socks5, FakeProxy::Kind::HttpConnect}) {
        FakeProxy proxy(kind);
        proxy.SetRefusing(true);
        EXPECT_EQ(WhoisQuery(kRegistry, "a.test", ClientThrough(server, proxy.Url())),
                  kMarkerProxyFailed)
            << proxy.Url();
        proxy.SetRefusing(false);
        WhoisClientOptions toDeadServer = ClientThrough(server, proxy.Url());
        toDeadServer.connectTo = {{kRegistry, "127.0.0.1", 1}};
        EXPECT_EQ(WhoisQuery(kRegistry, "a.test", toDeadServer), kMarkerConnect) << proxy.Url();
    }
    EXPECT_EQ(FailReasonForMarker(kMarkerProxyFailed), FailReason::ProxyFailed);
    EXPECT_EQ(FailReasonEnglish(FailReason::ProxyFailed), "proxy failed");
    EXPECT_EQ(FailReasonChinese(FailReason::ProxyFailed), "代理失败");
}

// A name that a URL would read as another host is not handed to the proxy.
TEST(ProxiedWhois, ANameAUrlWouldReadAsAnotherHostIsNotAsked) {
    FakeProxy proxy(FakeProxy::Kind::Socks5);
    WhoisClientOptions options;
    options.proxy = proxy.Url();
    for (const char* host : {"whois.a.test@127.0.0.1", "127.0.0.1/whois.a.test",
                             "127.0.0.1:9#whois.a.test", "127.0.0.1?whois.a.test"}) {
        EXPECT_EQ(WhoisQuery(host, "a.test", options), kMarkerInvalidAddr) << host;
    }
    EXPECT_EQ(proxy.ConnectionCount(), 0u);
}

TEST(ProxiedWhois, RefusesAReferralToALocalAddressWithoutAskingTheProxy) {
    FakeProxy proxy(FakeProxy::Kind::Socks5);
    WhoisClientOptions options;
    options.proxy = proxy.Url();
    options.publicAddressesOnly = true;
    for (const char* host : {"127.0.0.2", "localhost", "10.1.2.3", "::1"}) {
        EXPECT_EQ(WhoisQuery(host, "a.test", options), kMarkerAddressRefused) << host;
    }
    EXPECT_EQ(proxy.ConnectionCount(), 0u);
}

TEST(SourceAddress, PortFortyThreeLeavesFromTheAddressGiven) {
    FakeWhoisServer server;
    server.SetDefaultScript(FakeWhoisScript::Answer("Domain Name: A.TEST\r\n"));
    WhoisClientOptions options = ClientThrough(server, "");
    options.sourceAddress = "127.0.0.3";
    EXPECT_EQ(WhoisQuery(kRegistry, "a.test", options), "Domain Name: A.TEST\r\n");
    // No such local address, or one of the other family: no connection.
    for (const char* address : {"192.0.2.1", "::1"}) {
        options.sourceAddress = address;
        EXPECT_EQ(WhoisQuery(kRegistry, "a.test", options), kMarkerConnect) << address;
    }
}

class ProxiedRdap : public ::testing::Test {
protected:
    RdapClientOptions Options() const {
        RdapClientOptions options;
        options.connectTo = server.OverridesFor({kRdapHost});
        options.caFile = server.caFile();
        options.totalTimeoutMs = 10'000;
        options.isPublicAddress = [](const sockaddr& address) {
            return address.sa_family == AF_INET &&
                   (ntohl(reinterpret_cast<const sockaddr_in&>(address).sin_addr.s_addr) >> 24) !=
                       127;
        };
        return options;
    }
    static RdapRequest Request(const std::string& proxy) {
        RdapRequest request;
        request.url = std::string("https://") + kRdapHost + "/domain/a.test";
        request.proxy = proxy;
        return request;
    }
    FakeRdapServer server{{kRdapHost}};
};

TEST_F(ProxiedRdap, AsksThroughEachProxyKindWithTlsToTheServer) {
    server.SetDefaultReply(FakeRdapReply::Json(200, R"({"objectClassName":"domain"})"));
    RdapClient client(Options());
    const std::string mapped = "127.0.0.1:" + std::to_string(server.port());
    for (const auto kind : {FakeProxy::Kind::Socks5, FakeProxy::Kind::HttpConnect}) {
        FakeProxy proxy(kind);
        const RdapHttpResult result = client.Get(Request(proxy.Url()));
        ASSERT_EQ(result.failure, RdapFailure::None) << result.detail;
        EXPECT_EQ(result.status, 200);
        EXPECT_EQ(proxy.Destinations(), std::vector<std::string>{mapped}) << proxy.Url();
    }
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].sni, kRdapHost) << "TLS is end to end, with the host's name";
}

TEST_F(ProxiedRdap, LeavesFromTheSourceAddressGiven) {
    server.SetDefaultReply(FakeRdapReply::Json(200, R"({"objectClassName":"domain"})"));
    RdapClient client(Options());
    RdapRequest request = Request("");
    request.sourceAddress = "127.0.0.3";
    const RdapHttpResult result = client.Get(request);
    EXPECT_EQ(result.failure, RdapFailure::None) << result.detail;
    request.sourceAddress = "192.0.2.1";
    EXPECT_NE(client.Get(request).failure, RdapFailure::None);
}

TEST_F(ProxiedRdap, AProxyThatFailsIsSaidSo) {
    RdapClient client(Options());
    DeadPort dead;
    EXPECT_EQ(client.Get(Request(dead.Url("socks5h"))).failure, RdapFailure::ProxyFailed);
    FakeProxy refusing(FakeProxy::Kind::HttpConnect);
    refusing.SetRefusing(true);
    EXPECT_EQ(client.Get(Request(refusing.Url())).failure, RdapFailure::ProxyFailed);
    EXPECT_EQ(FailReasonForRdapFailure(RdapFailure::ProxyFailed), FailReason::ProxyFailed);
}

TEST_F(ProxiedRdap, ALinkToALocalAddressIsRefusedWithoutAskingTheProxy) {
    RdapClient client(Options());
    FakeProxy proxy(FakeProxy::Kind::Socks5);
    RdapRequest request;
    request.url = "https://127.0.0.2:" + std::to_string(server.port()) + "/domain/a.test";
    request.proxy = proxy.Url();
    request.publicOnly = true;
    EXPECT_EQ(client.Get(request).failure, RdapFailure::AddressRefused);
    request.url = "https://localhost:" + std::to_string(server.port()) + "/domain/a.test";
    EXPECT_EQ(client.Get(request).failure, RdapFailure::AddressRefused);
    EXPECT_EQ(proxy.ConnectionCount(), 0u);
}

// The environment's proxies are used only when asked for.
TEST(ProxyEnvironment, IsIgnoredUnlessAskedFor) {
    FakeProxy proxy(FakeProxy::Kind::HttpConnect);
    FakeWhoisServer server; // any listener: the request only has to reach it
    for (const char* name : {"no_proxy", "NO_PROXY"}) {
        ::unsetenv(name);
    }
    for (const char* name : {"http_proxy", "https_proxy", "ALL_PROXY", "all_proxy"}) {
        ::setenv(name, proxy.Url().c_str(), 1);
    }
    RdapRequest request;
    request.url = "http://127.0.0.1:" + std::to_string(server.port()) + "/domain/a.test";
    RdapClientOptions options;
    options.totalTimeoutMs = 10'000;
    {
        RdapClient client(options);
        (void)client.Get(request);
        EXPECT_TRUE(server.WaitForConnections(1, kDeadline));
        EXPECT_EQ(proxy.ConnectionCount(), 0u);
    }
    options.proxyFromEnvironment = true;
    {
        RdapClient client(options);
        (void)client.Get(request);
        EXPECT_TRUE(proxy.WaitForDestinations(1, kDeadline));
    }
    for (const char* name : {"http_proxy", "https_proxy", "ALL_PROXY", "all_proxy"}) {
        ::unsetenv(name);
    }
}

TEST(QueryExits, EachExitHasItsOwnLaneAndAFailedOneRests) {
    EXPECT_EQ(ExitLaneKey(0, "whois.nic.test"), "whois.nic.test");
    EXPECT_NE(ExitLaneKey(1, "whois.nic.test"), ExitLaneKey(2, "whois.nic.test"));
    EXPECT_EQ(LaneKeyHost(ExitLaneKey(2, "whois.nic.test")), "whois.nic.test");
    EXPECT_EQ(ExitsFor({}, {}).size(), 1u);
    ExitHealth health(3, 1h);
    health.MarkFailed(1);
    std::size_t other = 9;
    EXPECT_FALSE(health.Usable(1));
    ASSERT_TRUE(health.Other(0, other));
    EXPECT_EQ(other, 2u);
    health.MarkFailed(2);
    EXPECT_FALSE(health.Other(0, other));
    std::string why;
    EXPECT_TRUE(IsUsableProxyUrl("socks5h://127.0.0.1:1080", why));
    EXPECT_TRUE(IsUsableProxyUrl("http://user:pw@proxy.example:3128/", why));
    EXPECT_TRUE(IsUsableProxyUrl("SOCKS5://[::1]:1080", why));
    for (const char* bad :
         {"socks4://h:1", "http://h", "h:1", "http://:1", "http://h:99999", "http://h:0",
          "http://h:1/x", "http://h:1?x", "socks5:///h:1", "http://h:1@:2", "socks5h://h\\x:1"}) {
        EXPECT_FALSE(IsUsableProxyUrl(bad, why)) << bad;
    }
}

// Whole batches over port 43 leaving by proxies.
class ExitBatch : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_home.Create("zentrix-exits"));
        ASSERT_TRUE(table.Allocate());
        server.SetDefaultScript(FakeWhoisScript::Answer("Domain Name: X\r\n"));
    }
    void TearDown() override {
        table.Release();
        m_home.Remove();
    }

    void Run(int rows, QueryOptions options) {
        table.Clear();
        for (int n = 0; n < rows; ++n) {
            SetField(table.Row(table.count++).domain, "name" + std::to_string(n) + ".com");
        }
        AssignWhoisServers(table);
        auto job = JobOver(table, &view);
        options.protocol = ProtocolChoice::Whois;
        options.client.connectTo = server.OverridesFor(FakeWhoisServer::AllEndpoints());
        CQueryThread worker(std::move(job), std::move(options));
        ASSERT_TRUE(worker.Start());
        ASSERT_TRUE(view.WaitFor(UM_WORKER_EXIT, kDeadline));
        worker.Join();
    }

    // Every row of the last run ended with status, for reason.
    void ExpectEveryRow(std::int32_t status, FailReason reason) const {
        for (std::int32_t n = 0; n < table.count; ++n) {
            EXPECT_EQ(table.Row(n).status, status) << n;
            EXPECT_EQ(table.details.Reason(n), reason) << n;
        }
    }

    FakeWhoisServer server;
    DomainTable table;
    RecordingTarget view;

private:
    LoopbackHome m_home;
};

TEST_F(ExitBatch, TwoProxiesShareTheRowsEachKeepingItsOwnGap) {
    FakeProxy socks(FakeProxy::Kind::Socks5);
    FakeProxy http(FakeProxy::Kind::HttpConnect);
    QueryOptions options;
    options.proxies = {socks.Url(), http.Url()};
    options.perHost = 1;
    options.hostIntervalMs = 200;
    Run(8, options);
    for (int n = 0; n < 8; ++n) {
        EXPECT_EQ(table.Row(n).status, Found) << n;
    }
    const std::size_t bySocks = socks.Destinations().size();
    const std::size_t byHttp = http.Destinations().size();
    EXPECT_EQ(bySocks + byHttp, 8u);
    EXPECT_GE(bySocks, 3u);
    EXPECT_GE(byHttp, 3u);
    // Each exit keeps the registry's gap; together they ask it more often.
    // An accept is stamped when it returns, which a busy machine may delay
    // for one connection and not the next: 50 ms of slack.
    for (const FakeProxy* proxy : {&socks, &http}) {
        const auto times = proxy->AcceptTimes();
        for (std::size_t n = 1; n < times.size(); ++n) {
            EXPECT_GE(times[n] - times[n - 1], 150ms) << proxy->Url();
        }
    }
    EXPECT_LT(server.ShortestGapBetweenAccepts(), 150ms);
}

TEST_F(ExitBatch, AFailingProxyIsLeftAsideAndItsRowsGoToTheOther) {
    DeadPort dead;
    FakeProxy good(FakeProxy::Kind::Socks5);
    QueryOptions options;
    options.proxies = {dead.Url("socks5h"), good.Url()};
    Run(5, options);
    ExpectEveryRow(Found, FailReason::None);
    EXPECT_EQ(good.Destinations().size(), 5u);
}

TEST_F(ExitBatch, RowsFailAsProxyFailedWhenEveryProxyFails) {
    DeadPort one;
    FakeProxy refusing(FakeProxy::Kind::HttpConnect);
    refusing.SetRefusing(true);
    QueryOptions options;
    options.proxies = {one.Url("socks5h"), refusing.Url()};
    Run(3, options);
    ExpectEveryRow(Error, FailReason::ProxyFailed);
    EXPECT_EQ(server.ConnectionCount(), 0u);
}

// The registry's answer names a registrar server at a loopback address: the
// proxy (itself on loopback) is never asked to connect there.
TEST_F(ExitBatch, AReferralToALocalAddressIsRefusedThroughAProxy) {
    server.SetDefaultScript(FakeWhoisScript::Answer("Domain Name: NAME0.COM\r\n"
                                                    "Registrar WHOIS Server: 127.0.0.2\r\n"
                                                    "Registrar: Example Registrar, LLC\r\n"));
    FakeProxy proxy(FakeProxy::Kind::Socks5);
    QueryOptions options;
    options.proxies = {proxy.Url()};
    Run(1, options);
    EXPECT_EQ(table.Row(0).status, Found);
    const auto asked = proxy.Destinations();
    EXPECT_EQ(asked.size(), 1u);
    for (const std::string& destination : asked) {
        EXPECT_EQ(destination.rfind("127.0.0.2", 0), std::string::npos) << destination;
    }
}

} // namespace
