// SPDX-License-Identifier: MIT
// What a watch check alerts about, and its texts.

#include "engine/domaintable.h"
#include "watch/watchalert.h"

#include <gtest/gtest.h>

namespace {

constexpr std::int32_t kToday = 20429; // 2025-12-07

std::uint8_t Bits(std::initializer_list<ChangeKind> kinds) {
    return ChangeBits(std::vector<ChangeKind>(kinds));
}

WatchedRow Row(std::string domain, std::int32_t status, std::int32_t expiryDay,
               std::uint8_t changes = 0) {
    return WatchedRow{std::move(domain), status, expiryDay, changes};
}

TEST(WatchAlert, ExpiryWithinTheDaysIsCountedFromTodayToTheLastDayInclusive) {
    const std::vector<WatchedRow> rows = {
        Row("today.com", Found, kToday),
        Row("lastday.com", Found, kToday + 30),
        Row("dayafter.com", Found, kToday + 31),
        Row("yesterday.com", Found, kToday - 1),
        Row("nodate.com", Found, WatchedRow::kNoDay),
        // Only a registered name expires: other outcomes never count.
        Row("free.com", NotRegistered, kToday + 3),
        Row("failed.com", Error, kToday + 3),
        Row("unasked.com", -1, kToday + 3),
    };
    const WatchAlert alert = CollectWatchAlert(rows, kToday, 30);
    EXPECT_EQ(alert.expiring, (std::vector<std::string>{"today.com", "lastday.com"}));
    EXPECT_EQ(alert.expired, (std::vector<std::string>{"yesterday.com"}));
    EXPECT_EQ(alert.domains,
              (std::vector<std::string>{"today.com", "lastday.com", "yesterday.com"}));
}

TEST(WatchAlert, EveryChangeKindIsAlertedAndARowIsShownOnce) {
    const std::vector<WatchedRow> rows = {
        Row("dropped.com", NotRegistered, WatchedRow::kNoDay, Bits({ChangeKind::Released})),
        Row("moved.com", Found, kToday + 200,
            Bits({ChangeKind::Renewed, ChangeKind::Transferred, ChangeKind::OwnerChanged})),
        Row("soon.com", Found, kToday + 5, Bits({ChangeKind::Registered})),
        Row("quiet.com", Found, kToday + 200),
    };
    const WatchAlert alert = CollectWatchAlert(rows, kToday, 30);
    EXPECT_EQ(alert.changed[static_cast<int>(ChangeKind::Released)],
              std::vector<std::string>{"dropped.com"});
    EXPECT_EQ(alert.changed[static_cast<int>(ChangeKind::Registered)],
              std::vector<std::string>{"soon.com"});
    EXPECT_EQ(alert.changed[static_cast<int>(ChangeKind::Renewed)],
              std::vector<std::string>{"moved.com"});
    EXPECT_EQ(alert.changed[static_cast<int>(ChangeKind::Transferred)],
              std::vector<std::string>{"moved.com"});
    EXPECT_EQ(alert.changed[static_cast<int>(ChangeKind::OwnerChanged)],
              std::vector<std::string>{"moved.com"});
    EXPECT_EQ(alert.expiring, std::vector<std::string>{"soon.com"});
    EXPECT_EQ(alert.domains, (std::vector<std::string>{"dropped.com", "moved.com", "soon.com"}));
}

TEST(WatchAlertSummary, CountsInAFixedOrderJoinedByChineseCommas) {
    std::vector<WatchedRow> rows = {
        Row("a.com", Found, kToday + 1),
        Row("b.com", Found, kToday + 10),
        Row("c.com", Found, kToday + 29),
        Row("d.com", NotRegistered, WatchedRow::kNoDay, Bits({ChangeKind::Released})),
    };
    EXPECT_EQ(WatchAlertSummary(CollectWatchAlert(rows, kToday, 30)),
              "3 个域名将在 30 天内到期，1 个域名已释放");

    rows.push_back(Row("e.com", Found, kToday - 3, Bits({ChangeKind::OwnerChanged})));
    rows.push_back(Row("f.com", Found, kToday + 300, Bits({ChangeKind::Renewed})));
    EXPECT_EQ(WatchAlertSummary(CollectWatchAlert(rows, kToday, 7)),
              "1 个域名将在 7 天内到期，1 个域名已过期，1 个域名已释放，1 个域名已续费，"
              "1 个域名所有人变更");
}

TEST(WatchAlertSummary, NothingToTellIsEmpty) {
    const WatchAlert alert = CollectWatchAlert(
        {Row("far.com", Found, kToday + 400), Row("x.com", Error, kToday)}, kToday, 30);
    EXPECT_TRUE(alert.empty());
    EXPECT_EQ(WatchAlertSummary(alert), "");
    EXPECT_EQ(WatchAlertDetails(alert), "");
}

TEST(WatchAlertDetails, NamesTheFirstFewAndCountsTheRest) {
    std::vector<WatchedRow> rows;
    for (int i = 0; i < 6; ++i) {
        rows.push_back(Row("n" + std::to_string(i) + ".com", Found, kToday + i));
    }
    rows.push_back(
        Row("gone.com", NotRegistered, WatchedRow::kNoDay, Bits({ChangeKind::Released})));
    EXPECT_EQ(WatchAlertDetails(CollectWatchAlert(rows, kToday, 30), 3),
              "n0.com：将在 30 天内到期\nn1.com：将在 30 天内到期\nn2.com：将在 30 天内到期\n"
              "还有 4 项");
}

} // namespace
