// SPDX-License-Identifier: MIT
// The real zentrix-batch against the fake server, scored on real registry
// answers: every capture under the shared reference folder (read at run
// time, never copied into the project) is served as a registry's answer, or
// as the registrar's answer a referral reaches, and the row it gives is
// compared with a hand-written expectation. Skipped where the folder is not.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "childprocess.h"
#include "engine/net/referralguard.h"
#include "engine/whois/whoisservers.h"
#include "tests/support/fakewhoisserver.h"
#include "tests/support/scratchdir.h"

namespace {

using namespace std::chrono_literals;

const std::filesystem::path kAnswers = ZENTRIX_SHARED_ANSWERS_DIR;

enum class Layout { Today, Older };

struct Expected {
    int status;
    const char* expiry;
    const char* created;
    const char* registrar;
    const char* registrant;
};

struct ScoreCase {
    const char* name;
    Layout layout;
    const char* domain;   // the name asked
    const char* registry; // file served as the registry's answer ("" for the stub below)
    const char* referral; // file served to the referral, "" for none
    Expected want;
};

constexpr int kFound = 1;
constexpr int kFree = 2;
constexpr int kError = 3;
constexpr Expected kNotRegistered{kFree, "", "", "", ""};
constexpr Expected kRefused{kError, "", "", "", ""};

// A registry answer of our own that points at a registrar's server, for the
// registrar captures that come without their registry's answer.
const std::string kGodaddyStub = "   Domain Name: GODADDY.COM\r\n"
                                 "   Registrar WHOIS Server: whois.godaddy.com\r\n";

const std::vector<ScoreCase> kCases = {
    // .biz
    {"biz-2018",
     Layout::Today,
     "google.biz",
     "biz/current-registered-google-biz-2018.txt",
     "",
     {kFound, "2018-03-26", "2002-03-27", "MarkMonitor, Inc.", "DNS Admin"}},
    {"biz-2018-free", Layout::Today, "free-2018.biz", "biz/current-notregistered-2018.txt", "",
     kNotRegistered},
    {"biz-2009",
     Layout::Older,
     "google.biz",
     "biz/old-registered-google-biz-2009.txt",
     "",
     {kFound, "2010-03-26", "2002-03-27", "MARKMONITOR, INC.", "DNS Admin"}},
    {"biz-2009-free", Layout::Older, "free-2009.biz", "biz/old-notregistered-2009.txt", "",
     kNotRegistered},
    // .cc: the registry's answer points at the registrar's server.
    {"cc-2017-with-registrar",
     Layout::Today,
     "google.cc",
     "cc/current-registered-google-cc-2017.txt",
     "cc/registrar-markmonitor-google-cc-2017.txt",
     {kFound, "2018-06-06", "1999-06-07", "MarkMonitor, Inc.", "DNS Admin"}},
    {"cc-2022-free", Layout::Today, "free-2022.cc", "cc/current-notregistered-2022.txt", "",
     kNotRegistered},
    {"cc-2009",
     Layout::Older,
     "google.cc",
     "cc/old-registered-google-cc-2009.txt",
     "",
     {kFound, "2010-06-07", "1999-06-07", "MARKMONITOR INC.", ""}},
    {"cc-2009-free", Layout::Older, "free-2009.cc", "cc/old-notregistered-2009.txt", "",
     kNotRegistered},
    // .cn
    {"cn-2026",
     Layout::Today,
     "google.cn",
     "cn/current-registered-google-cn-2026.txt",
     "",
     {kFound, "2027-03-17", "2003-03-17", "厦门易名科技股份有限公司", "北京谷翔信息技术有限公司"}},
    {"cn-2021-free", Layout::Today, "free-2021.cn", "cn/current-notregistered-2021.txt", "",
     kNotRegistered},
    {"cn-2015",
     Layout::Older,
     "google.cn",
     "cn/mid-registered-google-cn-2015.txt",
     "",
     {kFound, "2017-03-17", "2003-03-17", "MarkMonitor Inc.", "Google Ireland Holdings"}},
    {"cn-2010",
     Layout::Older,
     "google.cn",
     "cn/old-registered-google-cn-2010.txt",
     "",
     {kFound, "2012-03-17", "2003-03-17", "MarkMonitor, Inc.", "Google Ireland Holdings"}},
    {"cn-2011-utf8",
     Layout::Older,
     "concordecals.com.cn",
     "cn/old-registered-utf8-concordecals-com-cn-2011.txt",
     "",
     {kFound, "2013-03-06", "2002-03-06", "北京新网互联科技有限公司",
      "康科陶艺制造（深圳）有限公司"}},
    {"cn-2010-free", Layout::Older, "free-2010.cn", "cn/old-notregistered-2010.txt", "",
     kNotRegistered},
    // .com/.net: the registry's answer alone when the registrar refuses, then
    // with the registrar's answer.
    {"com-2017-registrar-refuses",
     Layout::Today,
     "google.com",
     "comnet/current-registered-google-com-2017.txt",
     "comnet/registrar-markmonitor-throttled-2014.txt",
     {kFound, "2020-09-14", "1997-09-15", "MarkMonitor Inc.", ""}},
    {"com-2017-with-registrar-2019",
     Layout::Today,
     "google.com",
     "comnet/current-registered-google-com-2017.txt",
     "comnet/registrar-markmonitor-google-com-2019.txt",
     {kFound, "2028-09-13", "1997-09-15", "MarkMonitor, Inc.", "Google LLC"}},
    {"godaddy-2017-registrar",
     Layout::Today,
     "godaddy.com",
     "",
     "comnet/registrar-godaddy-godaddy-com-2017.txt",
     {kFound, "2021-11-01", "1999-03-02", "GoDaddy.com, LLC", "Go Daddy Operating Company, LLC"}},
    {"com-throttled", Layout::Today, "throttled.com",
     "comnet/registrar-markmonitor-throttled-2014.txt", "", kRefused},
    {"com-2022-free", Layout::Today, "free-2022.com", "comnet/current-notregistered-2022.txt", "",
     kNotRegistered},
    {"net-2009-with-registrar-2011",
     Layout::Older,
     "google.net",
     "comnet/old-registered-google-net-2009.txt",
     "comnet/registrar-markmonitor-google-net-2011.txt",
     {kFound, "2012-03-14", "1999-03-15", "Markmonitor.com", "DNS Admin"}},
    {"godaddy-2011-registrar",
     Layout::Older,
     "godaddy.com",
     "",
     "comnet/registrar-godaddy-godaddy-com-2011.txt",
     {kFound, "2019-03-02", "1999-03-02", "GoDaddy.com, Inc. (http://www.godaddy.com)",
      "GoDaddy.com, Inc."}},
    {"com-2010-many-records",
     Layout::Older,
     "google.com",
     "comnet/old-registered-multimatch-google-com-2010.txt",
     "",
     {kFound, "2011-09-14", "1997-09-15", "MARKMONITOR INC.", ""}},
    {"net-2011-no-referral",
     Layout::Older,
     "vrsn-20100925-dnssecmonitor86.net",
     "comnet/old-registered-no-whois-server-2011.txt",
     "",
     {kFound, "2011-09-25", "2010-09-25", "VERISIGN GLOBAL REGISTRY SERVICES TEST", ""}},
    {"com-2011-database-down", Layout::Older, "down.com", "comnet/old-unavailable-2011.txt", "",
     kRefused},
    {"net-2009-free", Layout::Older, "free-2009.net", "comnet/old-notregistered-2009.txt", "",
     kNotRegistered},
    // .edu
    {"edu-2026",
     Layout::Today,
     "mit.edu",
     "edu/current-registered-mit-edu-2026.txt",
     "",
     {kFound, "2027-07-31", "1985-05-23", "N/A", "Massachusetts Institute of Technology"}},
    {"edu-2022-free", Layout::Today, "free-2022.edu", "edu/current-notregistered-2022.txt", "",
     kNotRegistered},
    {"edu-2009",
     Layout::Older,
     "educause.edu",
     "edu/old-registered-educause-edu-2009.txt",
     "",
     {kFound, "2010-07-31", "1998-03-11", "N/A", "EDUCAUSE"}},
    {"edu-2009-free", Layout::Older, "free-2009.edu", "edu/old-notregistered-2009.txt", "",
     kNotRegistered},
    // .hk
    {"hk-2026",
     Layout::Today,
     "google.hk",
     "hk/current-registered-google-hk-2026.txt",
     "",
     {kFound, "2027-03-31", "2004-04-06", "MARKMONITOR INC.", "GOOGLE LLC"}},
    {"hk-2019",
     Layout::Today,
     "google.hk",
     "hk/current-registered-google-hk-2019.txt",
     "",
     {kFound, "2020-03-31", "2004-04-06", "MARKMONITOR INC.", "GOOGLE LLC"}},
    {"hk-2022-free", Layout::Today, "free-2022.hk", "hk/current-notregistered-2022.txt", "",
     kNotRegistered},
    {"hk-2010",
     Layout::Older,
     "google.hk",
     "hk/old-registered-google-hk-2010.txt",
     "",
     {kFound, "2011-03-31", "2004-04-06", "HKDNR", "GOOGLE INC."}},
    {"hk-2010-free", Layout::Older, "free-2010.hk", "hk/old-notregistered-2010.txt", "",
     kNotRegistered},
    // .info
    {"info-2018",
     Layout::Today,
     "google.info",
     "info/current-registered-google-info-2018.txt",
     "",
     {kFound, "2018-07-31", "2001-07-31", "MarkMonitor Inc.", "DNS Admin"}},
    {"info-2019-free", Layout::Today, "free-2019.info", "info/current-notregistered-2019.txt", "",
     kNotRegistered},
    {"info-2022-free", Layout::Today, "free-2022.info", "info/current-notregistered-2022.txt", "",
     kNotRegistered},
    {"info-2014",
     Layout::Older,
     "google.info",
     "info/mid-registered-google-info-2014.txt",
     "",
     {kFound, "2014-07-31", "2001-07-31", "MarkMonitor Inc. (R151-LRMS)", "DNS Admin"}},
    {"info-2009",
     Layout::Older,
     "google.info",
     "info/old-registered-google-info-2009.txt",
     "",
     {kFound, "2010-07-31", "2001-07-31", "Markmonitor Inc. (R151-LRMS)", "DNS Admin"}},
    {"info-2009-free", Layout::Older, "free-2009.info", "info/old-notregistered-2009.txt", "",
     kNotRegistered},
    // .jp: English, Japanese (UTF-8) and an organisation's name.
    {"jp-2017-english",
     Layout::Today,
     "google.jp",
     "jp/current-registered-en-google-jp-2017.txt",
     "",
     {kFound, "2018-05-31", "2005-05-30", "N/A", "Google Inc."}},
    {"jp-2026-japanese",
     Layout::Today,
     "google.jp",
     "jp/current-registered-ja-utf8-google-jp-2026.txt",
     "",
     {kFound, "2027-05-31", "2005-05-30", "N/A", "Google LLC"}},
    {"jp-2026-organisation",
     Layout::Today,
     "u-tokyo.ac.jp",
     "jp/current-registered-ja-utf8-u-tokyo-ac-jp-2026.txt",
     "",
     {kFound, "2027-03-31", "2020-06-08", "N/A", "東京大学"}},
    {"jp-2026-free", Layout::Today, "free-2026.jp", "jp/current-notregistered-ja-utf8-2026.txt", "",
     kNotRegistered},
    {"jp-2010-english",
     Layout::Older,
     "google.jp",
     "jp/old-registered-en-google-jp-2010.txt",
     "",
     {kFound, "2010-05-31", "2005-05-30", "N/A", "Google Inc"}},
    {"jp-2010-organisation",
     Layout::Older,
     "google.ne.jp",
     "jp/old-registered-en-google-ne-jp-2010.txt",
     "",
     {kFound, "2010-09-30", "2003-09-11", "N/A", "Google Inc."}},
    {"jp-2010-free", Layout::Older, "free-2010.jp", "jp/old-notregistered-en-2010.txt", "",
     kNotRegistered},
    // .org
    {"org-2026",
     Layout::Today,
     "google.org",
     "org/current-registered-google-org-2026.txt",
     "",
     {kFound, "2026-10-20", "1998-10-21", "MarkMonitor Inc.", ""}},
    {"org-2018",
     Layout::Today,
     "linux.org",
     "org/current-registered-linux-org-2018.txt",
     "",
     {kFound, "2018-05-11", "1994-05-10", "Network Solutions, LLC", "Linux Online, Inc"}},
    {"org-2022-free", Layout::Today, "free-2022.org", "org/current-notregistered-2022.txt", "",
     kNotRegistered},
    {"org-2014",
     Layout::Older,
     "google.org",
     "org/mid-registered-google-org-2014.txt",
     "",
     {kFound, "2014-10-20", "1998-10-21", "MarkMonitor Inc. (R37-LROR)", "DNS Admin"}},
    {"org-2009",
     Layout::Older,
     "google.org",
     "org/old-registered-google-org-2009.txt",
     "",
     {kFound, "2012-10-20", "1998-10-21", "MarkMonitor Inc. (R37-LROR)", "DNS Admin"}},
    {"org-2010-throttled", Layout::Older, "throttled.org", "org/old-throttled-2010.txt", "",
     kRefused},
    {"org-2009-free", Layout::Older, "free-2009.org", "org/old-notregistered-2009.txt", "",
     kNotRegistered},
    // .tv
    {"tv-2017",
     Layout::Today,
     "google.tv",
     "tv/current-registered-google-tv-2017.txt",
     "",
     {kFound, "2018-08-02", "2002-08-02", "MARKMONITOR INC.", ""}},
    {"tv-2022-free", Layout::Today, "free-2022.tv", "tv/current-notregistered-2022.txt", "",
     kNotRegistered},
    {"tv-2009",
     Layout::Older,
     "thinkcode.tv",
     "tv/old-registered-thinkcode-tv-2009.txt",
     "",
     {kFound, "2010-04-21", "2009-04-21", "DYNADOT, LLC", "N/A"}},
    {"tv-2010-reserved",
     Layout::Older,
     "set.tv",
     "tv/old-reserved-whois-server-not-defined-set-tv-2010.txt",
     "",
     {kFound, "2011-03-18", "2010-03-18", ".TV RESERVED DOMAINS", "N/A"}},
    {"tv-2009-free", Layout::Older, "free-2009.tv", "tv/old-notregistered-2009.txt", "",
     kNotRegistered},
};

// One value of a jsonl line, its escapes undone (the program escapes only
// '"', '\' and control characters); nullopt when the key is absent.
std::optional<std::string> JsonValue(const std::string& line, const std::string& key) {
    const std::string quoted = "\"" + key + "\":";
    std::size_t at = line.find(quoted);
    if (at == std::string::npos) {
        return std::nullopt;
    }
    at += quoted.size();
    if (line[at] != '"') {
        const std::size_t end = line.find_first_of(",}", at);
        return line.substr(at, end - at);
    }
    std::string value;
    for (++at; at < line.size() && line[at] != '"'; ++at) {
        if (line[at] == '\\' && at + 1 < line.size()) {
            ++at;
            if (line[at] == 'u' && at + 4 < line.size()) {
                value += static_cast<char>(std::stoi(line.substr(at + 1, 4), nullptr, 16));
                at += 4;
                continue;
            }
        }
        value += line[at];
    }
    return value;
}

// Every host a served answer names as a referral, so that the fake server
// answers it: no query of this test ever leaves the machine.
void AddReferralHosts(const std::string& answer, std::set<std::string>& hosts) {
    std::size_t start = 0;
    while (start < answer.size()) {
        const std::size_t end = std::min(answer.find('\n', start), answer.size());
        const std::string line = answer.substr(start, end - start);
        std::string lower = line;
        for (char& c : lower) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        const std::size_t label = lower.find("whois server:");
        if (label != std::string::npos) {
            const std::string host = ReferralHost(line.substr(label + 13));
            if (IsReferralHostName(host)) {
                hosts.insert(host);
            }
        }
        start = end + 1;
    }
}

struct Row {
    std::string status, expiry, created, registrar, registrant, error;
};

// Runs zentrix-batch once over `cases` (their names differ) and returns
// each case's row by its name.
std::map<std::string, Row> RunBatch(const std::vector<const ScoreCase*>& cases) {
    FakeWhoisServer server;
    std::set<std::string> hosts;
    std::string list;
    for (const ScoreCase* c : cases) {
        const std::string registry =
            *c->registry != '\0' ? ReadBytes((kAnswers / c->registry).string()) : kGodaddyStub;
        std::vector<FakeWhoisScript> scripts{FakeWhoisScript::Answer(registry)};
        if (*c->referral != '\0') {
            scripts.push_back(
                FakeWhoisScript::Answer(ReadBytes((kAnswers / c->referral).string())));
        }
        AddReferralHosts(registry, hosts);
        server.SetScriptSequence(c->domain, scripts);
        list += std::string(c->domain) + "\n";
    }
    for (const std::string& endpoint : FakeWhoisServer::AllEndpoints()) {
        hosts.insert(endpoint);
    }
    ScratchDir dir;
    WriteBytes(dir.File("names.txt"), list);
    ChildProcess::Setup setup;
    // Port 43 answers are scored here: RDAP is never asked.
    setup.args = {ZENTRIX_BATCH_PATH,   "--quiet",
                  "--protocol",         "whois",
                  "--format",           "jsonl",
                  "--connect-to",       server.ConnectToFor({hosts.begin(), hosts.end()}),
                  dir.File("names.txt")};
    // A refusing server is asked again after a short pause, not 15 s.
    setup.env = {{"ZENTRIX_HOME", dir.path().string()}, {"ZENTRIX_BACKOFF_MS", "20"}};
    ChildProcess child(setup);
    EXPECT_TRUE(child.WaitForExit(60s)) << "zentrix-batch did not end";
    EXPECT_EQ(child.exitCode(), 0) << child.err();

    std::map<std::string, Row> rows;
    std::size_t start = 0;
    for (const ScoreCase* c : cases) {
        const std::size_t end = child.out().find('\n', start);
        if (end == std::string::npos) {
            ADD_FAILURE() << "no line for " << c->name;
            break;
        }
        const std::string line = child.out().substr(start, end - start);
        start = end + 1;
        rows[c->name] = Row{JsonValue(line, "status").value_or("?"),
                            JsonValue(line, "expiryDate").value_or("?"),
                            JsonValue(line, "createdDate").value_or("?"),
                            JsonValue(line, "registrar").value_or("?"),
                            JsonValue(line, "owner").value_or("?"),
                            JsonValue(line, "error").value_or("?")};
    }
    return rows;
}

TEST(FixtureScore, EveryCaptureGivesItsRow) {
    if (!std::filesystem::is_directory(kAnswers)) {
        // A skip, never a pass: ctest lists it under the tests that did not run.
        GTEST_SKIP() << "real registry answers missing (" << kAnswers.string()
                     << "): the fixture score was not taken";
    }
    // Names repeat across captures: each batch asks every name once.
    std::vector<std::vector<const ScoreCase*>> batches;
    for (const ScoreCase& c : kCases) {
        auto batch = batches.begin();
        for (; batch != batches.end(); ++batch) {
            bool taken = false;
            for (const ScoreCase* other : *batch) {
                taken = taken || std::string(other->domain) == c.domain;
            }
            if (!taken) {
                break;
            }
        }
        if (batch == batches.end()) {
            batches.emplace_back();
            batch = batches.end() - 1;
        }
        batch->push_back(&c);
    }
    std::map<std::string, Row> rows;
    for (const auto& batch : batches) {
        rows.merge(RunBatch(batch));
    }

    int scored[2] = {0, 0};
    int total[2] = {0, 0};
    for (const ScoreCase& c : kCases) {
        SCOPED_TRACE(c.name);
        const Row& row = rows[c.name];
        const Expected& want = c.want;
        const bool right = row.status == std::to_string(want.status) && row.expiry == want.expiry &&
                           row.created == want.created && row.registrar == want.registrar &&
                           row.registrant == want.registrant &&
                           (want.status == kError) == !row.error.empty();
        EXPECT_EQ(row.status, std::to_string(want.status));
        EXPECT_EQ(row.expiry, want.expiry);
        EXPECT_EQ(row.created, want.created);
        EXPECT_EQ(row.registrar, want.registrar);
        EXPECT_EQ(row.registrant, want.registrant);
        if (want.status == kError) {
            EXPECT_EQ(row.error, "rate limited");
        } else {
            EXPECT_EQ(row.error, "");
        }
        const auto layout = static_cast<std::size_t>(c.layout);
        ++total[layout];
        scored[layout] += right ? 1 : 0;
    }
    std::cout << "[ SCORE    ] today's layout " << scored[0] << "/" << total[0]
              << ", older layouts " << scored[1] << "/" << total[1] << "\n";
    RecordProperty("today", std::to_string(scored[0]) + "/" + std::to_string(total[0]));
    RecordProperty("older", std::to_string(scored[1]) + "/" + std::to_string(total[1]));
}

} // namespace
