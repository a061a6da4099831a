// SPDX-License-Identifier: MIT
#include "engine/rdap/rdapmeaning.h"

namespace {

RdapMeaning Make(RdapVerdict verdict, FailReason reason, std::string detail) {
    RdapMeaning meaning;
    meaning.verdict = verdict;
    meaning.reason = reason;
    meaning.detail = std::move(detail);
    return meaning;
}

} // namespace

RdapMeaning ClassifyRdapResult(const RdapHttpResult& result, std::string_view queriedName) {
    switch (result.failure) {
    case RdapFailure::None:
        break;
    case RdapFailure::ResolveFailed:
    case RdapFailure::ConnectionRefused:
    case RdapFailure::TimedOut:
    case RdapFailure::ConnectionReset:
    case RdapFailure::Tls:
        return Make(RdapVerdict::FallBack, FailReasonForRdapFailure(result.failure), result.detail);
    case RdapFailure::TooLarge:
    case RdapFailure::AddressRefused:
    case RdapFailure::Stopped:
    case RdapFailure::BadUrl:
    case RdapFailure::Internal:
    case RdapFailure::ProxyFailed: // port 43 would leave by the same proxy
        return Make(RdapVerdict::Error, FailReasonForRdapFailure(result.failure), result.detail);
    }

    const long status = result.status;
    const std::string http = "HTTP " + std::to_string(status);
    if (status == 200) {
        RdapDomainFields fields = ReadRdapDomain(result.body, queriedName);
        if (!fields.ok) {
            // Some servers say "not found" in a 200 with an error object.
            if (fields.error == "error object 404") {
                return Make(RdapVerdict::NotRegistered, FailReason::None, fields.error);
            }
            return Make(RdapVerdict::Error, FailReason::BadAnswer, fields.error);
        }
        RdapMeaning meaning = Make(RdapVerdict::Registered, FailReason::None, http);
        meaning.fields = std::move(fields);
        return meaning;
    }
    if (status == 404) {
        return Make(RdapVerdict::NotRegistered, FailReason::None, http);
    }
    if (status == 429) {
        return Make(RdapVerdict::RateLimited, FailReason::RateLimited, http);
    }
    if (status == 301 || status == 302 || status == 303 || status == 307 || status == 308) {
        if (result.location.empty()) {
            return Make(RdapVerdict::Error, FailReason::BadAnswer, http + " without a location");
        }
        return Make(RdapVerdict::Redirect, FailReason::None, http);
    }
    if (status >= 500 && status <= 599) {
        return Make(RdapVerdict::FallBack, FailReason::QueryRefused, http);
    }
    if (status >= 400 && status <= 499) {
        return Make(RdapVerdict::Error, FailReason::QueryRefused, http);
    }
    return Make(RdapVerdict::Error, FailReason::BadAnswer, http);
}
