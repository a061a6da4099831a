// SPDX-License-Identifier: MIT
// --alert-within's lines and --format prometheus's file, as pure functions.

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "cli/prometheustext.h"
#include "cli/watchalerts.h"
#include "core/ccore.h"
#include "engine/domaintable.h"
#include "engine/store/storedcheck.h"

namespace {

const long kToday = DaysFromCivil({2026, 12, 7});

WatchRow Registered(std::string domain, std::string expiry, std::uint8_t changes = 0) {
    return WatchRow{std::move(domain), Found, std::move(expiry), 1'765'000'000, changes};
}

std::uint8_t Bits(std::initializer_list<ChangeKind> kinds) {
    return ChangeBits(std::vector<ChangeKind>(kinds));
}

TEST(WatchAlerts, ExpiryWithinTheDaysCountsTheLastDayAndThePast) {
    const std::vector<WatchRow> rows = {
        Registered("edge.com", "2027-01-06"),  // 30 days ahead: inside
        Registered("later.com", "2027-01-07"), // 31 days: outside
        Registered("today.com", "2026-12-07"), Registered("gone.com", "2026-12-01"),
        Registered("nodate.com", ""),          Registered("garbled.com", "soon"),
    };
    EXPECT_EQ(AlertLines(rows, 30, kToday),
              (std::vector<std::string>{"edge.com: expires 2027-01-06 (in 30 days)",
                                        "today.com: expires 2026-12-07 (today)",
                                        "gone.com: expired 2026-12-01 (6 days ago)"}));
}

TEST(WatchAlerts, OnlyRegisteredNamesExpireButAnyChangeAlerts) {
    WatchRow failed = Registered("failed.com", "2026-12-08");
    failed.status = Error;
    WatchRow released = Registered("released.com", "2026-12-08", Bits({ChangeKind::Released}));
    released.status = NotRegistered;
    const WatchRow both =
        Registered("both.com", "2026-12-08", Bits({ChangeKind::Renewed, ChangeKind::OwnerChanged}));
    EXPECT_EQ(AlertLines({failed, released, both}, 7, kToday),
              (std::vector<std::string>{"released.com: changed: released",
                                        "both.com: expires 2026-12-08 (in 1 day); changed: "
                                        "renewed, owner"}));
    EXPECT_TRUE(AlertLines({Registered("calm.com", "2030-01-01")}, 30, kToday).empty());
}

// The text format's rules, as a scraper reads them: every sample line is
// NAME{LABELS} VALUE, a family's HELP and TYPE come before its samples, and
// a family's lines are not split by another's.
struct Scrape {
    std::map<std::string, std::vector<std::pair<std::map<std::string, std::string>, double>>>
        samples;
    std::string error;
};

Scrape Read(const std::string& text) {
    Scrape scrape;
    std::set<std::string> closed;
    std::string current;
    std::set<std::string> described;
    std::istringstream in(text);
    std::string line;
    const std::regex help(R"(# HELP ([a-zA-Z_:][a-zA-Z0-9_:]*) .+)");
    const std::regex type(R"(# TYPE ([a-zA-Z_:][a-zA-Z0-9_:]*) (gauge|counter))");
    const std::regex sample(R"(([a-zA-Z_:][a-zA-Z0-9_:]*)\{(.*)\} (-?[0-9.e+]+))");
    const std::regex label(R"(([a-zA-Z_][a-zA-Z0-9_]*)="((?:[^"\\]|\\.)*)\",?)");
    std::smatch m;
    while (std::getline(in, line)) {
        std::string name;
        if (std::regex_match(line, m, help) || std::regex_match(line, m, type)) {
            name = m[1];
            described.insert(name + (line[2] == 'H' ? "/help" : "/type"));
        } else if (std::regex_match(line, m, sample)) {
            name = m[1];
            if (!described.count(name + "/help") || !described.count(name + "/type")) {
                scrape.error = "sample before HELP/TYPE: " + line;
                return scrape;
            }
            std::map<std::string, std::string> labels;
            std::string rest = m[2];
            std::smatch l;
            while (std::regex_search(rest, l, label) && l.position(0) == 0) {
                labels[l[1]] = l[2];
                rest = l.suffix();
            }
            if (!rest.empty()) {
                scrape.error = "bad labels: " + line;
                return scrape;
            }
            scrape.samples[name].emplace_back(labels, std::stod(m[3]));
        } else {
            scrape.error = "unreadable line: " + line;
            return scrape;
        }
        if (name != current) {
            if (closed.count(name)) {
                scrape.error = "family split: " + name;
                return scrape;
            }
            if (!current.empty()) {
                closed.insert(current);
            }
            current = name;
        }
    }
    return scrape;
}

TEST(PrometheusText, ParsesUnderTheFormatsRulesWithEveryFamily) {
    WatchRow free{"free.com", NotRegistered, "", 1'765'000'100, Bits({ChangeKind::Released})};
    WatchRow failed{"例子.cn", Error, "", 1'765'000'200, 0};
    const std::string text = FormatPrometheus(
        {Registered("kept.com", "2027-04-17", Bits({ChangeKind::Renewed, ChangeKind::Transferred})),
         free, failed, WatchRow{"none.com.sg", NoServer, "", 1'765'000'300, 0}});
    const Scrape scrape = Read(text);
    ASSERT_EQ(scrape.error, "") << text;
    ASSERT_EQ(text.back(), '\n');

    const auto& expiry = scrape.samples.at("zentrix_domain_expiry_timestamp_seconds");
    ASSERT_EQ(expiry.size(), 1u); // only the registered name has a date
    EXPECT_EQ(expiry[0].first.at("domain"), "kept.com");
    EXPECT_EQ(expiry[0].second, 1'807'920'000); // 2027-04-17T00:00:00Z

    std::map<std::string, std::string> statuses;
    for (const auto& [labels, value] : scrape.samples.at("zentrix_domain_status")) {
        EXPECT_EQ(value, 1);
        statuses[labels.at("domain")] = labels.at("status");
    }
    EXPECT_EQ(statuses, (std::map<std::string, std::string>{{"kept.com", "found"},
                                                            {"free.com", "notregistered"},
                                                            {"例子.cn", "error"},
                                                            {"none.com.sg", "noserver"}}));
    EXPECT_EQ(scrape.samples.at("zentrix_domain_checked_timestamp_seconds").size(), 4u);

    std::set<std::string> changes;
    for (const auto& [labels, value] : scrape.samples.at("zentrix_domain_changed")) {
        changes.insert(labels.at("domain") + "/" + labels.at("kind"));
    }
    EXPECT_EQ(changes, (std::set<std::string>{"kept.com/renewed", "kept.com/transferred",
                                              "free.com/released"}));
}

TEST(PrometheusText, LabelValuesAreEscapedAndAnEmptyRunStillDescribesItsFamilies) {
    EXPECT_EQ(PrometheusLabel("a\\b\"c\nd"), "a\\\\b\\\"c\\nd");
    const std::string text = FormatPrometheus({});
    EXPECT_EQ(Read(text).error, "");
    EXPECT_NE(text.find("# TYPE zentrix_domain_status gauge\n"), std::string::npos);
}

} // namespace
