// SPDX-License-Identifier: MIT
#pragma once

// Draws the list's cells as usual and gives them their tooltips: the model's
// own tip where it has one (why a row failed), else the whole text of a cell
// that is too narrow to show it.

#include <QStyledItemDelegate>

class CCellDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // The tip of the cell at `index` drawn with `option`; empty for none.
    [[nodiscard]] QString ToolTipFor(const QStyleOptionViewItem& option,
                                     const QModelIndex& index) const;

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;
};
