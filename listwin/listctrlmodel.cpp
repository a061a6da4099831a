// SPDX-License-Identifier: MIT
#include "listwin/listctrlmodel.h"

#include "listwin/expiryrule.h"

#include <QColor>
#include <algorithm>

namespace {

// Pale backgrounds, so the text keeps its own colour (red or not) on them.
QColor BandColor(ExpiryBand band) {
    switch (band) {
    case ExpiryBand::Expired:
        return {0xf4, 0xb6, 0xb6};
    case ExpiryBand::Soon:
        return {0xfb, 0xd4, 0xa6};
    case ExpiryBand::Near:
        return {0xfa, 0xee, 0xb0};
    case ExpiryBand::Later:
        break;
    }
    return {0xd6, 0xef, 0xd6};
}

} // namespace

CListCtrlModel::CListCtrlModel(QObject* parent) : QAbstractTableModel(parent) {
    for (int i = 0; i < ListColumn::Count; ++i) {
        m_titles.append(QString());
    }
}

int CListCtrlModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : GetItemCount();
}

int CListCtrlModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ListColumn::Count;
}

QVariant CListCtrlModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= GetItemCount() || index.column() >= ListColumn::Count) {
        return {};
    }
    const Item& item = GetItem(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return GetItemText(index.row(), index.column());
    case Qt::BackgroundRole:
        if (index.column() == ListColumn::DaysLeft && item.expiryDay != kNoDay) {
            return BandColor(ExpiryBandOf(item.expiryDay - m_today, m_redDays));
        }
        return {};
    case Qt::CheckStateRole:
        if (index.column() == ListColumn::Domain) {
            return item.checked ? Qt::Checked : Qt::Unchecked;
        }
        return {};
    case Qt::ForegroundRole:
        if (IsItemRed(index.row())) {
            return QColor(Qt::red);
        }
        return {};
    case Qt::ToolTipRole:
        if (index.column() == ListColumn::Status && !item.statusTip.isEmpty()) {
            return item.statusTip;
        }
        if (index.column() == ListColumn::Status && item.status == kNotFinished &&
            !m_waitingHost.isEmpty() &&
            item.cells[ListColumn::Server].compare(m_waitingHost, Qt::CaseInsensitive) == 0) {
            return QStringLiteral("等待 %1（限速）").arg(m_waitingHost);
        }
        return {};
    default:
        return {};
    }
}

bool CListCtrlModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.column() != ListColumn::Domain || role != Qt::CheckStateRole) {
        return false;
    }
    SetCheck(index.row(), value.toInt() == Qt::Checked);
    return true;
}

Qt::ItemFlags CListCtrlModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == ListColumn::Domain) {
        f |= Qt::ItemIsUserCheckable;
    }
    return f;
}

