// SPDX-License-Identifier: MIT
#include "engine/batch/protocolplan.h"

#include "core/asciicase.h"
#include "engine/rdap/rdapbootstrap.h"
#include "engine/whois/whoisservers.h"

namespace {

void PlanWhois(std::string_view name, ProtocolPlan& plan) {
    if (const char* server = WhoisServerFor(name)) {
        if (*server != '\0') {
            plan.whois = WhoisRoute::Table;
            plan.whoisServer = server;
        }
        return; // an explicit no-server entry
    }
    if (!TopLevelLabel(name).empty()) {
        plan.whois = WhoisRoute::Iana;
    }
}

} // namespace

ProtocolPlan PlanProtocol(ProtocolChoice choice, std::string_view asciiName,
                          const RdapBootstrap* bootstrap) {
    ProtocolPlan plan;
    if (choice != ProtocolChoice::Whois && bootstrap != nullptr) {
        plan.rdapBaseUrl = bootstrap->BaseUrlFor(asciiName);
    }
    if (choice != ProtocolChoice::Rdap) {
        PlanWhois(asciiName, plan);
    }
    return plan;
}

std::string TopLevelLabel(std::string_view asciiName) {
    while (!asciiName.empty() && asciiName.back() == '.') {
        asciiName.remove_suffix(1);
    }
    const auto dot = asciiName.rfind('.');
    if (dot == std::string_view::npos || dot + 1 == asciiName.size()) {
        return {};
    }
    return AsciiLower(asciiName.substr(dot + 1));
}
