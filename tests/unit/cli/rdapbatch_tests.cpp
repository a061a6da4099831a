// SPDX-License-Identifier: MIT
// zentrix-batch choosing RDAP or port 43 per row, end to end: a fake HTTPS
// RDAP server with a throwaway CA, fake WHOIS registries and a fake
// whois.iana.org, all on loopback.

#include <arpa/inet.h>
#include <cctype>
#include <ctime>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <map>
#include <netinet/in.h>
#include <nlohmann/json.hpp>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

#include "childprocess.h"
#include "core/readfile.h"
#include "engine/domaintable.h"
#include "engine/rdap/rdapbootstrapstore.h"
#include "engine/whois/ianawhois.h"
#include "engine/whois/whoisservers.h"
#include "tests/support/fakeproxy.h"
#include "tests/support/fakerdapserver.h"
#include "tests/support/fakewhoisserver.h"
#include "tests/support/offlineregistry.h"
#include "tests/support/scratchdir.h"

namespace {

using namespace std::chrono_literals;
using testing::HasSubstr;
using Json = nlohmann::json;

constexpr auto kRunDeadline = 60s;

constexpr const char* kComRdap = "rdap.registry.test";
constexpr const char* kRegistrarRdap = "rdap.registrar.test";
constexpr const char* kOrgRdap = "rdap.org-registry.test";
constexpr const char* kDownRdap = "rdap.down.test";

std::string Fixture(const std::string& folder, const std::string& name) {
    std::string text;
    EXPECT_TRUE(ReadSmallFile(folder + "/" + name, text)) << name;
    return text;
}
std::string CliFixture(const std::string& name) {
    return Fixture(CLI_DATA_DIR, name);
}
std::string RdapFixture(const std::string& name) {
    return Fixture(RDAP_DATA_DIR, name);
}

// A loopback port nothing listens on: bound, then let go.
int ClosedPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    ::close(fd);
    return port;
}

std::string Upper(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

// The smallest domain object a registry sends: its name and two events.
std::string MinimalDomain(const std::string& name, const std::string& expiry) {
    return R"({"objectClassName":"domain","ldhName":")" + name +
           R"(","events":[{"eventAction":"registration","eventDate":"2015-01-02T03:04:05Z"},)"
           R"({"eventAction":"expiration","eventDate":")" +
           expiry + R"("}]})";
}

std::string ComWhoisAnswer(const std::string& name) {
    return "   Domain Name: " + name +
           "\r\n   Registrar: Port Names, Inc.\r\n"
           "   Creation Date: 2003-04-05T06:07:08Z\r\n"
           "   Registry Expiry Date: 2029-04-05T06:07:08Z\r\n"
           ">>> Last update of whois database: 2026-01-01T00:00:00Z <<<\r\n";
}

class RdapBatchTest : public testing::Test {
protected:
    RdapBatchTest() {
        WriteBytes(BootstrapPath(), "{\"version\":\"1.0\",\"publication\":\"2026-01-01T00:00:00Z\","
                                    "\"services\":[[[\"com\"],[\"https://" +
                                        std::string(kComRdap) +
                                        "/com/v1/\"]],"
                                        "[[\"org\"],[\"https://" +
                                        kOrgRdap + "/rdap/\"]],[[\"net\"],[\"https://" + kDownRdap +
                                        "/\"]]]}");
    }

    [[nodiscard]] std::string BootstrapPath() const { return dir.File("dns.json"); }
    [[nodiscard]] std::string ListPath() const { return dir.File("names.txt"); }

    [[nodiscard]] std::string ConnectTo() const {
        const std::string rdap = "127.0.0.1:" + std::to_string(rdapServer.port());
        std::vector<std::string> whoisHosts = FakeWhoisServer::AllEndpoints();
        whoisHosts.insert(whoisHosts.end(), {ServerIana, "whois.nic.io", "whois.nic.co",
                                             "whois.nic.uk", "whois.denic.de", "whois.nic.fr",
                                             "whois.tcinet.ru", "whois.nic.me", "whois.nic.us"});
        return std::string(kComRdap) + "=" + rdap + "," + kRegistrarRdap + "=" + rdap + "," +
               kOrgRdap + "=" + rdap + "," + kDownRdap +
               "=127.0.0.1:" + std::to_string(ClosedPort()) + "," + whois.ConnectToFor(whoisHosts);
    }

