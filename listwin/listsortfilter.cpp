// SPDX-License-Identifier: MIT
#include "listwin/listsortfilter.h"

#include "engine/domaintable.h"
#include "listwin/listctrlmodel.h"

CListSortFilter::CListSortFilter(CListCtrlModel* source, QObject* parent)
    : QSortFilterProxyModel(parent), m_source(source) {
    setSourceModel(source);
    setDynamicSortFilter(true);
}

void CListSortFilter::SetFilter(const QString& text, StatusFilter status) {
    if (text == m_text && status == m_status) {
        return;
    }
    m_text = text;
    m_status = status;
    invalidateFilter();
}

void CListSortFilter::SetPickedDomains(QSet<QString> domains) {
    m_picked = std::move(domains);
    if (m_status == StatusFilter::Picked) {
        invalidateFilter();
    }
}

void CListSortFilter::Refilter() {
    if (m_status == StatusFilter::Expiring) {
        invalidateFilter();
    }
}

bool CListSortFilter::lessThan(const QModelIndex& left, const QModelIndex& right) const {
    const int column = left.column();
    if (ListColumn::IsDate(column) || column == ListColumn::DaysLeft) {
        // The days left run with the expiry date: sorted as its number.
        const int dateColumn = column == ListColumn::DaysLeft ? ListColumn::Expiry : column;
        const std::int32_t a = m_source->DayOf(left.row(), dateColumn);
        const std::int32_t b = m_source->DayOf(right.row(), dateColumn);
        if (a != b) {
            if (a == CListCtrlModel::kNoDay) {
                return false;
            }
            if (b == CListCtrlModel::kNoDay) {
                return true;
            }
            return a < b;
        }
    }
    const QString& a = m_source->GetItem(left.row()).cells[column];
    const QString& b = m_source->GetItem(right.row()).cells[column];
    return a.compare(b, Qt::CaseInsensitive) < 0;
}

bool CListSortFilter::filterAcceptsRow(int sourceRow, const QModelIndex& parent) const {
    if (parent.isValid() || sourceRow >= m_source->GetItemCount()) {
        return false;
    }
    const CListCtrlModel::Item& item = m_source->GetItem(sourceRow);
    if (!m_text.isEmpty() &&
        !item.cells[ListColumn::Domain].contains(m_text, Qt::CaseInsensitive) &&
        !item.cells[ListColumn::Server].contains(m_text, Qt::CaseInsensitive)) {
        return false;
    }
    switch (m_status) {
    case StatusFilter::All:
        return true;
    case StatusFilter::Found:
        return item.status == Found;
    case StatusFilter::NotRegistered:
        return item.status == NotRegistered;
    case StatusFilter::Failed:
        return item.status == Error || item.status == NoServer;
    case StatusFilter::Expiring:
        return m_source->IsExpiring(sourceRow);
    case StatusFilter::Changed:
        return item.changes != 0;
    case StatusFilter::Picked:
        return m_picked.contains(item.cells[ListColumn::Domain]);
    }
    return true;
}
