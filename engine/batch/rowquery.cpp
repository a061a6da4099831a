// SPDX-License-Identifier: MIT
#include "engine/batch/rowquery.h"

#include "core/text.h"
#include "engine/batch/protocolplan.h"
#include "engine/net/referralguard.h"
#include "engine/rdap/rdaplookup.h"
#include "engine/rowvalues.h"
#include "engine/valueclean.h"
#include "engine/whois/domainquery.h"
#include "engine/whois/ianawhois.h"

namespace {

// The clean whole value, and the row's cut GBK copy of it.
template <std::size_t N>
void Store(char (&field)[N], std::string& whole, const std::string& utf8, bool date = false) {
    std::string value = date ? CleanDateValue(utf8) : CleanValue(utf8);
    if (IsRedactedValue(value)) {
        value.clear();
    }
    SetFieldFromUtf8(field, value);
    whole = std::move(value);
}

RowOutcome NoServerFor(DomainRecord& row) {
    row.status = NoServer;
    SetField(row.whoisServer, "");
    RowOutcome outcome;
    outcome.reason = FailReason::NoServer;
    return outcome;
}

RowOutcome AskPort43(DomainRecord& row, const ProtocolPlan& plan, const std::string& domain,
                     const RowQueryContext& context, const RowQuestions& questions) {
    std::string server = plan.whoisServer;
    if (plan.whois == WhoisRoute::Iana) {
        if (context.iana == nullptr) {
            return NoServerFor(row);
        }
        const IanaLookup lookup =
            context.iana->ServerFor(TopLevelLabel(domain), questions.whois, context.stop);
        if (!lookup.ok) {
            // The server that failed the row is IANA's.
            row.status = Error;
            SetField(row.whoisServer, ServerIana);
            RowOutcome outcome;
            outcome.server = ServerIana;
            outcome.reason = lookup.reason;
            outcome.protocol = QueryProtocol::Whois;
            return outcome;
        }
        server = lookup.server;
    }
    if (server.empty()) {
        return NoServerFor(row);
    }
    // The column only shows the server (cut to its width); the question and
    // the recipe take the whole name. A server IANA named is data from the
    // network: it must lead to a public address, like a referral.
    SetField(row.whoisServer, server);
    const QueryHop registryHop =
        plan.whois == WhoisRoute::Iana ? QueryHop::NamedRegistry : QueryHop::Registry;
    return QueryRow(
        row, server, [&](const std::string& asked, const std::string& name, QueryHop hop) {
            return questions.whois(asked, name, hop == QueryHop::Registry ? registryHop : hop);
        });
}

} // namespace

bool MayAskPointedUrl(const std::string& url) {
    return IsReferralHostName(UrlHost(url));
}

CheckValues StoreRdapFields(DomainRecord& row, const RdapDomainFields& fields) {
    CheckValues whole;
    Store(row.expiryDate, whole.expiry, fields.expiry, true);
    Store(row.createdDate, whole.created, fields.created, true);
    Store(row.updatedDate, whole.updated, fields.updated, true);
    Store(row.registrar, whole.registrar, fields.registrar);
    Store(row.owner, whole.owner, fields.owner);
    Store(row.email, whole.email, fields.email);
    Store(row.phone, whole.phone, fields.phone);
    return whole;
}

RowOutcome QueryRowByProtocol(DomainRecord& row, const RowQueryContext& context,
                              const RowQuestions& questions) {
    const std::string domain(FieldText(row.domain));
    const ProtocolPlan plan = PlanProtocol(context.protocol, domain, context.bootstrap);
    if (!plan.hasServer()) {
        return NoServerFor(row);
    }
    if (!plan.asksRdap()) {
        return AskPort43(row, plan, domain, context, questions);
    }

    RdapLookupResult rdap =
        LookupRdapDomain(plan.rdapBaseUrl, domain, questions.rdap, MayAskPointedUrl);
    if (rdap.verdict == RdapVerdict::FallBack && plan.whois != WhoisRoute::None) {
        return AskPort43(row, plan, domain, context, questions);
    }
    RowOutcome outcome;
    outcome.protocol = QueryProtocol::Rdap;
    outcome.answer = std::move(rdap.answer);
    outcome.otherAnswer = std::move(rdap.registrarAnswer);
    outcome.otherServer = std::move(rdap.registrarServer);
    SetField(row.whoisServer, rdap.server);
    outcome.server = rdap.server;
    if (rdap.httpStatus != 0) {
        row.answered = 1;
    }
    switch (rdap.verdict) {
    case RdapVerdict::Registered:
        outcome.values = StoreRdapFields(row, rdap.fields);
        row.status = Found;
        break;
    case RdapVerdict::NotRegistered:
        row.status = NotRegistered;
        break;
    case RdapVerdict::RateLimited:
        row.status = Error;
        outcome.reason = FailReason::RateLimited;
        break;
    case RdapVerdict::FallBack:
    case RdapVerdict::Redirect:
    case RdapVerdict::Error:
        row.status = Error;
        outcome.reason = rdap.reason != FailReason::None ? rdap.reason : FailReason::BadAnswer;
        break;
    }
    return outcome;
}

FirstQuestion FirstQuestionOf(const DomainRecord& row, const RowQueryContext& context) {
    const std::string_view domain = FieldText(row.domain);
    const ProtocolPlan plan = PlanProtocol(context.protocol, domain, context.bootstrap);
    FirstQuestion first;
    if (plan.asksRdap()) {
        first.host = UrlHost(plan.rdapBaseUrl);
    } else if (plan.whois == WhoisRoute::Table) {
        first.host = plan.whoisServer;
    } else if (plan.whois == WhoisRoute::Iana && context.iana != nullptr) {
        const std::string tld = TopLevelLabel(domain);
        if (const auto known = context.iana->Known(tld)) {
            first.host = *known;
        } else {
            // IANA is asked once per TLD; the TLD's rows keep to a share of
            // the workers meanwhile, as one registry's rows would.
            first.group = "iana:" + tld;
        }
    }
    return first;
}
