// SPDX-License-Identifier: MIT
#pragma once

// A floating frame: a small top-level tool window, titled with its bar's
// text, that holds a torn-off bar in a dock bar of its own
// (AFX_IDW_DOCKBAR_FLOAT). Its caption moves it, a double-click on the caption
// docks the bar again, its close box hides the bar, and its borders and
// corners resize it within the bar's floating minimum.

#include <QWidget>

#include "dock/idlecall.h"

class CControlBar;
class CDockBar;
class CDockSite;

class CFloatingFrame : public QWidget {
    Q_OBJECT
public:
    static constexpr int kBorder = 4;   // sizing border on every side
    static constexpr int kCaption = 16; // caption band below the top border

    explicit CFloatingFrame(CDockSite* site);

    // The frame's size around a bar of barSize, and where the bar sits in it.
    [[nodiscard]] static QSize SizeAround(QSize barSize) {
        return barSize + QSize(2 * kBorder, 2 * kBorder + kCaption);
    }
    [[nodiscard]] static QPoint BarOffset() { return {kBorder, kBorder + kCaption}; }

    [[nodiscard]] CDockBar* DockBar() const { return m_dockBar; }
    [[nodiscard]] CControlBar* Bar() const;

    // Asks the bar for its floating size and fits the frame around it.
    void RecalcLayout();
    // Same, at the next idle time (the caption follows a new title).
    void DelayRecalcLayout();
    // Hit code of a point in frame coordinates: a border or corner,
    // HTCAPTION, HTCLOSE or HTCLIENT.
    [[nodiscard]] int HitTest(const QPoint& pos) const;
    [[nodiscard]] QRect CloseBoxRect() const;

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void ResizeTo(const QPoint& screenPoint);

    CDockSite* m_site;
    CDockBar* m_dockBar;
    CIdleCall m_delayedLayout;
    int m_pressHit = 0;
    QPoint m_pressOffset; // for a move: cursor minus frame top-left
    QPoint m_grabOffset;  // for a resize: cursor minus the grabbed corner
};
