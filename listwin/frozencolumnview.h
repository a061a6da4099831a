// SPDX-License-Identifier: MIT
#pragma once

// Keeps the domain column in view when the list scrolls sideways: a second
// table view over the list's left edge that shows only that column, shares
// the list's model and selection, scrolls up and down with it, and hands
// clicks on its header and right clicks back to the list (the list connects
// to its double clicks).

#include <QTableView>
#include <functional>

class CFrozenColumnView final : public QTableView {
    Q_OBJECT
public:
    // Lies over `list`, showing its column `column`; call Attach once the
    // list has its model.
    CFrozenColumnView(QTableView* list, int column);

    void Attach();
    // Follows the list's column width, hidden columns and frame.
    void UpdateGeometry();

    // A right click at a global position, for the list's context menu.
    std::function<void(const QPoint& globalPos)> onContextMenu;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void OnHeaderClicked(int section);

    QTableView* m_list;
    int m_column;
};