    // zentrix-batch over `names` with `extra` options; its JSON lines by domain.
    std::map<std::string, Json> RunBatch(const std::string& names,
                                         std::vector<std::string> extra = {}) {
        WriteBytes(ListPath(), names);
        ChildProcess::Setup setup;
        setup.args = {ZENTRIX_BATCH_PATH, "--quiet", "--format", "jsonl", "--raw"};
        if (refreshUrl.empty()) {
            setup.args.insert(setup.args.end(), {"--rdap-bootstrap", BootstrapPath()});
        }
        if (!caFromEnvironment) {
            setup.args.insert(setup.args.end(), {"--cacert", rdapServer.caFile()});
        }
        setup.args.insert(setup.args.end(), extra.begin(), extra.end());
        setup.args.push_back(ListPath());
        // Through the environment here, as a user's shell would set it.
        setup.env = {{"ZENTRIX_HOME", dir.path().string()},
                     {"ZENTRIX_CONNECT_TO", ConnectTo()},
                     {"ZENTRIX_BACKOFF_MS", "20"}};
        setup.env.insert(extraEnv.begin(), extraEnv.end());
        if (caFromEnvironment) {
            setup.env["ZENTRIX_CACERT"] = rdapServer.caFile();
        }
        if (!refreshUrl.empty()) {
            setup.env["ZENTRIX_RDAP_BOOTSTRAP_URL"] = refreshUrl;
        }
        ChildProcess child(setup);
        EXPECT_TRUE(child.WaitForExit(kRunDeadline)) << "zentrix-batch did not end";
        EXPECT_EQ(child.exitCode(), 0) << child.err();
        std::map<std::string, Json> rows;
        std::size_t start = 0;
        while (start < child.out().size()) {
            const std::size_t end = child.out().find('\n', start);
            const Json line = Json::parse(child.out().substr(start, end - start), nullptr, false);
            EXPECT_FALSE(line.is_discarded()) << child.out();
            if (line.is_object()) {
                rows[line.value("domain", "")] = line;
            }
            start = end == std::string::npos ? child.out().size() : end + 1;
        }
        return rows;
    }

    // A .com name whose registry links to its registrar's answer, and a
    // .org name, both answered over RDAP.
    void AnswerOverRdap() {
        rdapServer.SetReply("/com/v1/domain/lanternfish-trading.com",
                            FakeRdapReply::Json(200, RdapFixture("registry-thin.json")));
        rdapServer.SetReply("/rdap/domain/LANTERNFISH-TRADING.COM",
                            FakeRdapReply::Json(200, RdapFixture("registrar-full.json")));
        rdapServer.SetReply("/rdap/domain/quiet-harbor.org",
                            FakeRdapReply::Json(200, CliFixture("org-registry.json")));
    }

    [[nodiscard]] std::size_t RdapRequestsTo(const std::string& target) const {
        std::size_t count = 0;
        for (const FakeRdapRequest& request : rdapServer.Requests()) {
            count += request.target == target ? 1 : 0;
        }
        return count;
    }

    bool caFromEnvironment = false;
    std::map<std::string, std::string> extraEnv;
    std::string refreshUrl; // set: no bootstrap file, the cache is refreshed from here
    ScratchDir dir;
    FakeRdapServer rdapServer{{kComRdap, kRegistrarRdap, kOrgRdap}};
    FakeWhoisServer whois;
};

struct Expected {
    const char* domain;
    int status;
    const char* protocol;
    const char* server;
    const char* expiry;
    const char* created;
    const char* registrar;
    const char* owner;
    const char* error;
};

