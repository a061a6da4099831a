// SPDX-License-Identifier: MIT
#include "listwin/storedresults.h"

#include "core/text.h"
#include "engine/domaintable.h"
#include "engine/rowvalues.h"
#include "engine/store/resultstore.h"
#include "engine/storedrow.h"
#include "platform/gbkqt.h"

#include <algorithm>

StoredCheck ShownCheck(const DomainTable& table, std::int32_t index) {
    RowOutcome outcome = table.details.Outcome(index, false);
    outcome.values = ShownValues(table, index);
    return CheckOfRow(table.Row(index), outcome, 0);
}

void ShowCheckInRow(DomainTable& table, std::int32_t index, const StoredCheck& check) {
    RowOutcome outcome;
    RowFromCheck(check, table.Row(index), outcome);
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
