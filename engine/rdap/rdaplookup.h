// SPDX-License-Identifier: MIT
#pragma once

// One name asked over RDAP, from the bootstrap's base URL to the row's
// values: the registry's answer, at most one redirect, and the registrar's
// answer through the registry's "related" link when the registry names no
// registrant (the registry's answer is kept when the registrar's fails).
//
// The HTTP side is a parameter, so the batch can send each request through
// its host lanes (limits, intervals, asking again after a 429: see
// engine/batch/rdaplanes.h) and tests can script the answers.

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "engine/rdap/rdapbootstrapstore.h"
#include "engine/rdap/rdapmeaning.h"

class RdapClient;

// Whether a URL that an answer pointed at (a redirect, a registrar link)
// may be asked; empty: any http(s) URL with a host name. Such requests are
// also marked `publicOnly` for the client's address rule.
using RdapUrlCheck = std::function<bool(const std::string& url)>;

struct RdapLookupResult {
    // Registered, NotRegistered, RateLimited (after the fetch gave up asking
    // again), FallBack (ask port 43 instead) or Error.
    RdapVerdict verdict = RdapVerdict::Error;
    FailReason reason = FailReason::None;
    std::string detail;
    RdapDomainFields fields; // Registered: the registry's values, gaps filled by the registrar's
    std::string server;      // the registry's RDAP host name, for the row's server column
    long httpStatus = 0;     // the registry's HTTP status; 0 when no answer came
    std::string answer;      // the registry's JSON as received
    std::string registrarAnswer; // the registrar's JSON, when it was asked and answered
    std::string registrarServer; // the host that gave it
};

[[nodiscard]] RdapLookupResult LookupRdapDomain(std::string_view baseUrl,
                                                std::string_view asciiName,
                                                const RdapFetchFunction& fetch,
                                                const RdapUrlCheck& allowUrl = {});

// The fetch of a client: request -> client.Get(request, stop).
[[nodiscard]] RdapFetchFunction FetchWith(RdapClient& client,
                                          const std::atomic<bool>* stop = nullptr);
