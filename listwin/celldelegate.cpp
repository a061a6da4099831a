// SPDX-License-Identifier: MIT
#include "listwin/celldelegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QToolTip>

QString CCellDelegate::ToolTipFor(const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const {
    if (!index.isValid()) {
        return {};
    }
    const QString own = index.data(Qt::ToolTipRole).toString();
    if (!own.isEmpty()) {
        return own;
    }
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    if (item.text.isEmpty()) {
        return {};
    }
    const QWidget* widget = item.widget;
    const QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    const QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &item, widget);
    // The style keeps a margin on both sides of the text.
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    if (item.fontMetrics.horizontalAdvance(item.text) <= textRect.width() - 2 * margin) {
        return {};
    }
    return item.text;
}

bool CCellDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                              const QStyleOptionViewItem& option, const QModelIndex& index) {
    if (event == nullptr || view == nullptr || event->type() != QEvent::ToolTip) {
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    }
    const QString tip = ToolTipFor(option, index);
    if (tip.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
        return false;
    }
    QToolTip::showText(event->globalPos(), tip, view->viewport(), option.rect);
    return true;
}
