// SPDX-License-Identifier: MIT
#include "cli/prometheustext.h"

#include <cstdint>
#include <functional>

#include "core/ccore.h"
#include "engine/domaintable.h"
#include "engine/store/storedcheck.h"

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

const char* StatusLabel(std::int32_t status) {
    switch (status) {
    case Found:
        return "found";
    case NotRegistered:
        return "notregistered";
    case Error:
        return "error";
    default:
        return "noserver";
    }
}

struct Family {
    const char* name;
    const char* help;
    // Appends the family's samples for one row.
    std::function<void(std::string&, const WatchRow&, const std::string& domain)> samples;
};

void Sample(std::string& out, const char* name, const std::string& labels, std::int64_t value) {
    out += name;
    out += '{';
    out += labels;
    out += "} ";
    out += std::to_string(value);
    out += '\n';
}

} // namespace

std::string PrometheusLabel(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (const char c : value) {
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '"') {
            out += "\\\"";
        } else if (c == '\n') {
            out += "\\n";
        } else {
            out += c;
        }
    }
    return out;
}

std::string FormatPrometheus(const std::vector<WatchRow>& rows) {
    const Family families[] = {
        {"zentrix_domain_expiry_timestamp_seconds",
         "When the domain's registration expires (midnight UTC of the expiry date).",
         [](std::string& out, const WatchRow& row, const std::string& domain) {
             const auto date = row.status == Found && !row.expiry.empty()
                                   ? ReadStoredDate(row.expiry)
                                   : std::nullopt;
             if (date) {
                 Sample(out, "zentrix_domain_expiry_timestamp_seconds", domain,
                        static_cast<std::int64_t>(DaysFromCivil(*date)) * kSecondsPerDay);
             }
         }},
        {"zentrix_domain_status",
         "The outcome of the domain's latest check (1 for the status it had).",
         [](std::string& out, const WatchRow& row, const std::string& domain) {
             Sample(out, "zentrix_domain_status",
                    domain + ",status=\"" + StatusLabel(row.status) + "\"", 1);
         }},
        {"zentrix_domain_checked_timestamp_seconds", "When the domain was last checked.",
         [](std::string& out, const WatchRow& row, const std::string& domain) {
             Sample(out, "zentrix_domain_checked_timestamp_seconds", domain, row.checkedAt);
         }},
        {"zentrix_domain_changed",
         "What changed since the domain's previous check (1 for each kind of change).",
         [](std::string& out, const WatchRow& row, const std::string& domain) {
             for (const ChangeKind kind : ChangeKindsOf(row.changes)) {
                 Sample(out, "zentrix_domain_changed",
                        domain + ",kind=\"" + std::string(ChangeKindKey(kind)) + "\"", 1);
             }
         }},
    };
    std::vector<std::string> domains;
    domains.reserve(rows.size());
    for (const WatchRow& row : rows) {
        domains.push_back("domain=\"" + PrometheusLabel(row.domain) + "\"");
    }
    std::string out;
    for (const Family& family : families) {
        out += "# HELP ";
        out += family.name;
        out += ' ';
        out += family.help;
        out += "\n# TYPE ";
        out += family.name;
        out += " gauge\n";
        for (std::size_t i = 0; i < rows.size(); ++i) {
            family.samples(out, rows[i], domains[i]);
        }
    }
    return out;
}
