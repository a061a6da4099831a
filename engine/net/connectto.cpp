// SPDX-License-Identifier: MIT
#include "engine/net/connectto.h"

#include <arpa/inet.h>
#include <cstdlib>
#include <netinet/in.h>

#include "core/asciicase.h"
#include "core/hostname.h"
#include "core/text.h"

namespace {

// An entry as it can be shown on a terminal or in a message box.
std::string Shown(std::string_view entry) {
    std::string out;
    for (const char c : entry) {
        const auto byte = static_cast<unsigned char>(c);
        out += byte < 0x20 || byte == 0x7F ? '?' : c;
    }
    return "\"" + out + "\"";
}

// One "host=ADDRESS:PORT" entry; the reason, naming the entry, when it is bad.
bool ParseEntry(std::string_view entry, ConnectOverride& item, std::string& why) {
    const auto equals = entry.find('=');
    const auto colon = entry.rfind(':');
    if (equals == std::string_view::npos || colon == std::string_view::npos || colon < equals) {
        why = "expected host=ADDRESS:PORT in " + Shown(entry);
        return false;
    }
    item.host = std::string(TrimBlanks(entry.substr(0, equals)));
    item.address = std::string(TrimBlanks(entry.substr(equals + 1, colon - equals - 1)));
    const std::string port(TrimBlanks(entry.substr(colon + 1)));
    if (item.host.empty()) {
        why = "empty host name in " + Shown(entry);
        return false;
    }
    // Test and lab hosts: one label, or an "_" in a name, may be mapped too.
    if (!IsHostName(item.host, {.underscore = true, .singleLabel = true})) {
        why = "not a host name: " + Shown(item.host) + " in " + Shown(entry);
        return false;
    }
    // An IPv6 address comes in brackets, "[::1]:4343", and is kept without them.
    const bool bracketed =
        item.address.size() > 2 && item.address.front() == '[' && item.address.back() == ']';
    if (bracketed) {
        item.address = item.address.substr(1, item.address.size() - 2);
        in6_addr probe{};
        if (::inet_pton(AF_INET6, item.address.c_str(), &probe) != 1) {
            why = "not an IPv6 address: " + Shown("[" + item.address + "]") + " in " + Shown(entry);
            return false;
        }
    } else if (in_addr probe{}; ::inet_pton(AF_INET, item.address.c_str(), &probe) != 1) {
        why = "not a dotted IPv4 address: " + Shown(item.address) + " in " + Shown(entry);
        return false;
    }
    int number = 0;
    if (port.empty() || port.find_first_not_of("0123456789") != std::string::npos ||
        !ParseInt(port, number) || number < 1 || number > 65535) {
        why = "bad port " + Shown(port) + " in " + Shown(entry);
        return false;
    }
    item.port = static_cast<std::uint16_t>(number);
    return true;
}

// Calls `onEntry` for every non-empty comma-separated entry of `text`.
template <class OnEntry>
void ForEachEntry(std::string_view text, OnEntry onEntry) {
    while (!text.empty()) {
        const auto comma = text.find(',');
        const std::string_view entry = TrimBlanks(text.substr(0, comma));
        text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
        if (!entry.empty() && !onEntry(entry)) {
            return;
        }
    }
}

} // namespace

bool ParseConnectTo(std::string_view text, std::vector<ConnectOverride>& out, std::string* error) {
    std::vector<ConnectOverride> parsed;
    std::string why;
    ForEachEntry(text, [&](std::string_view entry) {
        ConnectOverride item;
        if (!ParseEntry(entry, item, why)) {
            return false;
        }
        parsed.push_back(std::move(item));
        return true;
    });
    if (!why.empty()) {
        if (error != nullptr) {
            *error = why;
        }
        return false;
    }
    out = std::move(parsed);
    return true;
}

ConnectToSetting ReadConnectToEnvironment() {
    ConnectToSetting setting;
    const char* text = std::getenv("ZENTRIX_CONNECT_TO");
    if (text == nullptr) {
        return setting;
    }
    // The good entries still count; every bad one is named.
    ForEachEntry(text, [&](std::string_view entry) {
        ConnectOverride item;
        std::string why;
        if (ParseEntry(entry, item, why)) {
            setting.overrides.push_back(std::move(item));
        } else {
            setting.errors.push_back(std::move(why));
        }
        return true;
    });
    return setting;
}

std::vector<ConnectOverride> ConnectToFromEnvironment() {
    return ReadConnectToEnvironment().overrides;
}

const ConnectOverride* FindConnectOverride(const std::vector<ConnectOverride>& overrides,
                                           std::string_view host) {
    for (const ConnectOverride& entry : overrides) {
        if (EqualsNoCase(entry.host, host)) {
            return &entry;
        }
    }
    return nullptr;
}