void ExpectRows(const std::map<std::string, Json>& rows, const std::vector<Expected>& expected) {
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.domain);
        const auto found = rows.find(e.domain);
        ASSERT_NE(found, rows.end());
        const Json& row = found->second;
        EXPECT_EQ(row.value("status", -1), e.status);
        EXPECT_EQ(row.value("protocol", "?"), e.protocol);
        EXPECT_EQ(row.value("whoisServer", "?"), e.server);
        EXPECT_EQ(row.value("expiryDate", "?"), e.expiry);
        EXPECT_EQ(row.value("createdDate", "?"), e.created);
        EXPECT_EQ(row.value("registrar", "?"), e.registrar);
        EXPECT_EQ(row.value("owner", "?"), e.owner);
        EXPECT_EQ(row.value("error", "?"), e.error);
    }
}

// An RDAP answer's values longer than the row's fields, and in a script GBK
// lacks, come out whole.
TEST_F(RdapBatchTest, ValuesComeOutWhole) {
    const std::string owner = "บริษัท ท่าเรือ จำกัด";
    const std::string email = std::string(183, 'q') + "@harbor-rdap.test"; // 200 bytes
    ASSERT_EQ(email.size(), 200u);
    rdapServer.SetReply(
        "/com/v1/domain/siam-harbor.com",
        FakeRdapReply::Json(
            200, R"({"objectClassName":"domain","ldhName":"SIAM-HARBOR.COM","events":[)"
                 R"({"eventAction":"expiration","eventDate":"2031-05-06T00:00:00Z"}],)"
                 R"("entities":[{"roles":["registrant"],"vcardArray":["vcard",[["fn",{},"text",")" +
                     owner + R"("],["email",{},"text",")" + email + R"("]]]}]})"));
    const auto rows = RunBatch("siam-harbor.com\n");
    const auto found = rows.find("siam-harbor.com");
    ASSERT_NE(found, rows.end());
    EXPECT_EQ(found->second.value("owner", ""), owner);
    EXPECT_EQ(found->second.value("email", ""), email);
    EXPECT_EQ(found->second.value("expiryDate", ""), "2031-05-06");
}

