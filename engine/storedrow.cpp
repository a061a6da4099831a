// SPDX-License-Identifier: MIT
#include "engine/storedrow.h"

#include <string>

#include "core/text.h"
#include "engine/net/idn.h"
#include "engine/rowvalues.h"

StoredCheck CheckOfRow(const DomainRecord& row, const RowOutcome& outcome, std::int64_t now) {
    StoredCheck check;
    check.domainAscii.assign(FieldText(row.domain));
    check.domainUnicode = ToUnicodeName(check.domainAscii);
    check.askedAt = outcome.askedAt != 0 ? outcome.askedAt : now;
    check.protocol = static_cast<std::uint8_t>(outcome.protocol);
    // Host names are ASCII, so the GBK column holds the server as it is.
    check.server =
        !outcome.server.empty() ? outcome.server : std::string(FieldText(row.whoisServer));
    check.status = row.status;
    check.reason = static_cast<std::uint8_t>(outcome.reason);
    check.values = outcome.values;
    check.answer = outcome.answer;
    return check;
}

void RowFromCheck(const StoredCheck& check, DomainRecord& row, RowOutcome& outcome) {
    SetField(row.whoisServer, check.server);
    row.status = check.status;
    StoreRowValues(row, check.values);
    // A stored check keeps no trace of a failed answer's arrival; a row that
    // states the name's state was surely answered.
    row.answered =
        check.status == Found || check.status == NotRegistered || !check.answer.empty() ? 1 : 0;
    outcome = RowOutcome{};
    // A value a later version wrote and this one does not know reads as the
    // most general one.
    outcome.reason = check.reason < kFailReasonCount ? static_cast<FailReason>(check.reason)
                                                     : FailReason::Internal;
    outcome.protocol = check.protocol <= static_cast<std::uint8_t>(QueryProtocol::Rdap)
                           ? static_cast<QueryProtocol>(check.protocol)
                           : QueryProtocol::None;
    outcome.answer = check.answer;
    outcome.values = check.values;
    outcome.server = check.server;
    outcome.askedAt = check.askedAt;
}
