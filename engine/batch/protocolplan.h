// SPDX-License-Identifier: MIT
#pragma once

// Which protocol a name is asked by, decided before any query:
//
//   choice  bootstrap lists the TLD     it does not
//   auto    RDAP, then port 43 on a     port 43
//           5xx / time-out / no reach
//   whois   port 43                     port 43
//   rdap    RDAP                        no server
//
// Port 43 means the suffix table's server; a name the table does not know
// gets its server from IANA; the table's explicit no-server entries (.com.sg
// and the others) keep meaning no port-43 server.

#include <string>
#include <string_view>

#include "engine/batch/queryoptions.h"

class RdapBootstrap;

enum class WhoisRoute {
    None,  // no port-43 server
    Table, // the suffix table's server
    Iana,  // ask whois.iana.org for the TLD's server
};

struct ProtocolPlan {
    std::string rdapBaseUrl;             // "" : RDAP is not asked
    WhoisRoute whois = WhoisRoute::None; // first when there is no RDAP, else the fallback
    std::string whoisServer;             // WhoisRoute::Table: the endpoint

    [[nodiscard]] bool asksRdap() const { return !rdapBaseUrl.empty(); }
    [[nodiscard]] bool hasServer() const { return asksRdap() || whois != WhoisRoute::None; }
};

// `asciiName` is the stored A-label; `bootstrap` may be null (no RDAP).
[[nodiscard]] ProtocolPlan PlanProtocol(ProtocolChoice choice, std::string_view asciiName,
                                        const RdapBootstrap* bootstrap);

// The last label of a name, lower-case ("io" for "Example.IO"); "" for a
// name without a dot.
[[nodiscard]] std::string TopLevelLabel(std::string_view asciiName);
