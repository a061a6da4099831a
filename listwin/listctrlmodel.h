// SPDX-License-Identifier: MIT
#pragma once

// The list control behind the domain list: one item per table row, in table
// order, with its cell texts (the days left are counted when asked for), its check box and what the
// row's result says (status, why it failed, its dates as day numbers). It holds its own copies of
// the texts, converted from the table's GBK once when a row changes, never the table itself;
// sorting and filtering happen in a proxy above it, so item i is always table row i.

#include "core/ccore.h"
#include "listwin/listcolumns.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <climits>
#include <cstdint>
#include <string_view>
#include <vector>

class CListCtrlModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    // A date cell that does not read as a date.
    static constexpr std::int32_t kNoDay = INT32_MIN;
    // The status of an item whose row is not finished.
    static constexpr std::int32_t kNotFinished = -1;

    struct Item {
        QString cells[ListColumn::Count];
        QString statusTip;               // why an Error row failed
        std::int32_t expiryDay = kNoDay; // days since 1970-01-01
        std::int32_t createdDay = kNoDay;
        std::int32_t updatedDay = kNoDay;
        std::int32_t status = kNotFinished; // the QueryStatus shown
        std::uint8_t changes = 0;           // ChangeKind bits since the previous check
        bool checked = false;
    };

    explicit CListCtrlModel(QObject* parent = nullptr);

    [[nodiscard]] int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex& index) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                      int role) const override;

    void SetColumnTitle(int column, const QString& title);

    // Replaces every item at once.
    void ResetItems(std::vector<Item> items);
    void DeleteAllItems();
    [[nodiscard]] int GetItemCount() const { return static_cast<int>(m_items.size()); }
    [[nodiscard]] const Item& GetItem(int item) const {
        return m_items[static_cast<std::size_t>(item)];
    }
    // A cell's text, the days left included.
    [[nodiscard]] QString GetItemText(int item, int column) const;
    // The days from today to an expiry day number; empty for kNoDay.
    [[nodiscard]] QString DaysLeftText(std::int32_t expiryDay) const;
    [[nodiscard]] bool GetCheck(int item) const;
    void SetCheck(int item, bool checked);
    void SetAllChecks(bool checked);

    // Takes a finished row's result: every cell from the status on, the tip,
    // the day numbers, the status and the changes; the domain, server and
    // check stay.
    // Views learn of it at the next FlushChanges, so a burst of rows costs
    // one change signal per run of neighbouring items.
    void SetResult(int item, const Item& result);
    // Signals the items changed since the last flush; false when none had.
    bool FlushChanges();
    [[nodiscard]] bool HasPendingChanges() const { return !m_pending.empty(); }

    // The day number of a registry's date text, kNoDay when it is not a date.
    [[nodiscard]] static std::int32_t DayNumber(std::string_view gbkDate);
    // An item's day number in a date column (kNoDay for other columns).
    [[nodiscard]] std::int32_t DayOf(int item, int column) const;

    // Items whose expiry is at most `days` after `today` (past dates
    // included) are "expiring"; they are drawn red while `enabled`. The days
    // left count from `today` and their colours follow `days` either way.
    void SetRedRule(bool enabled, int days, CivilDate today);
    [[nodiscard]] bool IsItemRed(int item) const;
    [[nodiscard]] bool IsExpiring(int item) const;
    [[nodiscard]] int ExpiringCount() const;
    // Items whose latest check changed something since the one before.
    [[nodiscard]] int ChangedCount() const;
    // Rows not finished whose server is `host` wait for it: their status tip
    // says so. Empty: no server keeps rows waiting.
    void SetWaitingHost(const QString& host);
    [[nodiscard]] bool RedDisplayEnabled() const { return m_redEnabled; }
    [[nodiscard]] int RedDays() const { return m_redDays; }

private:
    std::vector<Item> m_items;
    std::vector<int> m_pending; // items changed since the last flush
    QStringList m_titles;
    QString m_waitingHost;
    bool m_redEnabled = false;
    int m_redDays = 0;
    std::int64_t m_today = 0; // day number of today
};
