// SPDX-License-Identifier: MIT
#include "engine/rdap/rdapbootstrap.h"

#include <nlohmann/json.hpp>

#include "core/asciicase.h"

namespace {

// A service may list several base URLs; only an HTTPS one is used. A plain
// HTTP answer could be changed on its way, so a TLD that offers nothing
// else is asked over port 43 (or has no server when only RDAP is asked).
std::string ChooseBaseUrl(const nlohmann::json& urls) {
    for (const auto& url : urls) {
        if (!url.is_string()) {
            continue;
        }
        std::string text = url.get<std::string>();
        if (!text.empty() && text.back() != '/') {
            text += '/';
        }
        if (StartsWithNoCase(text, "https://")) {
            return text;
        }
    }
    return {};
}

} // namespace

std::optional<RdapBootstrap> RdapBootstrap::Parse(std::string_view json, std::string* error) {
    auto fail = [&](const char* why) -> std::optional<RdapBootstrap> {
        if (error != nullptr) {
            *error = why;
        }
        return std::nullopt;
    };
    const nlohmann::json root = nlohmann::json::parse(json, nullptr, false);
    if (root.is_discarded() || !root.is_object()) {
        return fail("not a JSON object");
    }
    const auto services = root.find("services");
    if (services == root.end() || !services->is_array()) {
        return fail("no \"services\" list");
    }
    RdapBootstrap bootstrap;
    if (const auto publication = root.find("publication");
        publication != root.end() && publication->is_string()) {
        bootstrap.m_publication = publication->get<std::string>();
    }
    for (const auto& service : *services) {
        if (!service.is_array() || service.size() < 2 || !service[0].is_array() ||
            !service[1].is_array()) {
            continue;
        }
        const std::string base = ChooseBaseUrl(service[1]);
        if (base.empty()) {
            continue;
        }
        for (const auto& label : service[0]) {
            if (label.is_string() && !label.get_ref<const std::string&>().empty()) {
                // The first service that names a label keeps it.
                bootstrap.m_services.emplace(AsciiLower(label.get_ref<const std::string&>()), base);
            }
        }
    }
    if (bootstrap.m_services.empty()) {
        return fail("no usable service");
    }
    return bootstrap;
}

std::string RdapBootstrap::BaseUrlFor(std::string_view domain) const {
    std::string name = AsciiLower(domain);
    while (!name.empty() && name.back() == '.') {
        name.pop_back();
    }
    // Longest match first: "a.example.co.uk", then "example.co.uk", "co.uk", "uk".
    std::string_view rest = name;
    while (!rest.empty()) {
        if (const auto found = m_services.find(std::string(rest)); found != m_services.end()) {
            return found->second;
        }
        const auto dot = rest.find('.');
        if (dot == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(dot + 1);
    }
    return {};
}

std::string RdapDomainUrl(std::string_view baseUrl, std::string_view asciiName) {
    std::string url(baseUrl);
    if (url.empty() || url.back() != '/') {
        url += '/';
    }
    url += "domain/";
    url += asciiName;
    return url;
}
