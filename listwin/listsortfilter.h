// SPDX-License-Identifier: MIT
#pragma once

// Sorting and filtering of the domain list, above the list model, which
// keeps the table's order: item i stays table row i underneath, so posted
// row indexes, resume and delete work whatever the user sees.
//
// A click on a header sorts by that column: date columns as dates and the
// days left as numbers (rows with a readable date first), then by text,
// case-insensitive; equal rows keep the table's order. The filter shows the
// rows whose domain or server contains a text (case-insensitive) and whose
// outcome fits a choice.

#include <QSet>
#include <QSortFilterProxyModel>

class CListCtrlModel;

enum class StatusFilter {
    All = 0,       // "全部"
    Found,         // "成功"
    NotRegistered, // "域名未注册"
    Failed,        // "失败": ERR! and no server, once the row is finished
    Expiring,      // "即将到期": the expiry lies within the red-display days
    Changed,       // "有变化": the latest check changed something (the "变化" column)
    Picked,        // the names a watch alert or an expiry chart bar picked (last)
};

class CListSortFilter final : public QSortFilterProxyModel {
    Q_OBJECT
public:
    explicit CListSortFilter(CListCtrlModel* source, QObject* parent = nullptr);

    void SetFilter(const QString& text, StatusFilter status);
    // The names (domain cells) the Picked choice shows.
    void SetPickedDomains(QSet<QString> domains);
    [[nodiscard]] const QString& filterText() const { return m_text; }
    [[nodiscard]] StatusFilter statusFilter() const { return m_status; }
    // Filters again, after something the filter reads changed (the days).
    void Refilter();

protected:
    [[nodiscard]] bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;
    [[nodiscard]] bool filterAcceptsRow(int sourceRow, const QModelIndex& parent) const override;

private:
    CListCtrlModel* m_source;
    QString m_text;
    StatusFilter m_status = StatusFilter::All;
    QSet<QString> m_picked;
};