TEST_F(RdapBatchTest, AutoAsksRdapAndFallsBackToPort43WhenItCannot) {
    AnswerOverRdap();
    rdapServer.SetReply("/com/v1/domain/open-berth.com",
                        FakeRdapReply::Json(404, R"({"errorCode":404,"title":"Not Found"})"));
    rdapServer.SetReplySequence(
        "/com/v1/domain/busy-dock.com",
        {FakeRdapReply::Status(429).WithHeader("Retry-After", "0"), FakeRdapReply::Status(429),
         FakeRdapReply::Json(200, MinimalDomain("BUSY-DOCK.COM", "2028-09-10T00:00:00Z"))});
    rdapServer.SetReply("/com/v1/domain/swamped-dock.com",
                        FakeRdapReply::Status(429).WithHeader("Retry-After", "0"));
    rdapServer.SetReply("/com/v1/domain/broken-pier.com", FakeRdapReply::Status(503));
    rdapServer.SetReply("/com/v1/domain/teapot-pier.com", FakeRdapReply::Status(418));
    rdapServer.SetReply("/com/v1/domain/garbled-pier.com",
                        FakeRdapReply::Json(200, "{\"objectClassName\":"));
    whois.SetScript("broken-pier.com", FakeWhoisScript::Answer(ComWhoisAnswer("BROKEN-PIER.COM")));
    whois.SetScript("far-away.net", FakeWhoisScript::Answer(ComWhoisAnswer("FAR-AWAY.NET")));
    whois.SetScript("further-away.net",
                    FakeWhoisScript::Answer("No match for \"FURTHER-AWAY.NET\".\r\n"));
    whois.SetScript("farthest-away.net",
                    FakeWhoisScript::Answer("No match for \"FARTHEST-AWAY.NET\".\r\n"));

    const auto rows =
        RunBatch("lanternfish-trading.com\nquiet-harbor.org\nopen-berth.com\n"
                 "busy-dock.com\nswamped-dock.com\nbroken-pier.com\nteapot-pier.com\n"
                 "garbled-pier.com\nfar-away.net\nfurther-away.net\nfarthest-away.net\n");
    ExpectRows(rows,
               {
                   // A thin registry, then the registrar's answer for the registrant.
                   {"lanternfish-trading.com", 1, "rdap", kComRdap, "2027-04-17", "2009-04-17",
                    "Harbor Names, Inc.", "Lanternfish Trading Ltd", ""},
                   // A redacted name gives way to the published organisation.
                   {"quiet-harbor.org", 1, "rdap", kOrgRdap, "2027-06-02", "2011-06-02",
                    "Quay Registrar GmbH", "Quiet Harbor Foundation", ""},
                   {"open-berth.com", 2, "rdap", kComRdap, "", "", "", "", ""},
                   {"busy-dock.com", 1, "rdap", kComRdap, "2028-09-10", "2015-01-02", "", "", ""},
                   {"swamped-dock.com", 3, "rdap", kComRdap, "", "", "", "", "rate limited"},
                   {"broken-pier.com", 1, "whois", ServerComNet, "2029-04-05", "2003-04-05",
                    "Port Names, Inc.", "", ""},
                   {"teapot-pier.com", 3, "rdap", kComRdap, "", "", "", "", "query refused"},
                   {"garbled-pier.com", 3, "rdap", kComRdap, "", "", "", "", "malformed answer"},
                   // Nobody listens at the RDAP server's address.
                   {"far-away.net", 1, "whois", ServerComNet, "2029-04-05", "2003-04-05",
                    "Port Names, Inc.", "", ""},
                   // Known to be down: straight to port 43, the lane's place given back.
                   {"further-away.net", 2, "whois", ServerComNet, "", "", "", "", ""},
                   {"farthest-away.net", 2, "whois", ServerComNet, "", "", "", "", ""},
               });
    EXPECT_EQ(RdapRequestsTo("/com/v1/domain/busy-dock.com"), 3u);
    EXPECT_EQ(RdapRequestsTo("/com/v1/domain/swamped-dock.com"), 4u) << "three retries, no more";
    EXPECT_EQ(RdapRequestsTo("/com/v1/domain/open-berth.com"), 1u) << "a 404 is an answer";
    // --raw keeps the JSON text of an RDAP answer.
    EXPECT_THAT(rows.at("quiet-harbor.org").value("raw", ""),
                HasSubstr("\"ldhName\": \"quiet-harbor.org\""));
    for (const FakeRdapRequest& request : rdapServer.Requests()) {
        EXPECT_EQ(request.sni, request.host) << "connect-to keeps the name for TLS";
        EXPECT_EQ(request.headers.count("accept"), 1u);
    }
    // One connection per RDAP host for the whole batch, not one per row.
    EXPECT_LE(rdapServer.ConnectionCount(), 3u);
}

TEST_F(RdapBatchTest, ProtocolChoiceDecidesWhoIsAsked) {
    rdapServer.SetReply("/com/v1/domain/lanternfish-trading.com",
                        FakeRdapReply::Json(200, RdapFixture("registry-thin.json")));
    whois.SetScript("lanternfish-trading.com",
                    FakeWhoisScript::Answer(ComWhoisAnswer("LANTERNFISH-TRADING.COM")));
    whois.SetScript("lanting-example.cn",
                    FakeWhoisScript::Answer("Domain Name: lanting-example.cn\r\n"
                                            "Registration Time: 2004-05-06 07:08:09\r\n"
                                            "Expiration Time: 2030-05-06 07:08:09\r\n"));
    const std::string list = "lanternfish-trading.com\nlanting-example.cn\n";

    const auto whoisOnly = RunBatch(list, {"--protocol", "whois"});
    ExpectRows(whoisOnly, {{"lanternfish-trading.com", 1, "whois", ServerComNet, "2029-04-05",
                            "2003-04-05", "Port Names, Inc.", "", ""},
                           {"lanting-example.cn", 1, "whois", ServerCn, "2030-05-06", "2004-05-06",
                            "", "", ""}});
    EXPECT_EQ(rdapServer.Requests().size(), 0u);

    // No RDAP for .cn: with rdap only, the row has no server.
    const auto rdapOnly = RunBatch(list, {"--protocol=rdap"});
    ExpectRows(rdapOnly, {{"lanternfish-trading.com", 1, "rdap", kComRdap, "2027-04-17",
                           "2009-04-17", "Harbor Names, Inc.", "", ""},
                          {"lanting-example.cn", 0, "", "", "", "", "", "", "no server"}});
}

