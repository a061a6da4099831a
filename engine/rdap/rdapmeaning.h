// SPDX-License-Identifier: MIT
#pragma once

// What one RDAP HTTP outcome means for a row: registered (with the fields
// read), not registered, rate limited (wait and ask again), a reason to ask
// port 43 instead, a redirect to check and follow, or an error with its
// reason.
//
//   200 + a domain object       -> Registered
//   404                         -> NotRegistered
//   429                         -> RateLimited (the lanes wait and ask again)
//   301/302/303/307/308         -> Redirect (to `location`)
//   5xx, time-out, unreachable  -> FallBack
//   other 4xx                   -> Error, QueryRefused
//   200 without a domain object -> Error, BadAnswer

#include <string>
#include <string_view>

#include "engine/failreason.h"
#include "engine/rdap/rdapdomain.h"
#include "engine/rdap/rdaphttp.h"

enum class RdapVerdict { Registered, NotRegistered, RateLimited, Redirect, FallBack, Error };

struct RdapMeaning {
    RdapVerdict verdict = RdapVerdict::Error;
    FailReason reason = FailReason::None; // for FallBack and Error (and RateLimited)
    std::string detail;                   // English, e.g. "HTTP 403", "malformed JSON"
    RdapDomainFields fields;              // Registered: what the answer says
};

[[nodiscard]] RdapMeaning ClassifyRdapResult(const RdapHttpResult& result,
                                             std::string_view queriedName);
