// SPDX-License-Identifier: MIT
#include "watch/watchalert.h"

#include "engine/domaintable.h"

#include <string_view>

namespace {

void Append(std::string& text, std::string_view separator, const std::string& part) {
    if (!text.empty()) {
        text += separator;
    }
    text += part;
}

std::string ExpiringText(int days) {
    return "将在 " + std::to_string(days) + " 天内到期";
}

} // namespace

WatchAlert CollectWatchAlert(const std::vector<WatchedRow>& rows, std::int32_t today,
                             int alertDays) {
    WatchAlert alert;
    alert.alertDays = alertDays;
    const std::int64_t last = static_cast<std::int64_t>(today) + alertDays;
    for (const WatchedRow& row : rows) {
        bool shown = false;
        if (row.status == Found && row.expiryDay != WatchedRow::kNoDay) {
            if (row.expiryDay < today) {
                alert.expired.push_back(row.domain);
                shown = true;
            } else if (row.expiryDay <= last) {
                alert.expiring.push_back(row.domain);
                shown = true;
            }
        }
        for (const ChangeKind kind : ChangeKindsOf(row.changes)) {
            alert.changed[static_cast<std::size_t>(kind)].push_back(row.domain);
            shown = true;
        }
        if (shown) {
            alert.domains.push_back(row.domain);
        }
    }
    return alert;
}

std::string WatchAlertSummary(const WatchAlert& alert) {
    std::string text;
    const auto count = [&](std::size_t n, const std::string& what) {
        if (n > 0) {
            Append(text, "，", std::to_string(n) + " 个域名" + what);
        }
    };
    count(alert.expiring.size(), ExpiringText(alert.alertDays));
    count(alert.expired.size(), "已过期");
    for (int kind = 0; kind < kChangeKindCount; ++kind) {
        count(alert.changed[static_cast<std::size_t>(kind)].size(),
              std::string(ChangeKindChinese(static_cast<ChangeKind>(kind))));
    }
    return text;
}

std::string WatchAlertDetails(const WatchAlert& alert, int limit) {
    std::string text;
    int lines = 0;
    int more = 0;
    const auto add = [&](const std::vector<std::string>& domains, const std::string& what) {
        for (const std::string& domain : domains) {
            if (lines < limit) {
                Append(text, "\n", domain + "：" + what);
                ++lines;
            } else {
                ++more;
            }
        }
    };
    add(alert.expiring, ExpiringText(alert.alertDays));
    add(alert.expired, "已过期");
    for (int kind = 0; kind < kChangeKindCount; ++kind) {
        add(alert.changed[static_cast<std::size_t>(kind)],
            std::string(ChangeKindChinese(static_cast<ChangeKind>(kind))));
    }
    if (more > 0) {
        Append(text, "\n", "还有 " + std::to_string(more) + " 项");
    }
    return text;
}
