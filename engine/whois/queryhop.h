// SPDX-License-Identifier: MIT
#pragma once

// The kind of a port-43 question and the way it is asked, shared by the
// per-row query, the IANA directory and the batch that carries them out.

#include <functional>
#include <string>

// Which question of a row a WHOIS query is: the registry's own, the
// registry's own to a server IANA named (its answer or its cached answer),
// or the referral to a registrar's server that the registry's answer named.
// A server named by data from the network must lead to a public address.
enum class QueryHop { Registry, Referral, NamedRegistry };

// Whether the hop's server must resolve to public addresses only (unless
// the connect-to overrides map it), checked at every connect.
[[nodiscard]] inline bool HopNeedsPublicAddress(QueryHop hop) {
    return hop != QueryHop::Registry;
}

// Where the per-row query sends its questions: (server, domain, hop) ->
// answer or failure marker. The default is the TCP client.
using WhoisTransport =
    std::function<std::string(const std::string& server, const std::string& domain, QueryHop hop)>;
