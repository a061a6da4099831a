#include "listwin/listctrlmodel.h"

#include "listwin/expiryrule.h"

#include <QColor>

CListCtrlModel::CListCtrlModel(QObject* parent) : QAbstractTableModel(parent) {
    for (int i = 0; i < kColumnCount; ++i) {
        m_titles.append(QString());
    }
}

int CListCtrlModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : GetItemCount();
}

int CListCtrlModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant CListCtrlModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= GetItemCount()) {
        return {};
    }
    const Item& item = m_items[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return item.cells[index.column()];
    case Qt::CheckStateRole:
        if (index.column() == 0) {
            return item.checked ? Qt::Checked : Qt::Unchecked;
        }
        return {};
    case Qt::ForegroundRole:
        if (IsItemRed(index.row())) {
            return QColor(Qt::red);
        }
        return {};
    default:
        return {};
    }
}

bool CListCtrlModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.column() != 0 || role != Qt::CheckStateRole) {
        return false;
    }
    SetCheck(index.row(), value.toInt() == Qt::Checked);
    return true;
}

Qt::ItemFlags CListCtrlModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == 0) {
        f |= Qt::ItemIsUserCheckable;
    }
    return f;
}

QVariant CListCtrlModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < kColumnCount) {
        return m_titles[section];
    }
    if (orientation == Qt::Horizontal && role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

void CListCtrlModel::SetColumnTitle(int column, const QString& title) {
    if (column < 0 || column >= kColumnCount) {
        return;
    }
    m_titles[column] = title;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

void CListCtrlModel::ResetItems(const std::vector<std::pair<QString, QString>>& domainAndServer) {
    beginResetModel();
    m_items.clear();
    m_items.resize(domainAndServer.size());
    for (std::size_t i = 0; i < domainAndServer.size(); ++i) {
        m_items[i].cells[0] = domainAndServer[i].first;
        m_items[i].cells[1] = domainAndServer[i].second;
    }
    endResetModel();
}

void CListCtrlModel::DeleteAllItems() {
    ResetItems({});
}

QString CListCtrlModel::GetItemText(int item, int column) const {
    if (item < 0 || item >= GetItemCount() || column < 0 || column >= kColumnCount) {
        return {};
    }
    return m_items[static_cast<std::size_t>(item)].cells[column];
}

void CListCtrlModel::SetItemText(int item, int column, const QString& text) {
    SetItemTexts(item, {{column, text}});
}

void CListCtrlModel::SetItemTexts(int item, const std::vector<std::pair<int, QString>>& cells) {
    if (item < 0 || item >= GetItemCount()) {
        return;
    }
    Item& target = m_items[static_cast<std::size_t>(item)];
    for (const auto& [column, text] : cells) {
        if (column >= 0 && column < kColumnCount) {
            target.cells[column] = text;
        }
    }
    emit dataChanged(index(item, 0), index(item, kColumnCount - 1));
}

bool CListCtrlModel::GetCheck(int item) const {
    return item >= 0 && item < GetItemCount() && m_items[static_cast<std::size_t>(item)].checked;
}

void CListCtrlModel::SetCheck(int item, bool checked) {
    if (item < 0 || item >= GetItemCount()) {
        return;
    }
    m_items[static_cast<std::size_t>(item)].checked = checked;
    const QModelIndex cell = index(item, 0);
    emit dataChanged(cell, cell, {Qt::CheckStateRole});
}

void CListCtrlModel::SetAllChecks(bool checked) {
    if (m_items.empty()) {
        return;
    }
    for (Item& item : m_items) {
        item.checked = checked;
    }
    emit dataChanged(index(0, 0), index(GetItemCount() - 1, 0), {Qt::CheckStateRole});
}

void CListCtrlModel::SetRedRule(bool enabled, int days, CivilDate today) {
    m_redEnabled = enabled;
    m_redDays = days;
    m_today = today;
    if (!m_items.empty()) {
        emit dataChanged(index(0, 0), index(GetItemCount() - 1, kColumnCount - 1),
                         {Qt::ForegroundRole});
    }
}

bool CListCtrlModel::IsItemRed(int item) const {
    if (!m_redEnabled || item < 0 || item >= GetItemCount()) {
        return false;
    }
    const QString& expiry = m_items[static_cast<std::size_t>(item)].cells[kExpiryColumn];
    if (expiry.isEmpty()) {
        return false;
    }
    std::string gbk = expiry.toStdString();
    CCore::UTF8_ANSI(gbk);
    return IsExpiringWithin(gbk, m_redDays, m_today);
}
