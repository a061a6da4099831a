// SPDX-License-Identifier: MIT
#pragma once

// One row asked by the protocol its plan names (engine/batch/protocolplan.h):
//
//   RDAP first (the bootstrap lists the TLD; auto or rdap):
//     registered, not registered, rate limited, an error -> the row
//     no answer (unreachable, time-out, 5xx)            -> port 43 (auto),
//                                                          else the error
//   port 43: the suffix table's server, else the one IANA names for the
//     TLD, asked by QueryRow (the registry, then at most one referral)
//
// The row's server column says who answered: the RDAP server's host name or
// the port-43 server; it is empty when the name has no server.

#include <atomic>
#include <string>

#include "engine/batch/queryoptions.h"
#include "engine/domaintable.h"
#include "engine/rdap/rdapdomain.h"
#include "engine/rdap/rdaphttp.h"
#include "engine/rowdetails.h"

class IanaWhoisDirectory;
class RdapBootstrap;

struct RowQueryContext {
    ProtocolChoice protocol = ProtocolChoice::Auto;
    const RdapBootstrap* bootstrap = nullptr; // none: RDAP is never asked
    IanaWhoisDirectory* iana = nullptr;       // none: names outside the suffix table have no server
    const std::atomic<bool>* stop = nullptr;
};

// Where a row's questions go (the batch puts its host lanes around them).
struct RowQuestions {
    WhoisTransport whois;   // port 43, IANA's own server included
    RdapFetchFunction rdap; // RDAP over HTTPS
};

RowOutcome QueryRowByProtocol(DomainRecord& row, const RowQueryContext& context,
                              const RowQuestions& questions);

// Where a row's first question goes, for the batch's row queue: the host
// whose lane admits the row, and the group of rows that share a limit of
// rows under way.
struct FirstQuestion {
    std::string host;  // "": no lane (no server; or IANA must name the server first)
    std::string group; // "": the host's
};

[[nodiscard]] FirstQuestion FirstQuestionOf(const DomainRecord& row,
                                            const RowQueryContext& context);

// RDAP's values (UTF-8) as the recipes read theirs: clean, redaction texts
// empty, dates as YYYY-MM-DD; returned whole, and every field of the row
// written with its cut GBK copy.
CheckValues StoreRdapFields(DomainRecord& row, const RdapDomainFields& fields);

// A URL an RDAP answer pointed at (a redirect, a registrar's link) is asked
// only when its host is a plain public host name.
[[nodiscard]] bool MayAskPointedUrl(const std::string& url);