TEST_F(RdapBatchTest, RdapOnlyNeverFallsBack) {
    rdapServer.SetReply("/com/v1/domain/broken-pier.com", FakeRdapReply::Status(503));
    caFromEnvironment = true;
    const auto rows = RunBatch("broken-pier.com\nfar-away.net\n", {"--protocol", "rdap"});
    ExpectRows(rows,
               {{"broken-pier.com", 3, "rdap", kComRdap, "", "", "", "", "query refused"},
                {"far-away.net", 3, "rdap", kDownRdap, "", "", "", "", "connection refused"}});
    EXPECT_EQ(whois.ConnectionCount(), 0u);
}

// Names outside the suffix table and the bootstrap: IANA names their port-43
// server once per TLD, and the generic recipe reads today's layouts.
TEST_F(RdapBatchTest, OtherTldsGetTheirServerFromIana) {
    const struct {
        const char* tld;
        const char* server;
    } servers[] = {{"io", "whois.nic.io"},   {"co", "whois.nic.co"}, {"uk", "whois.nic.uk"},
                   {"de", "whois.denic.de"}, {"fr", "whois.nic.fr"}, {"ru", "whois.tcinet.ru"},
                   {"me", "whois.nic.me"},   {"us", "whois.nic.us"}};
    for (const auto& s : servers) {
        whois.SetScript(s.tld,
                        FakeWhoisScript::Answer(IanaAnswer(Upper(s.tld), s.server, s.server)));
    }
    whois.SetScript("zz", FakeWhoisScript::Answer(IanaAnswer("ZZ", "", "")));
    const auto gtldStyle = [](const std::string& name, const std::string& expiry) {
        return "Domain Name: " + name +
               "\r\nRegistry Domain ID: 1234_DOMAIN-TEST\r\nRegistrar: Kelp Names LLC\r\n"
               "Updated Date: 2025-02-03T04:05:06Z\r\nCreation Date: 2016-02-11T09:30:00Z\r\n"
               "Registry Expiry Date: " +
               expiry +
               "\r\nRegistrant Organization: Tidepool Labs\r\n"
               ">>> Last update of WHOIS database: 2026-01-01T00:00:00Z <<<\r\n";
    };
    whois.SetScript("tidepool.io",
                    FakeWhoisScript::Answer(gtldStyle("tidepool.io", "2027-02-11T09:30:00Z")));
    whois.SetScript("tidepool.co",
                    FakeWhoisScript::Answer(gtldStyle("TIDEPOOL.CO", "2026-11-30T23:59:59Z")));
    whois.SetScript("tidepool.me",
                    FakeWhoisScript::Answer(gtldStyle("TIDEPOOL.ME", "2028-01-15T12:00:00Z")));
    whois.SetScript("tidepool.us",
                    FakeWhoisScript::Answer(gtldStyle("tidepool.us", "2027-07-04T23:59:59Z")));
    whois.SetScript("empty-cove.io",
                    FakeWhoisScript::Answer("Domain not found.\r\n\r\n>>> Last update of WHOIS "
                                            "database: 2026-01-01T00:00:00Z <<<\r\n"));
    whois.SetScript("tidepool.co.uk",
                    FakeWhoisScript::Answer("\r\n    Domain name:\r\n        tidepool.co.uk\r\n\r\n"
                                            "    Registrar:\r\n        Kelp Names Ltd [Tag = "
                                            "KELP]\r\n\r\n    Relevant dates:\r\n"
                                            "        Registered on: 03-Apr-2012\r\n"
                                            "        Expiry date:  03-Apr-2027\r\n"
                                            "        Last updated:  01-Mar-2025\r\n\r\n"));
    whois.SetScript("empty-cove.co.uk",
                    FakeWhoisScript::Answer("\r\n    This domain name has not been registered.\r\n"
                                            "\r\n    Looked up at 10:00:00 01-Jan-2026\r\n"));
    whois.SetScript("tidepool.de", FakeWhoisScript::Answer("Domain: tidepool.de\nNserver: "
                                                           "ns1.tidepool.de\nStatus: connect\n"
                                                           "Changed: 2024-07-01T10:00:00+02:00\n"));
    whois.SetScript("empty-cove.de",
                    FakeWhoisScript::Answer("Domain: empty-cove.de\nStatus: free\n"));
    whois.SetScript("tidepool.fr",
                    FakeWhoisScript::Answer("%%\n%% Registry WHOIS service, test copy.\n%%\n\n"
                                            "domain:                        tidepool.fr\n"
                                            "status:                        ACTIVE\n"
                                            "registrar:                     KELP NAMES\n"
                                            "Expiry Date:                   2027-08-14T10:00:00Z\n"
                                            "created:                       2010-08-14T10:00:00Z\n"
                                            "source:                        TEST\n"));
    whois.SetScript("tidepool.ru",
                    FakeWhoisScript::Answer(
                        "% Registry WHOIS service, test copy.\n\ndomain:        TIDEPOOL.RU\n"
                        "state:         REGISTERED, DELEGATED, VERIFIED\n"
                        "org:           Tidepool LLC\n"
                        "registrar:     KELP-RU\n"
                        "created:       2009-05-12T20:00:00Z\n"
                        "paid-till:     2026-05-12T21:00:00Z\n"
                        "source:        TEST\n"));
    whois.SetScript(
        "empty-cove.ru",
        FakeWhoisScript::Answer("% Registry WHOIS service, test copy.\n\nNo entries found for the "
                                "selected source(s).\n"));

    const std::string list = "tidepool.io\nempty-cove.io\ntidepool.co\ntidepool.co.uk\n"
                             "empty-cove.co.uk\ntidepool.de\nempty-cove.de\ntidepool.fr\n"
                             "tidepool.ru\nempty-cove.ru\ntidepool.me\ntidepool.us\nnowhere.zz\n";
    const auto rows = RunBatch(list);
    const struct {
        const char* domain;
        int status;
        const char* server;
        const char* expiry;
    } cases[] = {
        {"tidepool.io", 1, "whois.nic.io", "2027-02-11"},
        {"empty-cove.io", 2, "whois.nic.io", ""},
        {"tidepool.co", 1, "whois.nic.co", "2026-11-30"},
        {"tidepool.co.uk", 1, "whois.nic.uk", "2027-04-03"},
        {"empty-cove.co.uk", 2, "whois.nic.uk", ""},
        {"tidepool.de", 1, "whois.denic.de", ""}, // DENIC publishes no expiry
        {"empty-cove.de", 2, "whois.denic.de", ""},
        {"tidepool.fr", 1, "whois.nic.fr", "2027-08-14"},
        {"tidepool.ru", 1, "whois.tcinet.ru", "2026-05-12"},
        {"empty-cove.ru", 2, "whois.tcinet.ru", ""},
        {"tidepool.me", 1, "whois.nic.me", "2028-01-15"},
        {"tidepool.us", 1, "whois.nic.us", "2027-07-04"},
        {"nowhere.zz", 0, "", ""}, // IANA names no port-43 server
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.domain);
        ASSERT_EQ(rows.count(c.domain), 1u);
        const Json& row = rows.at(c.domain);
        EXPECT_EQ(row.value("status", -1), c.status) << row.value("raw", "");
        EXPECT_EQ(row.value("whoisServer", "?"), c.server);
        EXPECT_EQ(row.value("expiryDate", "?"), c.expiry);
        EXPECT_EQ(row.value("protocol", "?"), c.status == 0 ? "" : "whois");
    }
    EXPECT_EQ(rows.at("tidepool.ru").value("owner", ""), "Tidepool LLC");

    // IANA was asked once per TLD, and its answers are kept for the next batch.
    std::map<std::string, int> asked;
    for (const std::string& bytes : whois.ReceivedBytes()) {
        ++asked[bytes];
    }
    EXPECT_EQ(asked["io\r\n"], 1);
    EXPECT_EQ(asked["uk\r\n"], 1);
    EXPECT_EQ(asked["zz\r\n"], 1);
    const std::string cache = ReadBytes(dir.File(kIanaWhoisCacheName));
    EXPECT_THAT(cache, HasSubstr("io whois.nic.io "));
    EXPECT_THAT(cache, HasSubstr("zz none "));
    const auto again = RunBatch("tidepool.io\n");
    EXPECT_EQ(again.at("tidepool.io").value("status", -1), 1);
    std::size_t ianaQuestions = 0;
    for (const std::string& bytes : whois.ReceivedBytes()) {
        ianaQuestions += bytes == "io\r\n" ? 1 : 0;
    }
    EXPECT_EQ(ianaQuestions, 1u) << "the cached answer is used";
}

