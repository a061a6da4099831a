// SPDX-License-Identifier: MIT
#include "engine/whois/domainquery.h"

#include <array>
#include <cstring>
#include <string>
#include <string_view>

#include "core/asciicase.h"
#include "core/ccore.h"
#include "engine/failreason.h"
#include "engine/net/referralguard.h"
#include "engine/whois/answerlines.h"
#include "engine/whois/answerparser.h"
#include "engine/whois/refusals.h"
#include "engine/whois/whoisclient.h"

namespace {

// A referral answer of 200 bytes or less is not adopted: the first answer is
// read alone.
constexpr std::size_t kMinAdoptedReferralBytes = 201;

// "   Registrar WHOIS Server: whois.registrar.example" (today),
// "   Whois Server: whois.registrar.example" (the thin registries' old layout).
constexpr std::array<std::string_view, 2> kReferralLabels{"Registrar WHOIS Server", "Whois Server"};

void ReplaceLineEnds(std::string& text) {
    for (char& c : text) {
        if (c == '\r' || c == '\n') {
            c = '^';
        }
    }
}

void RemoveAll(std::string& text, std::string_view what) {
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at)) {
        text.erase(at, what.size());
    }
}

// The first referral value in the record of `domain`, else anywhere.
std::string FindReferral(std::string_view answer, std::string_view domain) {
    const AnswerLines lines(answer, !CCore::isUtf8(answer));
    const std::size_t record = lines.RecordStart(domain);
    std::string_view found;
    const auto accept = [&](std::string_view value) {
        found = TrimValue(value);
        return !found.empty();
    };
    for (const auto& [from, to] :
         {std::pair{record, lines.size()}, std::pair{std::size_t{0}, record}}) {
        for (const std::string_view label : kReferralLabels) {
            if (lines.Find(label, from, to, accept)) {
                return std::string(found);
            }
        }
    }
    return {};
}

void CopyRow(DomainRecord& to, const DomainRecord& from) {
    std::memcpy(&to, &from, sizeof to);
}

// The registrar's answer, adopted, gives every value it names (its expiry
// is the registrant's own, which the registry's notice points to); the
// registry's answer fills what it leaves empty or "N/A".
void Combine(DomainRecord& row, const DomainRecord& registrar) {
    const auto take = [](auto& field, const auto& other) {
        const std::string_view theirs = FieldText(other);
        if (!theirs.empty() && theirs != "N/A") {
            SetField(field, theirs);
        }
    };
    take(row.createdDate, registrar.createdDate);
    take(row.expiryDate, registrar.expiryDate);
    take(row.updatedDate, registrar.updatedDate);
    take(row.registrar, registrar.registrar);
    take(row.owner, registrar.owner);
    take(row.email, registrar.email);
    take(row.phone, registrar.phone);
}

// The same for the whole values.
void Combine(CheckValues& values, const CheckValues& registrar) {
    const auto take = [](std::string& field, const std::string& theirs) {
        if (!theirs.empty() && theirs != "N/A") {
            field = theirs;
        }
    };
    take(values.created, registrar.created);
    take(values.expiry, registrar.expiry);
    take(values.updated, registrar.updated);
    take(values.registrar, registrar.registrar);
    take(values.owner, registrar.owner);
    take(values.email, registrar.email);
    take(values.phone, registrar.phone);
}

// Why a first answer was read as Error.
FailReason ReasonForAnswer(std::string_view answer) {
    if (answer.empty()) {
        return FailReason::EmptyAnswer;
    }
    const FailReason refused = DetectRefusal(answer).reason;
    return refused != FailReason::None ? refused : FailReason::Unrecognised;
}

// A referral answer worth reading: an answer, not a failure, not a refusal
// and not a few words.
bool Adoptable(const std::string& answer) {
    return !IsFailureMarker(answer) && answer.size() >= kMinAdoptedReferralBytes &&
           DetectRefusal(answer).reason == FailReason::None;
}

} // namespace

RowOutcome QueryRow(DomainRecord& row, const std::string& server, const WhoisTransport& transport) {
    return QueryRow(
        row, server, transport,
        [](DomainRecord& r, std::string_view recipeServer, std::string answer, CheckValues& whole) {
            ParseAnswer(r, recipeServer, std::move(answer), whole);
        });
}

RowOutcome QueryRow(DomainRecord& row, const std::string& server, const WhoisTransport& transport,
                    const AnswerParseFunction& parse) {
    RowOutcome outcome;
    const std::string domain(FieldText(row.domain));
    if (server.empty()) {
        // Nothing to ask: the row says so instead of failing a connection.
        row.status = NoServer;
        outcome.reason = FailReason::NoServer;
        return outcome;
    }
    outcome.protocol = QueryProtocol::Whois;
    outcome.server = server;

    // Only an exact marker is a failure: an answer may well mention "Err_".
    std::string first = transport(server, domain, QueryHop::Registry);
    if (IsFailureMarker(first)) {
        // A marker is no answer; the text of one cut off by a time-out is
        // kept to be shown, never read.
        row.status = Error;
        outcome.reason = FailReasonForMarker(first);
        outcome.answer = CutOffText(first);
        return outcome;
    }
    outcome.answer = first;
    row.answered = 1;

    std::string referral = FindReferral(first, domain);
    ReplaceLineEnds(first);
    if (referral.empty()) {
        // "MORE.INFO.AT.whois.registrar.example^", once the registry's own
        // pointer to itself is taken out.
        RemoveAll(first, std::string("MORE.INFO.AT.") + kReferralMarkerDomain);
        referral = CCore::getStrPart(first, "MORE.INFO.AT.", "^");
    }
    referral = ReferralHost(referral);

    DomainRecord fromRegistry;
    CopyRow(fromRegistry, row);
    parse(fromRegistry, server, std::move(first), outcome.values);
    if (fromRegistry.status == Error) {
        outcome.reason = ReasonForAnswer(outcome.answer);
    }
    // A referral is asked only about a registered name, and only of a host
    // the name rule lets through (the answer is data from the network);
    // whatever becomes of it, the registry's answer stands.
    if (fromRegistry.status == Found && IsReferralHostName(referral) &&
        !EqualsNoCase(referral, server)) {
        std::string second = transport(referral, domain, QueryHop::Referral);
        if (Adoptable(second)) {
            DomainRecord fromRegistrar;
            CopyRow(fromRegistrar, row);
            std::string text = second;
            ReplaceLineEnds(text);
            CheckValues registrarValues;
            // The registry's recipe reads the registrar's answer too.
            parse(fromRegistrar, server, std::move(text), registrarValues);
            if (fromRegistrar.status == Found) {
                Combine(fromRegistry, fromRegistrar);
                Combine(outcome.values, registrarValues);
                // The registry's answer stays beside the adopted one.
                outcome.otherAnswer = std::move(outcome.answer);
                outcome.otherServer = std::move(outcome.server);
                outcome.otherCameFirst = true;
                outcome.answer = std::move(second);
                outcome.server = referral;
            }
        }
    }
    CopyRow(row, fromRegistry);
    return outcome;
}