QVariant CListCtrlModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < ListColumn::Count) {
        return m_titles[section];
    }
    if (orientation == Qt::Horizontal && role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    }
    // A first click on any header sorts ascending; the next one reverses.
    if (orientation == Qt::Horizontal && role == Qt::InitialSortOrderRole) {
        return static_cast<int>(Qt::AscendingOrder);
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

void CListCtrlModel::SetColumnTitle(int column, const QString& title) {
    if (column < 0 || column >= ListColumn::Count) {
        return;
    }
    m_titles[column] = title;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

void CListCtrlModel::ResetItems(std::vector<Item> items) {
    beginResetModel();
    m_items = std::move(items);
    m_pending.clear();
    endResetModel();
}

void CListCtrlModel::DeleteAllItems() {
    ResetItems({});
}

QString CListCtrlModel::GetItemText(int item, int column) const {
    if (item < 0 || item >= GetItemCount() || column < 0 || column >= ListColumn::Count) {
        return {};
    }
    if (column == ListColumn::DaysLeft) {
        // Counted from today, which moves: never kept as text.
        return DaysLeftText(GetItem(item).expiryDay);
    }
    return GetItem(item).cells[column];
}

QString CListCtrlModel::DaysLeftText(std::int32_t expiryDay) const {
    return expiryDay == kNoDay ? QString() : QString::number(expiryDay - m_today);
}

bool CListCtrlModel::GetCheck(int item) const {
    return item >= 0 && item < GetItemCount() && GetItem(item).checked;
}

void CListCtrlModel::SetCheck(int item, bool checked) {
    if (item < 0 || item >= GetItemCount()) {
        return;
    }
    m_items[static_cast<std::size_t>(item)].checked = checked;
    const QModelIndex cell = index(item, ListColumn::Domain);
    emit dataChanged(cell, cell, {Qt::CheckStateRole});
}

void CListCtrlModel::SetAllChecks(bool checked) {
    if (m_items.empty()) {
        return;
    }
    for (Item& item : m_items) {
        item.checked = checked;
    }
    emit dataChanged(index(0, ListColumn::Domain), index(GetItemCount() - 1, ListColumn::Domain),
                     {Qt::CheckStateRole});
}

void CListCtrlModel::SetResult(int item, const Item& result) {
    if (item < 0 || item >= GetItemCount()) {
        return;
    }
    Item& target = m_items[static_cast<std::size_t>(item)];
    for (int column = ListColumn::Status; column < ListColumn::Count; ++column) {
        target.cells[column] = result.cells[column];
    }
    target.statusTip = result.statusTip;
    target.expiryDay = result.expiryDay;
    target.createdDay = result.createdDay;
    target.updatedDay = result.updatedDay;
    target.status = result.status;
    target.changes = result.changes;
    m_pending.push_back(item);
}

bool CListCtrlModel::FlushChanges() {
    if (m_pending.empty()) {
        return false;
    }
    std::vector<int> items;
    items.swap(m_pending);
    std::sort(items.begin(), items.end());
    items.erase(std::unique(items.begin(), items.end()), items.end());
    // One signal per run of neighbouring items.
    std::size_t first = 0;
    while (first < items.size()) {
        std::size_t last = first;
        while (last + 1 < items.size() && items[last + 1] == items[last] + 1) {
            ++last;
        }
        emit dataChanged(index(items[first], 0), index(items[last], ListColumn::Count - 1));
        first = last + 1;
    }
    return true;
}

std::int32_t CListCtrlModel::DayNumber(std::string_view gbkDate) {
    if (gbkDate.empty()) {
        return kNoDay;
    }
    const auto date = ReadStoredDate(gbkDate);
    return date ? static_cast<std::int32_t>(DaysFromCivil(*date)) : kNoDay;
}

std::int32_t CListCtrlModel::DayOf(int item, int column) const {
    const Item& it = GetItem(item);
    switch (column) {
    case ListColumn::Expiry:
        return it.expiryDay;
    case ListColumn::Created:
        return it.createdDay;
    case ListColumn::Updated:
        return it.updatedDay;
    default:
        return kNoDay;
    }
}

void CListCtrlModel::SetRedRule(bool enabled, int days, CivilDate today) {
    m_redEnabled = enabled;
    m_redDays = days;
    m_today = DaysFromCivil(today);
    if (!m_items.empty()) {
        // The red rows, the days left and their bands.
        emit dataChanged(index(0, 0), index(GetItemCount() - 1, ListColumn::Count - 1));
    }
}

bool CListCtrlModel::IsExpiring(int item) const {
    if (item < 0 || item >= GetItemCount()) {
        return false;
    }
    const std::int32_t expiry = GetItem(item).expiryDay;
    return expiry != kNoDay && expiry - m_today <= m_redDays;
}

bool CListCtrlModel::IsItemRed(int item) const {
    return m_redEnabled && IsExpiring(item);
}

int CListCtrlModel::ExpiringCount() const {
    int n = 0;
    for (int i = 0; i < GetItemCount(); ++i) {
        n += IsExpiring(i) ? 1 : 0;
    }
    return n;
}

void CListCtrlModel::SetWaitingHost(const QString& host) {
    if (host == m_waitingHost) {
        return;
    }
    m_waitingHost = host;
    if (!m_items.empty()) {
        emit dataChanged(index(0, ListColumn::Status),
                         index(GetItemCount() - 1, ListColumn::Status), {Qt::ToolTipRole});
    }
}

int CListCtrlModel::ChangedCount() const {
    return static_cast<int>(std::count_if(m_items.begin(), m_items.end(),
                                          [](const Item& i) { return i.changes != 0; }));
}