// A server IANA names that means this machine is never asked, whatever its
// spelling; the row fails as a refused referral does. Mapped by connect-to,
// a name is asked as usual (the other tests).
TEST_F(RdapBatchTest, IanaNamingThisMachineIsRefused) {
    whois.SetScript("ly", FakeWhoisScript::Answer(IanaAnswer("LY", "", "localhost")));
    whois.SetScript("ky", FakeWhoisScript::Answer(IanaAnswer("KY", "127.0.0.2", "")));
    whois.SetScript("mm", FakeWhoisScript::Answer(IanaAnswer("MM", "", "0x7f000001")));
    // A cache edited by hand to name a loopback address is not believed.
    WriteBytes(dir.File(kIanaWhoisCacheName),
               "mm 127.0.0.1 " + std::to_string(std::time(nullptr)) + "\n");
    const auto rows = RunBatch("tidepool.ly\ntidepool.ky\ntidepool.mm\nother.mm\n");
    for (const char* domain : {"tidepool.ly", "tidepool.ky", "tidepool.mm", "other.mm"}) {
        SCOPED_TRACE(domain);
        ASSERT_EQ(rows.count(domain), 1u);
        const Json& row = rows.at(domain);
        EXPECT_EQ(row.value("status", -1), 3);
        EXPECT_EQ(row.value("whoisServer", "?"), ServerIana);
        EXPECT_EQ(row.value("error", "?"), "referral refused");
    }
    // IANA alone was asked, once per TLD.
    std::map<std::string, int> asked;
    for (const std::string& bytes : whois.ReceivedBytes()) {
        ++asked[bytes];
    }
    EXPECT_EQ(asked, (std::map<std::string, int>{{"ky\r\n", 1}, {"ly\r\n", 1}, {"mm\r\n", 1}}));
}

