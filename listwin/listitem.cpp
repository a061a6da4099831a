// SPDX-License-Identifier: MIT
#include "listwin/listitem.h"

#include "engine/domaintable.h"
#include "engine/rowvalues.h"
#include "listwin/domaindisplay.h"
#include "platform/gbkqt.h"

CListCtrlModel::Item ListItemForRow(const DomainTable& table, std::int32_t index, bool finished) {
    CListCtrlModel::Item item;
    const DomainRecord& row = table.Row(index);
    item.cells[ListColumn::Domain] = DisplayDomain(FieldText(row.domain));
    item.cells[ListColumn::Server] = FromGbk(FieldText(row.whoisServer));
    if (!finished) {
        return item;
    }
    const FailReason reason = table.details.Reason(index);
    // A name no server is known for fails without asking anyone.
    const bool noServer = (row.status == NoServer || row.status == Error) &&
                          (reason == FailReason::NoServer || FieldText(row.whoisServer).empty());
    item.status = noServer ? NoServer : row.status;
    item.cells[ListColumn::Status] = QString::fromUtf8(QueryStatusListText(item.status));
    if (item.status == Error || noServer) {
        const std::string_view why = FailReasonChinese(reason);
        item.statusTip = QString::fromUtf8(why.data(), static_cast<qsizetype>(why.size()));
    }
    // Whole and in any script (the row's fields hold cut GBK copies).
    const CheckValues values = ShownValues(table, index);
    item.cells[ListColumn::Expiry] = QString::fromStdString(values.expiry);
    item.cells[ListColumn::Created] = QString::fromStdString(values.created);
    item.cells[ListColumn::Updated] = QString::fromStdString(values.updated);
    item.cells[ListColumn::Owner] = QString::fromStdString(values.owner);
    item.cells[ListColumn::Email] = QString::fromStdString(values.email);
    item.cells[ListColumn::Phone] = QString::fromStdString(values.phone);
    item.cells[ListColumn::Registrar] = QString::fromStdString(values.registrar);
    item.expiryDay = CListCtrlModel::DayNumber(values.expiry);
    item.createdDay = CListCtrlModel::DayNumber(values.created);
    item.updatedDay = CListCtrlModel::DayNumber(values.updated);
    return item;
}
