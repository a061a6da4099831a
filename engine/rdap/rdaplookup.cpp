// SPDX-License-Identifier: MIT
#include "engine/rdap/rdaplookup.h"

#include "core/asciicase.h"
#include "engine/rdap/rdapclient.h"

namespace {

struct Hop {
    std::string url; // where the answer finally came from
    RdapHttpResult result;
    RdapMeaning meaning;
};

RdapMeaning Refused(std::string detail) {
    RdapMeaning meaning;
    meaning.verdict = RdapVerdict::Error;
    meaning.reason = FailReason::ReferralRefused;
    meaning.detail = std::move(detail);
    return meaning;
}

// A link or redirect may not leave HTTPS for plain HTTP, nor point back at
// the address it came from.
bool MayFollow(const std::string& from, const std::string& to, const RdapUrlCheck& allowUrl) {
    if (to.empty() || EqualsNoCase(to, from) || UrlHost(to).empty()) {
        return false;
    }
    if (StartsWithNoCase(from, "https://") && !StartsWithNoCase(to, "https://")) {
        return false;
    }
    return !allowUrl || allowUrl(to);
}

// One question with at most one redirect after it. A URL an answer pointed
// at (`pointedAt`, and every redirect) must lead to a public address.
// A registrar's answer (`extra`) is asked on top of the registry's.
Hop Ask(const std::string& url, bool pointedAt, bool extra, std::string_view name,
        const RdapFetchFunction& fetch, const RdapUrlCheck& allowUrl) {
    Hop hop;
    RdapRequest request;
    request.extra = extra;
    const auto askAt = [&](const std::string& at, bool publicOnly) {
        hop.url = at;
        request.url = at;
        request.publicOnly = publicOnly;
        hop.result = fetch(request);
        hop.meaning = ClassifyRdapResult(hop.result, name);
    };
    askAt(url, pointedAt);
    if (hop.meaning.verdict != RdapVerdict::Redirect) {
        return hop;
    }
    const std::string target = hop.result.location;
    if (!MayFollow(url, target, allowUrl)) {
        hop.meaning = Refused("redirect to " + target + " refused");
        return hop;
    }
    askAt(target, true);
    if (hop.meaning.verdict == RdapVerdict::Redirect) {
        hop.meaning.verdict = RdapVerdict::Error;
        hop.meaning.reason = FailReason::BadAnswer;
        hop.meaning.detail = "more than one redirect";
    }
    return hop;
}

} // namespace

RdapLookupResult LookupRdapDomain(std::string_view baseUrl, std::string_view asciiName,
                                  const RdapFetchFunction& fetch, const RdapUrlCheck& allowUrl) {
    RdapLookupResult out;
    const std::string url = RdapDomainUrl(baseUrl, asciiName);
    out.server = UrlHost(url);

    Hop registry = Ask(url, false, false, asciiName, fetch, allowUrl);
    out.httpStatus = registry.result.status;
    out.answer = std::move(registry.result.body);
    out.verdict = registry.meaning.verdict;
    out.reason = registry.meaning.reason;
    out.detail = std::move(registry.meaning.detail);
    out.fields = std::move(registry.meaning.fields);
    if (out.verdict != RdapVerdict::Registered || out.fields.hasRegistrant ||
        out.fields.registrarUrl.empty() ||
        !MayFollow(registry.url, out.fields.registrarUrl, allowUrl)) {
        return out;
    }

    // A thin registry: the registrant is in the registrar's answer. Whatever
    // goes wrong there, the registry's answer stands.
    Hop registrar = Ask(out.fields.registrarUrl, true, true, asciiName, fetch, allowUrl);
    if (registrar.meaning.verdict == RdapVerdict::Registered) {
        FillMissingRdapFields(out.fields, registrar.meaning.fields);
        out.registrarAnswer = std::move(registrar.result.body);
        out.registrarServer = UrlHost(registrar.url);
    }
    return out;
}

RdapFetchFunction FetchWith(RdapClient& client, const std::atomic<bool>* stop) {
    return [&client, stop](const RdapRequest& request) { return client.Get(request, stop); };
}