// Without a bootstrap file the cached copy in the data folder is used,
// fetched when missing and refreshed at most once a day.
TEST_F(RdapBatchTest, BootstrapIsFetchedIntoTheDataFolderOnceADay) {
    const std::string path = "/bootstrap/dns.json";
    rdapServer.SetReply(
        path, FakeRdapReply::Json(200, ReadBytes(BootstrapPath())).WithHeader("ETag", "\"first\""));
    rdapServer.SetReply("/com/v1/domain/open-berth.com", FakeRdapReply::Status(404));
    refreshUrl = std::string("https://") + kComRdap + path;

    for (const char* run : {"fetched", "cached"}) {
        SCOPED_TRACE(run);
        const auto rows = RunBatch("open-berth.com\n");
        ASSERT_EQ(rows.count("open-berth.com"), 1u);
        EXPECT_EQ(rows.at("open-berth.com").value("protocol", ""), "rdap");
        EXPECT_EQ(rows.at("open-berth.com").value("status", -1), NotRegistered);
        EXPECT_EQ(RdapRequestsTo(path), 1u);
    }
    EXPECT_EQ(ReadBytes(dir.File(kRdapBootstrapCacheName)), ReadBytes(BootstrapPath()));
}

TEST_F(RdapBatchTest, UnusableFilesStopTheBatchBeforeAnyQuestion) {
    WriteBytes(ListPath(), "lanternfish-trading.com\n");
    WriteBytes(dir.File("bad.json"), "{\"services\": 3}");
    WriteBytes(dir.File("bad.pem"), "not a certificate\n");
    const struct {
        const char* name;
        std::vector<std::string> args;
        const char* complaint;
    } cases[] = {
        {"bootstrap", {"--rdap-bootstrap", dir.File("bad.json")}, "RDAP bootstrap"},
        {"missing bootstrap", {"--rdap-bootstrap", dir.File("none.json")}, "RDAP bootstrap"},
        {"CA", {"--cacert", dir.File("bad.pem")}, "CA file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ChildProcess::Setup setup;
        setup.args = {ZENTRIX_BATCH_PATH, "-q"};
        setup.args.insert(setup.args.end(), c.args.begin(), c.args.end());
        setup.args.push_back(ListPath());
        setup.env = {{"ZENTRIX_HOME", dir.path().string()}, {"ZENTRIX_CONNECT_TO", ConnectTo()}};
        ChildProcess child(setup);
        ASSERT_TRUE(child.WaitForExit(kRunDeadline));
        EXPECT_EQ(child.exitCode(), 1);
        EXPECT_THAT(child.err(), HasSubstr(c.complaint));
        EXPECT_EQ(child.out(), "");
    }
    EXPECT_EQ(rdapServer.Requests().size(), 0u);
    EXPECT_EQ(whois.ConnectionCount(), 0u);
}

// RDAP, a registrar's link and the fall-back to port 43 through two proxies
// of different kinds; each is asked for the addresses --connect-to maps, and
// the environment's proxy is left alone.
TEST_F(RdapBatchTest, RowsGoThroughTheProxiesAtTheMappedAddresses) {
    AnswerOverRdap();
    whois.SetScript("far-away.net", FakeWhoisScript::Answer(ComWhoisAnswer("FAR-AWAY.NET")));
    FakeProxy socks(FakeProxy::Kind::Socks5);
    FakeProxy http(FakeProxy::Kind::HttpConnect);
    FakeProxy environment(FakeProxy::Kind::HttpConnect);
    for (const char* name : {"http_proxy", "https_proxy", "ALL_PROXY"}) {
        extraEnv[name] = environment.Url();
    }
    const auto rows = RunBatch("lanternfish-trading.com\nquiet-harbor.org\nfar-away.net\n",
                               {"--proxy", socks.Url(), "--proxy=" + http.Url()});
    ExpectRows(rows, {
                         {"lanternfish-trading.com", 1, "rdap", kComRdap, "2027-04-17",
                          "2009-04-17", "Harbor Names, Inc.", "Lanternfish Trading Ltd", ""},
                         {"quiet-harbor.org", 1, "rdap", kOrgRdap, "2027-06-02", "2011-06-02",
                          "Quay Registrar GmbH", "Quiet Harbor Foundation", ""},
                         {"far-away.net", 1, "whois", ServerComNet, "2029-04-05", "2003-04-05",
                          "Port Names, Inc.", "", ""},
                     });
    std::vector<std::string> asked = socks.Destinations();
    const std::vector<std::string> byHttp = http.Destinations();
    asked.insert(asked.end(), byHttp.begin(), byHttp.end());
    EXPECT_GE(asked.size(), 5u) << "three registries, a registrar, a refused RDAP server";
    for (const std::string& destination : asked) {
        EXPECT_EQ(destination.rfind("127.0.0.1:", 0), 0u) << destination;
    }
    EXPECT_EQ(environment.ConnectionCount(), 0u);
}

TEST_F(RdapBatchTest, EveryProxyFailingEndsRowsAsProxyFailed) {
    FakeProxy refusing(FakeProxy::Kind::Socks5);
    refusing.SetRefusing(true);
    const auto rows = RunBatch("lanternfish-trading.com\nfar-away.net\n",
                               {"--proxy", refusing.Url(), "--proxy",
                                "socks5h://127.0.0.1:" + std::to_string(ClosedPort())});
    ExpectRows(rows,
               {
                   {"lanternfish-trading.com", 3, "rdap", kComRdap, "", "", "", "", "proxy failed"},
                   {"far-away.net", 3, "rdap", kDownRdap, "", "", "", "", "proxy failed"},
               });
    EXPECT_EQ(rdapServer.ConnectionCount(), 0u);
    EXPECT_EQ(whois.ConnectionCount(), 0u);
}

} // namespace
