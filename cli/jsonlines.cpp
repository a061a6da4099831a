// SPDX-License-Identifier: MIT
#include "cli/jsonlines.h"

#include <cstdio>
#include <ctime>

#include "core/ccore.h"
#include "engine/domaintable.h"
#include "engine/net/idn.h"
#include "engine/rowvalues.h"
#include "formats/csvexport.h"

void AppendJsonString(std::string& out, std::string_view utf8) {
    out += '"';
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            out += escape;
        } else {
            out += c;
        }
    }
    out += '"';
}

namespace {

void AppendKey(std::string& out, const char* key) {
    out += out.size() == 1 ? "\"" : ",\"";
    out += key;
    out += "\":";
}

void AppendGbkText(std::string& out, const char* key, std::string_view gbk) {
    AppendKey(out, key);
    AppendJsonString(out, CCore::ANSI_UTF8(gbk));
}

void AppendText(std::string& out, const char* key, std::string_view utf8) {
    AppendKey(out, key);
    AppendJsonString(out, utf8);
}

// "2026-12-07T19:10:35Z".
std::string IsoTime(std::int64_t unixSeconds) {
    const auto seconds = static_cast<std::time_t>(unixSeconds);
    std::tm utc{};
    char text[32] = "";
    if (::gmtime_r(&seconds, &utc) != nullptr) {
        std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    }
    return text;
}

void AppendPrevious(std::string& out, const StoredCheck* previous) {
    AppendKey(out, "previous");
    if (previous == nullptr) {
        out += "null";
        return;
    }
    std::string inner = "{";
    AppendKey(inner, "askedAt");
    AppendJsonString(inner, IsoTime(previous->askedAt));
    AppendKey(inner, "status");
    inner += std::to_string(previous->status);
    AppendKey(inner, "statusText");
    AppendJsonString(inner, QueryStatusListText(previous->status));
    AppendKey(inner, "expiryDate");
    AppendJsonString(inner, previous->values.expiry);
    AppendKey(inner, "registrar");
    AppendJsonString(inner, previous->values.registrar);
    AppendKey(inner, "owner");
    AppendJsonString(inner, previous->values.owner);
    out += inner + "}";
}

} // namespace

std::string FormatJsonLine(const DomainRecord& row, int32_t index, const JsonLineDetails& details) {
    std::string out = "{";
    out.reserve(512);
    AppendKey(out, "index");
    out += std::to_string(index);
    // The table stores a name in another script as its A-label; readers get
    // both spellings.
    const std::string_view stored = FieldText(row.domain);
    const std::string ascii = CCore::ANSI_UTF8(stored);
    AppendKey(out, "domain");
    AppendJsonString(out, ToUnicodeName(ascii));
    AppendKey(out, "domainAscii");
    AppendJsonString(out, ascii);
    AppendGbkText(out, "whoisServer", FieldText(row.whoisServer));
    AppendKey(out, "status");
    out += std::to_string(row.status);
    AppendKey(out, "statusText");
    AppendJsonString(out, QueryStatusListText(row.status));
    AppendKey(out, "answered");
    out += row.answered != 0 ? "true" : "false";
    AppendKey(out, "protocol");
    AppendJsonString(out, QueryProtocolName(details.protocol));
    const CheckValues values = details.values != nullptr ? *details.values : RecordValues(row);
    AppendText(out, "expiryDate", values.expiry);
    AppendText(out, "createdDate", values.created);
    AppendText(out, "updatedDate", values.updated);
    AppendText(out, "owner", values.owner);
    AppendText(out, "email", values.email);
    AppendText(out, "phone", values.phone);
    AppendText(out, "registrar", values.registrar);
    AppendKey(out, "changed");
    out += '[';
    for (std::size_t i = 0; i < details.changed.size(); ++i) {
        if (i > 0) {
            out += ',';
        }
        AppendJsonString(out, details.changed[i]);
    }
    out += ']';
    AppendPrevious(out, details.previous);
    // Why a row failed or went unasked; nothing for an answered row.
    const bool unanswered = row.status == Error || row.status == NoServer;
    AppendKey(out, "error");
    AppendJsonString(out, unanswered ? FailReasonEnglish(details.reason) : std::string_view());
    if (details.raw != nullptr) {
        AppendKey(out, "raw");
        AppendJsonString(out, *details.raw);
    }
    out += "}\n";
    return out;
}
