// SPDX-License-Identifier: MIT
#include "listwin/storedresults.h"

#include "core/ccore.h"
#include "core/text.h"
#include "engine/domaintable.h"
#include "engine/store/resultstore.h"
#include "platform/gbkqt.h"

#include <algorithm>

namespace {

// A whole UTF-8 value as the row's cut GBK copy.
template <std::size_t N>
void SetGbkField(char (&field)[N], std::string utf8) {
    CCore::UTF8_ANSI(utf8);
    SetField(field, utf8);
}

} // namespace

StoredCheck CheckOfRow(const DomainTable& table, std::int32_t index) {
    StoredCheck check;
    const DomainRecord& row = table.Row(index);
    check.domainAscii.assign(FieldText(row.domain));
    check.domainUnicode = check.domainAscii;
    check.status = row.status;
    check.reason = static_cast<std::uint8_t>(table.details.Reason(index));
    check.protocol = static_cast<std::uint8_t>(table.details.Protocol(index));
    check.server = table.details.Server(index);
    check.askedAt = table.details.AskedAt(index);
    check.values = table.details.Values(index);
    return check;
}

void ShowCheckInRow(DomainTable& table, std::int32_t index, const StoredCheck& check) {
    DomainRecord& row = table.Row(index);
    row.status = check.status;
    if (!check.server.empty()) {
        SetGbkField(row.whoisServer, check.server);
    }
    SetGbkField(row.expiryDate, check.values.expiry);
    SetGbkField(row.createdDate, check.values.created);
    SetGbkField(row.updatedDate, check.values.updated);
    SetGbkField(row.owner, check.values.owner);
    SetGbkField(row.email, check.values.email);
    SetGbkField(row.phone, check.values.phone);
    SetGbkField(row.registrar, check.values.registrar);
    RowOutcome outcome;
    outcome.reason = static_cast<FailReason>(check.reason);
    outcome.protocol = static_cast<QueryProtocol>(check.protocol);
    outcome.values = check.values;
    outcome.server = check.server;
    outcome.askedAt = check.askedAt;
    table.details.Set(index, std::move(outcome));
}

std::vector<std::string> TableNames(const DomainTable& table) {
    std::vector<std::string> names;
    if (!table.IsAllocated()) {
        return names;
    }
    names.reserve(static_cast<std::size_t>(std::max(table.count, 0)));
    for (std::int32_t i = 0; i < table.count; ++i) {
        names.emplace_back(FieldText(table.Row(i).domain));
    }
    return names;
}

std::string WorkingListIdentity(const DomainTable& table) {
    return ListIdentity(table.listFilePath, TableNames(table));
}

void ShowStoreNotices(QWidget* owner) {
    ResultStore* store = TheDomainTable().store;
    if (store == nullptr) {
        return;
    }
    std::string text;
    for (const ResultStore::Notice& notice : store->TakeNotices()) {
        if (!text.empty()) {
            text += '\n';
        }
        text += notice.chinese;
    }
    if (!text.empty()) {
        InfoBox(owner, text);
    }
}

std::string ChangesText(std::uint8_t changes) {
    return ChangesChinese(ChangeKindsOf(changes));
}
