#pragma once

// The list control behind the domain list: items of ten cell texts and a
// check box, in insertion order. It holds its own copies of the texts (shown
// as converted from the table's GBK), never the table itself.

#include "core/ccore.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <vector>

class CListCtrlModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kColumnCount = 10;
    static constexpr int kExpiryColumn = 3;

    explicit CListCtrlModel(QObject* parent = nullptr);

    [[nodiscard]] int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex& index) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                      int role) const override;

    void SetColumnTitle(int column, const QString& title);

    // Replaces every item at once: one item per entry, column 0 and 1 filled,
    // the other cells empty, every check box clear.
    void ResetItems(const std::vector<std::pair<QString, QString>>& domainAndServer);
    void DeleteAllItems();
    [[nodiscard]] int GetItemCount() const { return static_cast<int>(m_items.size()); }
    [[nodiscard]] QString GetItemText(int item, int column) const;
    void SetItemText(int item, int column, const QString& text);
    // Writes several cells of one item and signals one change.
    void SetItemTexts(int item, const std::vector<std::pair<int, QString>>& cells);
    [[nodiscard]] bool GetCheck(int item) const;
    void SetCheck(int item, bool checked);
    void SetAllChecks(bool checked);

    // Items whose expiry cell reads as a date at most `days` after `today`
    // (past dates included) are drawn red while `enabled`.
    void SetRedRule(bool enabled, int days, CivilDate today);
    [[nodiscard]] bool IsItemRed(int item) const;

private:
    struct Item {
        QString cells[kColumnCount];
        bool checked = false;
    };
    std::vector<Item> m_items;
    QStringList m_titles;
    bool m_redEnabled = false;
    int m_redDays = 0;
    CivilDate m_today;
};
