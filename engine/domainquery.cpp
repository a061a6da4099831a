#include "engine/domainquery.h"

#include <cstring>
#include <string>
#include <string_view>

#include "core/ccore.h"
#include "engine/answerparser.h"
#include "engine/failreason.h"
#include "engine/whoisclient.h"

namespace {

// A referral answer of 200 bytes or less is not adopted: the first answer is
// parsed instead.
constexpr std::size_t kMinAdoptedReferralBytes = 201;

void ReplaceLineEnds(std::string& text) {
    for (char& c : text) {
        if (c == '\r' || c == '\n') {
            c = '^';
        }
    }
}

void TrimTrailingSpace(std::string& text) {
    const auto end = text.find_last_not_of(" \t\r\n");
    text.erase(end == std::string::npos ? 0 : end + 1);
}

void RemoveAll(std::string& text, std::string_view what) {
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at)) {
        text.erase(at, what.size());
    }
}

// An answer that parsed to Error was empty.
RowOutcome Concluded(const DomainRecord& row, RowOutcome outcome) {
    if (row.status == Error) {
        outcome.reason = FailReason::EmptyAnswer;
    }
    return outcome;
}

} // namespace

RowOutcome QueryRow(DomainRecord& row, const WhoisTransport& transport) {
    return QueryRow(row, transport, ParseAnswer);
}

RowOutcome QueryRow(DomainRecord& row, const WhoisTransport& transport,
                    const AnswerParseFunction& parse) {
    RowOutcome outcome;
    outcome.protocol = QueryProtocol::Whois;
    const std::string server(FieldText(row.whoisServer));
    const std::string domain(FieldText(row.domain));

    // Only an exact marker is a failure: an answer may well mention "Err_".
    std::string first = transport(server, domain, QueryHop::Registry);
    outcome.answer = first;
    if (IsFailureMarker(first)) {
        row.status = Error;
        outcome.reason = FailReasonForMarker(first);
        return outcome;
    }
    row.answered = 1;

    // "   Whois Server: whois.registrar.example\r\n   Referral URL: http://..."
    std::string referral = CCore::getStrPart(first, "Whois Server: ", "Referral URL");
    TrimTrailingSpace(referral);
    ReplaceLineEnds(first);
    if (referral.empty()) {
        // "MORE.INFO.AT.whois.registrar.example^", once the registry's own
        // pointer to itself is taken out.
        RemoveAll(first, std::string("MORE.INFO.AT.") + kReferralMarkerDomain);
        referral = CCore::getStrPart(first, "MORE.INFO.AT.", "^");
    }

    if (!referral.empty()) {
        std::string second = transport(referral, domain, QueryHop::Referral);
        if (IsFailureMarker(second)) {
            row.status = Error;
            outcome.reason = FailReasonForMarker(second);
            return outcome;
        }
        if (second.size() >= kMinAdoptedReferralBytes) {
            outcome.answer = second;
            // The recipes end values at '^', so the referral needs the same
            // line-end form as the first answer.
            ReplaceLineEnds(second);
            parse(row, std::move(second));
            return Concluded(row, std::move(outcome));
        }
    }
    parse(row, std::move(first));
    return Concluded(row, std::move(outcome));
}
