#pragma once

// One name asked over RDAP, from the bootstrap's base URL to the row's
// values: the registry's answer, at most one redirect, and the registrar's
// answer through the registry's "related" link when the registry names no
// registrant (the registry's answer is kept when the registrar's fails).
//
// The HTTP side is a parameter, so the batch can send each request through
// its host lanes (limits, intervals, asking again after a 429) and tests
// can script the answers.

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "engine/rdapbootstrapstore.h"
#include "engine/rdapmeaning.h"

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
    std::string answer;      // the registry's JSON as received
    std::string registrarAnswer; // the registrar's JSON, when it was asked and answered
};

[[nodiscard]] RdapLookupResult LookupRdapDomain(std::string_view baseUrl,
                                                std::string_view asciiName,
                                                const RdapFetchFunction& fetch,
                                                const RdapUrlCheck& allowUrl = {});

// The fetch of a client: request -> client.Get(request, stop).
[[nodiscard]] RdapFetchFunction FetchWith(RdapClient& client,
                                          const std::atomic<bool>* stop = nullptr);

// Waits `seconds`; false when the wait was cut short by a stop request.
using RdapWaitFunction = std::function<bool(int seconds)>;

// Asks again after a 429, up to kRdapRateLimitRetries times, waiting as
// Retry-After says (at most 60 s; `defaultWaitSeconds` when it says
// nothing). For use without the batch's host lanes, which do this there.
[[nodiscard]] RdapFetchFunction RetryWhenRateLimited(RdapFetchFunction fetch, RdapWaitFunction wait,
                                                     int defaultWaitSeconds = 5);

// A wait that sleeps in slices of at most 100 ms and ends early on `stop`.
[[nodiscard]] RdapWaitFunction StoppableWait(const std::atomic<bool>* stop);
