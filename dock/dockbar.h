// SPDX-License-Identifier: MIT
#pragma once

// A dock bar: the strip along one side of the dock site (or the inside of a
// floating frame) that holds control bars in rows. Its array of entries holds
// the bars in row order; a null entry ends a row, and the array begins and
// ends with one: { null, A, B, null, C, null } is two rows, A B and C.

#include <QRect>
#include <QWidget>

#include <vector>

class CControlBar;

class CDockBar : public QWidget {
    Q_OBJECT
public:
    CDockBar(unsigned id, bool floating, QWidget* parent);
    ~CDockBar() override;

    [[nodiscard]] unsigned GetDlgCtrlID() const { return m_id; }
    [[nodiscard]] bool IsFloating() const { return m_floating; }
    // Top and bottom dock bars lay out their rows horizontally.
    [[nodiscard]] bool IsHorz() const;

    // The entries; null ends a row.
    [[nodiscard]] const std::vector<CControlBar*>& Entries() const { return m_entries; }
    // Index of bar in the entries, -1 when absent.
    [[nodiscard]] int FindBar(const CControlBar* bar) const;
    // Inserts an empty entry (a row break) at index.
    void InsertBreak(int index);
    // The rectangle of the layout pass under way, in this dock bar's
    // parent's coordinates; empty between passes.
    [[nodiscard]] QRect LayoutRect() const { return m_layoutRect; }

    // Takes bar: in a new last row when screenRect is null, otherwise at the
    // place under screenRect's centre (into an existing row when it falls on
    // one, else a new row before or after).
    void DockControlBar(CControlBar* bar, const QRect* screenRect = nullptr);
    // Lets go of bar; an emptied row disappears. The bar keeps its parent.
    void RemoveControlBar(CControlBar* bar);

    // Lays out the rows inside rect (the room the dock site offers, in the
    // parent's coordinates) and returns the size the dock bar takes: for a
    // horizontal dock bar rect's width by the rows' total thickness, for a
    // vertical one the total thickness by rect's height. With query set the
    // bars are only measured, never moved or shown.
    QSize Layout(const QRect& rect, bool query);

    // Counts changes of the entries, so a layout pass notices a row break
    // that a bar inserted while it was being measured.
    [[nodiscard]] int ChangeCount() const { return m_changes; }

private:
    int InsertIndex(const QRect* screenRect);
    void RemoveEmptyRows();

    unsigned m_id;
    bool m_floating;
    std::vector<CControlBar*> m_entries{nullptr};
    QRect m_layoutRect;
    int m_changes = 0;
};
