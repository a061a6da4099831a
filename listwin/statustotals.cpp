// SPDX-License-Identifier: MIT
#include "listwin/statustotals.h"

#include "engine/domaintable.h"
#include "listwin/listctrlmodel.h"

StatusTotals CountStatuses(const CListCtrlModel& model) {
    StatusTotals totals;
    for (int i = 0; i < model.GetItemCount(); ++i) {
        switch (model.GetItem(i).status) {
        case Found:
            ++totals.found;
            break;
        case NotRegistered:
            ++totals.notRegistered;
            break;
        case Error:
            ++totals.failed;
            break;
        case NoServer:
            ++totals.noServer;
            break;
        default:
            ++totals.notAsked;
            break;
        }
    }
    return totals;
}

QString StatusTotalsText(const StatusTotals& totals) {
    QString text = QStringLiteral("成功 %1 · 未注册 %2 · 失败 %3 · 无服务器 %4")
                       .arg(totals.found)
                       .arg(totals.notRegistered)
                       .arg(totals.failed)
                       .arg(totals.noServer);
    if (totals.notAsked > 0) {
        text += QStringLiteral(" · 未查询 %1").arg(totals.notAsked);
    }
    return text;
}
