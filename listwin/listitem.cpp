// SPDX-License-Identifier: MIT
#include "listwin/listitem.h"

#include "engine/domaintable.h"
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
    item.cells[ListColumn::Expiry] = FromGbk(FieldText(row.expiryDate));
    item.cells[ListColumn::Created] = FromGbk(FieldText(row.createdDate));
    item.cells[ListColumn::Updated] = FromGbk(FieldText(row.updatedDate));
    item.cells[ListColumn::Owner] = FromGbk(FieldText(row.owner));
    item.cells[ListColumn::Email] = FromGbk(FieldText(row.email));
    item.cells[ListColumn::Phone] = FromGbk(FieldText(row.phone));
    item.cells[ListColumn::Registrar] = FromGbk(FieldText(row.registrar));
    item.expiryDay = CListCtrlModel::DayNumber(FieldText(row.expiryDate));
    item.createdDay = CListCtrlModel::DayNumber(FieldText(row.createdDate));
    item.updatedDay = CListCtrlModel::DayNumber(FieldText(row.updatedDate));
    return item;
}
