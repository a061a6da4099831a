// SPDX-License-Identifier: MIT
#include "listwin/frozencolumnview.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QScrollBar>

CFrozenColumnView::CFrozenColumnView(QTableView* list, int column)
    : QTableView(list), m_list(list), m_column(column) {
    setObjectName(QStringLiteral("frozenColumn"));
    setFocusPolicy(Qt::NoFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::NoFrame);
    verticalHeader()->hide();
    // The list's own edge of this column lies under this view: the user
    // widens the column here (long and IDN names).
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setSortIndicatorShown(true);
    horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
}

void CFrozenColumnView::Attach() {
    setModel(m_list->model());
    setSelectionModel(m_list->selectionModel());
    setSelectionBehavior(m_list->selectionBehavior());
    setSelectionMode(m_list->selectionMode());
    setEditTriggers(m_list->editTriggers());
    setShowGrid(m_list->showGrid());
    setWordWrap(m_list->wordWrap());
    setItemDelegate(m_list->itemDelegate());
    horizontalHeader()->setDefaultAlignment(m_list->horizontalHeader()->defaultAlignment());
    verticalHeader()->setDefaultSectionSize(m_list->verticalHeader()->defaultSectionSize());
    for (int c = 0; c < model()->columnCount(); ++c) {
        setColumnHidden(c, c != m_column);
    }

    QHeaderView* listHeader = m_list->horizontalHeader();
    connect(listHeader, &QHeaderView::sectionResized, this, [this](int section, int, int size) {
        if (section == m_column) {
            setColumnWidth(m_column, size);
            UpdateGeometry();
        }
    });
    connect(listHeader, &QHeaderView::sortIndicatorChanged, this,
            [this](int section, Qt::SortOrder order) {
                horizontalHeader()->setSortIndicator(section, order);
            });
    connect(horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int section, int, int size) {
                if (section == m_column && size > 0 && m_list->columnWidth(m_column) != size) {
                    m_list->setColumnWidth(m_column, size);
                }
            });
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this,
            &CFrozenColumnView::OnHeaderClicked);
    // Up and down together, whoever moves first.
    connect(verticalScrollBar(), &QAbstractSlider::valueChanged, m_list->verticalScrollBar(),
            &QAbstractSlider::setValue);
    connect(m_list->verticalScrollBar(), &QAbstractSlider::valueChanged, verticalScrollBar(),
            &QAbstractSlider::setValue);
    setColumnWidth(m_column, m_list->columnWidth(m_column));
    m_list->viewport()->stackUnder(this);
    UpdateGeometry();
    show();
}

void CFrozenColumnView::UpdateGeometry() {
    if (m_list->isColumnHidden(m_column)) {
        hide();
        return;
    }
    const int frame = m_list->frameWidth();
    const int left =
        frame + (m_list->verticalHeader()->isVisible() ? m_list->verticalHeader()->width() : 0);
    setGeometry(left, frame, m_list->columnWidth(m_column),
                m_list->viewport()->height() + m_list->horizontalHeader()->height());
    horizontalHeader()->setFixedHeight(m_list->horizontalHeader()->height());
    verticalHeader()->setDefaultSectionSize(m_list->verticalHeader()->defaultSectionSize());
    show();
}

void CFrozenColumnView::OnHeaderClicked(int section) {
    // The list sorts; a click on the frozen header is a click on its own.
    QHeaderView* header = m_list->horizontalHeader();
    const bool same = header->sortIndicatorSection() == section;
    const Qt::SortOrder order = same && header->sortIndicatorOrder() == Qt::AscendingOrder
                                    ? Qt::DescendingOrder
                                    : Qt::AscendingOrder;
    header->setSortIndicator(section, order);
}

void CFrozenColumnView::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
    if (onContextMenu) {
        onContextMenu(event->globalPos());
    }
}
