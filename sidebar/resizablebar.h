// SPDX-License-Identifier: MIT
#pragma once

// A control bar whose size the user sets by dragging a sizing edge. Bars of
// this family that share a row of a dock bar share its length and take one
// thickness. The border, the sizing edges (and, in CGripperBar, the gripper
// band) are drawn inside the widget; the first child widget fills the rest.

#include "dock/dockcontrolbar.h"
#include "sidebar/bargeometry.h"

#include <QString>

#include <vector>

class QPainter;

class CResizableBar : public CControlBar {
    Q_OBJECT
public:
    explicit CResizableBar(QWidget* parent = nullptr);
    ~CResizableBar() override;

    // Creates the bar as a child of parent (the dock site, or a window that
    // holds one) with the title and control ID. style: CBRS_* bits are kept
    // as the bar style, WS_VISIBLE shows it. Runs OnCreate; false when that
    // fails. The sizes stay as they are.
    virtual bool Create(const QString& title, QWidget* parent, unsigned id,
                        unsigned style = WS_CHILD | WS_VISIBLE | CBRS_LEFT);
    // Sets the three sizes to size, then Create. hasGripper is not used.
    virtual bool CreateSized(const QString& title, QWidget* parent, QSize size, bool hasGripper,
                             unsigned id, unsigned style = WS_CHILD | WS_VISIBLE | CBRS_LEFT);
    // Reads (writes) the three sizes in section "<prefix>-Bar-<id>" of the
    // bar profile; read values are raised to their minimums.
    virtual void LoadSizes(const QString& prefix);
    virtual void SaveSizes(const QString& prefix);

    QSize CalcFixedLayout(bool stretch, bool horz) override;
    QSize CalcDynamicLayout(int length, unsigned mode) override;

    // Edge dragging, in screen coordinates.
    virtual void BeginResize(int hitCode, const QPoint& screenPoint);
    virtual void EndResize();
    virtual void ResizeTo(const QPoint& screenPoint);
    virtual void FlipTracker();
    // Shares the row's length out; false when the row broke before this bar.
    bool FitRowLength(int total, bool horz);
    // Moves the row's bars edge to edge.
    virtual void AlignRow();

    // Row bookkeeping in the dock bar's entries.
    [[nodiscard]] RowBounds FindRowBounds(int* own = nullptr) const;
    // The row's visible sizing bars in row order; own gets this bar's
    // position among them, or -1.
    void CollectRowBars(std::vector<CResizableBar*>& bars, int& own) const;

    // Window-relative geometry (the widget's rect).
    [[nodiscard]] bool EdgeHitRect(const QRect& window, int code, QRect& rect) const;
    [[nodiscard]] static int EdgeHitCode(int n) { return ::EdgeHitCode(n); }
    // Hit code of a point in widget coordinates.
    [[nodiscard]] virtual int HitTest(const QPoint& pos) const;
    // The client rectangle, where the first child goes.
    [[nodiscard]] QRect ClientRect() const { return m_clientRect; }

    [[nodiscard]] bool IsHorzDocked() const { return IsHorzDockId(m_dockBarId); }
    [[nodiscard]] bool IsVertDocked() const { return IsVertDockId(m_dockBarId); }
    [[nodiscard]] bool IsFloatingBar() const { return IsFloatDockId(m_dockBarId); }
    [[nodiscard]] unsigned DockBarId() const { return m_dockBarId; }
    [[nodiscard]] bool IsResizing() const { return m_resizing; }
    [[nodiscard]] bool IsLiveResize() const { return m_liveResize; }

    // Sizes and minimums (cx, cy as described per field below).
    unsigned m_edgeFlags = 0;
    int m_resizeEdge = 0;
    BarSize m_horzSize{350, 350};  // docked horizontally: cx length, cy thickness
    BarSize m_vertSize{350, 350};  // docked vertically: cx thickness, cy length
    BarSize m_floatSize{350, 350}; // floating
    BarSize m_horzMin{350, 32};
    BarSize m_vertMin{33, 32};
    BarSize m_floatMin{37, 32};
    int m_resizeLow = 0;
    int m_resizeHigh = 0;
    int m_resizePos = 0;
    int m_resizeGrip = 0;
    bool m_resizing = false;
    bool m_holdLength = false;
    bool m_siteSizing = false;
    bool m_liveResize = false;
    unsigned m_dockBarId = 0;
    int m_edgeWidth = 5;

protected:
    // Creation hook, run by Create once the widget is set up: returns 0, or
    // -1 to make Create fail. Subclasses run the base first.
    virtual int OnCreate();
    // Computes the client rectangle from the window rectangle (in: window,
    // out: client) for the dock bar dockBarId.
    virtual void ComputeClient(BarRect& rect, unsigned dockBarId);
    // Draws the gripper into the non-client area (nothing in this class).
    virtual void PaintGripper(QPainter& painter, const QRect& client);

    // A one-pixel frame: topLeft on the top and left sides, bottomRight on
    // the others (light then dark is raised, the other way sunken).
    static void Draw3dRect(QPainter& p, const QRect& r, const QColor& topLeft,
                           const QColor& bottomRight);
    // Recomputes the edge bits and the client rectangle, then fits the child.
    void RecalcNonClient();
    // Reads the live-resizing setting (ZENTRIX_LIVE_RESIZE=1; off otherwise).
    void ReadLiveResize();

    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void childEvent(QChildEvent* e) override;

    // The non-client mouse hooks: press and release over hit code hit (not
    // HTCLIENT). The base begins an edge drag on a press over an edge.
    virtual void OnNcLButtonDown(int hit, const QPoint& screenPoint);
    virtual void OnNcLButtonUp(int hit, const QPoint& screenPoint);

    QRect m_clientRect;

private:
    void FitChild();
    [[nodiscard]] std::vector<RowMember> RowMembers(const std::vector<CResizableBar*>& row) const;
    [[nodiscard]] QRect TrackerRect() const;
    bool m_trackerShown = false;
    QRect m_trackerRect;
};
