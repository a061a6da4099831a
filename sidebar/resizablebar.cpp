// SPDX-License-Identifier: MIT
#include "sidebar/resizablebar.h"

#include "dock/dockbar.h"
#include "dock/dockcontext.h"
#include "dock/docksite.h"
#include "dock/floatingframe.h"
#include "sidebar/barprofile.h"

#include <QChildEvent>
#include <QCloseEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {

BarRect ToBar(const QRect& r) {
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

QRect ToQt(const BarRect& r) {
    return QRect(r.left, r.top, std::max(0, r.Width()), std::max(0, r.Height()));
}

BarPoint ToBar(const QPoint& p) {
    return {p.x(), p.y()};
}

QSize ToQt(const BarSize& s) {
    return QSize(s.cx, s.cy);
}

BarSize RaisedTo(BarSize size, BarSize min) {
    return {std::max(size.cx, min.cx), std::max(size.cy, min.cy)};
}

bool IsCorner(int hit) {
    return hit == HTTOPLEFT || hit == HTTOPRIGHT || hit == HTBOTTOMLEFT || hit == HTBOTTOMRIGHT;
}

} // namespace

void CResizableBar::Draw3dRect(QPainter& p, const QRect& r, const QColor& topLeft,
                               const QColor& bottomRight) {
    if (r.width() <= 0 || r.height() <= 0) {
        return;
    }
    p.fillRect(r.left(), r.top(), r.width() - 1, 1, topLeft);
    p.fillRect(r.left(), r.top(), 1, r.height() - 1, topLeft);
    p.fillRect(r.right(), r.top(), 1, r.height(), bottomRight);
    p.fillRect(r.left(), r.bottom(), r.width(), 1, bottomRight);
}

CResizableBar::CResizableBar(QWidget* parent) : CControlBar(parent) {
    // The whole widget is painted in one paint event: nothing to erase first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setCursor(Qt::ArrowCursor);
}

CResizableBar::~CResizableBar() = default;

bool CResizableBar::Create(const QString& title, QWidget* parent, unsigned id, unsigned style) {
    m_barStyle = style & CBRS_ALL;
    m_id = id;
    setWindowTitle(title);
    if (objectName().isEmpty()) {
        setObjectName(QStringLiteral("bar%1").arg(id));
    }
    CDockSite* site = nullptr;
    for (QWidget* w = parent; w && !site; w = w->parentWidget()) {
        site = qobject_cast<CDockSite*>(w);
    }
    if (!site && parent) {
        site = parent->findChild<CDockSite*>(QString(), Qt::FindDirectChildrenOnly);
    }
    SetDockSite(site);
    setParent(parent);
    ReadLiveResize();
    if (OnCreate() == -1) {
        hide();
        return false;
    }
    setVisible((style & WS_VISIBLE) != 0);
    return true;
}

bool CResizableBar::CreateSized(const QString& title, QWidget* parent, QSize size,
                                bool /*hasGripper*/, unsigned id, unsigned style) {
    m_horzSize = m_vertSize = m_floatSize = {size.width(), size.height()};
    return Create(title, parent, id, style);
}

int CResizableBar::OnCreate() {
    return 0;
}

void CResizableBar::ReadLiveResize() {
    m_liveResize = false;
    m_liveResize = qEnvironmentVariableIntValue("ZENTRIX_LIVE_RESIZE") == 1;
}

void CResizableBar::LoadSizes(const QString& prefix) {
    const CBarProfile& profile = CBarProfile::Instance();
    const std::string section = BarProfileSection(prefix.toStdString(), m_id);
    const auto read = [&](const char* key, int& value, int min) {
        value = std::max(profile.GetInt(section, key, value), min);
    };
    read("sizeHorzCX", m_horzSize.cx, m_horzMin.cx);
    read("sizeHorzCY", m_horzSize.cy, m_horzMin.cy);
    read("sizeVertCX", m_vertSize.cx, m_vertMin.cx);
    read("sizeVertCY", m_vertSize.cy, m_vertMin.cy);
    read("sizeFloatCX", m_floatSize.cx, m_floatMin.cx);
    read("sizeFloatCY", m_floatSize.cy, m_floatMin.cy);
}

void CResizableBar::SaveSizes(const QString& prefix) {
    CBarProfile& profile = CBarProfile::Instance();
    const std::string section = BarProfileSection(prefix.toStdString(), m_id);
    profile.WriteInt(section, "sizeHorzCX", m_horzSize.cx);
    profile.WriteInt(section, "sizeHorzCY", m_horzSize.cy);
    profile.WriteInt(section, "sizeVertCX", m_vertSize.cx);
    profile.WriteInt(section, "sizeVertCY", m_vertSize.cy);
    profile.WriteInt(section, "sizeFloatCX", m_floatSize.cx);
    profile.WriteInt(section, "sizeFloatCY", m_floatSize.cy);
}

// ---- Size requests.

QSize CResizableBar::CalcDynamicLayout(int length, unsigned mode) {
    if (mode & (LM_HORZDOCK | LM_VERTDOCK)) {
        if (length == -1) {
            m_siteSizing = true;
        }
        return CControlBar::CalcDynamicLayout(length, mode);
    }
    if (mode & (LM_MRUWIDTH | LM_COMMIT)) {
        return ToQt(m_floatSize);
    }
    CDockContext* ctx = DockContext();
    auto* frame = qobject_cast<CFloatingFrame*>(window());
    if (IsFloatingBar() && ctx && frame && IsCorner(ctx->m_frameHit)) {
        BarRect drag = ToBar(ctx->m_frameDragRect);
        m_floatSize = FloatCornerSize(
            ctx->m_frameHit, ToBar(ctx->m_frameCursor), ToBar(frame->geometry()),
            ToBar(QRect(mapToGlobal(QPoint(0, 0)), size())), m_floatSize, m_floatMin, drag);
        ctx->m_frameDragRect = ToQt(drag);
    } else if (mode & LM_LENGTHY) {
        m_floatSize.cy = length;
    } else {
        m_floatSize.cx = length;
    }
    m_floatSize = RaisedTo(m_floatSize, m_floatMin);
    return ToQt(m_floatSize);
}

QSize CResizableBar::CalcFixedLayout(bool stretch, bool horz) {
    if (stretch) {
        return horz ? QSize(kStretchLength, m_horzSize.cy) : QSize(m_vertSize.cx, kStretchLength);
    }
    CDockBar* dockBar = DockBar();
    if (dockBar) {
        const RowBounds row = FindRowBounds();
        const auto& entries = dockBar->Entries();
        for (int i = row.first; i >= 0 && i <= row.last; ++i) {
            auto* bar = dynamic_cast<CResizableBar*>(entries[static_cast<std::size_t>(i)]);
            if (bar && bar->HasDelayedShow()) {
                bar->RecalcDelayShow();
            }
        }
        QRect layout = dockBar->LayoutRect();
        if (layout.isEmpty() && DockSite()) {
            layout = DockSite()->rect();
        }
        const int total = horz ? layout.width() + 2 : layout.height() - 2;
        if (IsVisible() && !IsFloatingBar() && m_siteSizing) {
            std::vector<CResizableBar*> bars;
            int own = -1;
            CollectRowBars(bars, own);
            if (own == 0 && FitRowLength(total, horz)) {
                AlignRow();
            }
        }
    }
    m_siteSizing = false;
    RecalcNonClient();
    return horz ? ToQt(RaisedTo(m_horzSize, m_horzMin)) : ToQt(RaisedTo(m_vertSize, m_vertMin));
}

// ---- Rows.

RowBounds CResizableBar::FindRowBounds(int* own) const {
    const int index = DockBar() ? DockBar()->FindBar(this) : -1;
    if (own) {
        *own = index;
    }
    if (index < 0) {
        return {};
    }
    return ::FindRowBounds(DockBar()->Entries(), index);
}

void CResizableBar::CollectRowBars(std::vector<CResizableBar*>& bars, int& own) const {
    bars.clear();
    own = -1;
    const RowBounds row = FindRowBounds();
    if (row.first < 0) {
        return;
    }
    const auto& entries = DockBar()->Entries();
    for (int i = row.first; i <= row.last; ++i) {
        auto* bar = dynamic_cast<CResizableBar*>(entries[static_cast<std::size_t>(i)]);
        if (bar && bar->IsVisible()) {
            if (bar == this) {
                own = static_cast<int>(bars.size());
            }
            bars.push_back(bar);
        }
    }
}

bool CResizableBar::FitRowLength(int total, bool horz) {
    int ownEntry = -1;
    const RowBounds bounds = FindRowBounds(&ownEntry);
    if (bounds.first < 0 || bounds.last < 0) {
        return false;
    }
    CDockBar* dockBar = DockBar();
    std::vector<RowBar> row;
    std::vector<int> entryOf;
    int own = -1;
    for (int i = bounds.first; i <= bounds.last; ++i) {
        CControlBar* bar = dockBar->Entries()[static_cast<std::size_t>(i)];
        if (!bar || !bar->IsVisible()) {
            continue;
        }
        if (bar == this) {
            own = static_cast<int>(row.size());
        }
        if (auto* sizing = dynamic_cast<CResizableBar*>(bar)) {
            row.push_back({true, horz ? sizing->m_horzMin.cx : sizing->m_vertMin.cy,
                           horz ? sizing->m_horzSize.cx : sizing->m_vertSize.cy,
                           horz ? sizing->m_horzSize.cy : sizing->m_vertSize.cx,
                           sizing->m_holdLength});
        } else {
            const int length = horz ? bar->width() : bar->height();
            row.push_back({false, length, length, horz ? bar->height() : bar->width(), false});
        }
        entryOf.push_back(i);
    }
    if (own < 0) {
        return false;
    }
    const RowFit fit = ::FitRowLength(total, row, own);
    if (!fit.fitted) {
        dockBar->InsertBreak(entryOf[static_cast<std::size_t>(fit.breakAfter)] + 1);
        return false;
    }
    if (fit.breakBefore >= 0) {
        dockBar->InsertBreak(entryOf[static_cast<std::size_t>(fit.breakBefore)]);
    }
    const std::size_t end =
        fit.breakBefore >= 0 ? static_cast<std::size_t>(fit.breakBefore) : row.size();
    for (std::size_t k = 0; k < end; ++k) {
        auto* sizing =
            dynamic_cast<CResizableBar*>(dockBar->Entries()[static_cast<std::size_t>(entryOf[k])]);
        if (!sizing) {
            continue;
        }
        BarSize& size = horz ? sizing->m_horzSize : sizing->m_vertSize;
        (horz ? size.cx : size.cy) = row[k].length;
        (horz ? size.cy : size.cx) = row[k].thickness;
        sizing->m_holdLength = row[k].hold;
    }
    return true;
}

void CResizableBar::AlignRow() {
    const RowBounds bounds = FindRowBounds();
    if (bounds.first < 0) {
        return;
    }
    const bool horz = IsHorzDocked();
    // The dock bar starts a horizontal row 2 pixels before its left side,
    // so that the outer borders hide; neighbours overlap by 2.
    int pos = horz ? -2 : 0;
    bool moved = false;
    const auto& entries = DockBar()->Entries();
    for (int i = bounds.first; i <= bounds.last; ++i) {
        CControlBar* bar = entries[static_cast<std::size_t>(i)];
        if (!bar || !bar->IsVisible()) {
            continue;
        }
        QRect r = bar->geometry();
        if (auto* sizing = dynamic_cast<CResizableBar*>(bar)) {
            r.setSize(ToQt(horz ? sizing->m_horzSize : sizing->m_vertSize));
        }
        if ((horz ? r.left() : r.top()) != pos) {
            if (horz) {
                r.moveLeft(pos);
            } else {
                r.moveTop(pos);
            }
            bar->setGeometry(r);
            moved = true;
        }
        pos += (horz ? r.width() : r.height()) - 2;
    }
    if (moved && DockSite()) {
        DockSite()->DelayRecalcLayout();
    }
}

// ---- The non-client area.

void CResizableBar::ComputeClient(BarRect& rect, unsigned dockBarId) {
    rect = ResizableClientRect(rect, dockBarId, m_edgeFlags, m_edgeWidth);
}

void CResizableBar::PaintGripper(QPainter& /*painter*/, const QRect& /*client*/) {}

void CResizableBar::RecalcNonClient() {
    m_edgeFlags &= ~BAR_EDGE_ALL;
    if (!IsFloatingBar() && DockBar()) {
        std::vector<CResizableBar*> bars;
        int own = -1;
        CollectRowBars(bars, own);
        m_edgeFlags |= RowEdgeFlags(IsHorzDocked(), own, static_cast<int>(bars.size()));
    }
    BarRect rc{0, 0, width(), height()};
    ComputeClient(rc, m_dockBarId);
    const QRect client = ToQt(rc);
    if (client != m_clientRect) {
        m_clientRect = client;
        update();
    }
    FitChild();
}

void CResizableBar::FitChild() {
    if (!(m_edgeFlags & BAR_FIT_CHILD)) {
        return;
    }
    for (QObject* o : children()) {
        auto* child = qobject_cast<QWidget*>(o);
        if (child && !child->isWindow()) {
            if (child->geometry() != m_clientRect) {
                child->setGeometry(m_clientRect);
            }
            return;
        }
    }
}

bool CResizableBar::EdgeHitRect(const QRect& window, int code, QRect& rect) const {
    BarRect r;
    const bool exists =
        ::EdgeHitRect(ToBar(window), code, m_edgeFlags, m_edgeWidth, IsHorzDocked(), r);
    rect = ToQt(r);
    return exists;
}

int CResizableBar::HitTest(const QPoint& pos) const {
    return EdgeHitTest({0, 0, width(), height()}, ToBar(pos), m_edgeFlags, m_edgeWidth,
                       IsHorzDocked(), IsFloatingBar());
}

// ---- Edge dragging.

std::vector<RowMember> CResizableBar::RowMembers(const std::vector<CResizableBar*>& row) const {
    const bool horz = IsHorzDocked();
    std::vector<RowMember> members;
    members.reserve(row.size());
    for (const CResizableBar* bar : row) {
        members.push_back(
            {horz ? bar->m_horzSize : bar->m_vertSize, horz ? bar->m_horzMin : bar->m_vertMin});
    }
    return members;
}

void CResizableBar::BeginResize(int hitCode, const QPoint& screenPoint) {
    if (!m_liveResize) {
        repaint(); // no late paint may land on the tracker
    }
    const bool alongX = hitCode == HTLEFT || hitCode == HTRIGHT;
    m_resizeEdge = hitCode;
    m_resizing = true;
    m_resizePos = alongX ? screenPoint.x() : screenPoint.y();
    QRect edge;
    (void)EdgeHitRect(QRect(mapToGlobal(QPoint(0, 0)), size()), hitCode, edge);
    const BarRect e = ToBar(edge);
    m_resizeGrip = m_resizePos - (alongX ? (e.left + e.right) / 2 : (e.top + e.bottom) / 2);

    std::vector<CResizableBar*> row;
    int own = -1;
    CollectRowBars(row, own);
    const bool horz = IsHorzDocked();
    int room = 0;
    if (DockSite()) {
        const QRect free = DockSite()->FreeRect();
        room = (horz ? free.height() : free.width()) - 2;
    }
    const DragLimits limits =
        EdgeDragLimits(hitCode, horz, m_resizePos, RowMembers(row), own, room);
    m_resizeLow = limits.low;
    m_resizeHigh = limits.high;
    FlipTracker();
}

void CResizableBar::ResizeTo(const QPoint& screenPoint) {
    const bool alongX = m_resizeEdge == HTLEFT || m_resizeEdge == HTRIGHT;
    const int pos = std::clamp(alongX ? screenPoint.x() : screenPoint.y(), m_resizeLow,
                               std::max(m_resizeLow, m_resizeHigh));
    const int delta = pos - m_resizePos;
    if (delta == 0) {
        return;
    }
    FlipTracker();
    m_resizePos = pos;
    std::vector<CResizableBar*> row;
    int own = -1;
    CollectRowBars(row, own);
    const bool horz = IsHorzDocked();
    std::vector<RowMember> members = RowMembers(row);
    ApplyEdgeDrag(m_resizeEdge, horz, delta, members, own);
    for (std::size_t i = 0; i < row.size(); ++i) {
        (horz ? row[i]->m_horzSize : row[i]->m_vertSize) = members[i].size;
    }
    FlipTracker();
    if (m_liveResize && DockSite()) {
        DockSite()->DelayRecalcLayout();
    }
}

QRect CResizableBar::TrackerRect() const {
    QRect edge;
    (void)EdgeHitRect(QRect(mapToGlobal(QPoint(0, 0)), size()), m_resizeEdge, edge);
    const bool horz = IsHorzDocked();
    if (EdgeRunsAcrossRow(m_resizeEdge, horz) && DockBar()) {
        const QRect dock(DockBar()->mapToGlobal(QPoint(0, 0)), DockBar()->size());
        if (horz) {
            edge.setLeft(dock.left() + 1);
            edge.setRight(dock.right() - 1);
        } else {
            edge.setTop(dock.top() + 1);
            edge.setBottom(dock.bottom() - 1);
        }
    }
    const BarRect e = ToBar(edge);
    if (m_resizeEdge == HTLEFT || m_resizeEdge == HTRIGHT) {
        edge.translate(m_resizePos - m_resizeGrip - (e.left + e.right) / 2, 0);
    } else {
        edge.translate(0, m_resizePos - m_resizeGrip - (e.top + e.bottom) / 2);
    }
    return QRect(DockSite()->mapFromGlobal(edge.topLeft()), edge.size());
}

void CResizableBar::FlipTracker() {
    if (m_liveResize || !DockSite()) {
        return;
    }
    // Taking the tracker away inverts exactly what was shown.
    if (!m_trackerShown) {
        m_trackerRect = TrackerRect();
    }
    DockSite()->InvertTracker(m_trackerRect);
    m_trackerShown = !m_trackerShown;
}

void CResizableBar::EndResize() {
    if (!m_resizing) {
        return;
    }
    if (m_trackerShown) {
        FlipTracker();
    }
    m_resizing = false;
    if (DockSite()) {
        DockSite()->DelayRecalcLayout();
    }
}

// ---- Events.

bool CResizableBar::event(QEvent* e) {
    switch (e->type()) {
    case QEvent::ParentChange: {
        auto* dockBar = qobject_cast<CDockBar*>(parentWidget());
        m_dockBarId = dockBar ? dockBar->GetDlgCtrlID() : 0;
        RecalcNonClient();
        break;
    }
    case QEvent::ShowToParent:
        if (!IsFloatingBar()) {
            m_holdLength = true;
        }
        break;
    case QEvent::HideToParent:
    case QEvent::WindowDeactivate:
        if (m_resizing) {
            EndResize();
        }
        if (DockContext() && DockContext()->IsDragging()) {
            DockContext()->CancelDrag();
        }
        break;
    case QEvent::WindowTitleChange:
        if (IsFloatingBar()) {
            if (auto* frame = qobject_cast<CFloatingFrame*>(window())) {
                frame->DelayRecalcLayout();
            }
        }
        break;
    case QEvent::StyleChange:
        ReadLiveResize();
        break;
    default:
        break;
    }
    return CControlBar::event(e);
}

void CResizableBar::paintEvent(QPaintEvent* /*e*/) {
    QPainter p(this);
    const QPalette& pal = palette();
    const QRect window = rect();
    p.fillRect(window, pal.button());
    // The bar's own border.
    Draw3dRect(p, window, pal.light().color(), pal.dark().color());
    if (m_edgeFlags & BAR_SHOW_EDGES) {
        for (int n = 0; n < 4; ++n) {
            QRect edge;
            if (EdgeHitRect(window, EdgeHitCode(n), edge)) {
                Draw3dRect(p, edge, pal.light().color(), pal.dark().color());
            }
        }
    }
    PaintGripper(p, m_clientRect);
}

void CResizableBar::resizeEvent(QResizeEvent* /*e*/) {
    RecalcNonClient();
}

void CResizableBar::childEvent(QChildEvent* e) {
    CControlBar::childEvent(e);
    // A child is only whole once polished; then it can be fitted.
    if (e->type() == QEvent::ChildPolished) {
        FitChild();
    }
}

void CResizableBar::mousePressEvent(QMouseEvent* e) {
    const QPoint global = e->globalPosition().toPoint();
    if (e->button() == Qt::RightButton) {
        if (m_resizing) {
            EndResize();
        }
        return;
    }
    if (e->button() != Qt::LeftButton) {
        return;
    }
    const int hit = HitTest(e->position().toPoint());
    if (hit != HTCLIENT) {
        OnNcLButtonDown(hit, global);
        return;
    }
    if (DockBar() && DockContext()) {
        DockContext()->StartDrag(global);
    }
}

void CResizableBar::mouseMoveEvent(QMouseEvent* e) {
    const QPoint global = e->globalPosition().toPoint();
    if (m_resizing) {
        ResizeTo(global);
        return;
    }
    if (DockContext() && DockContext()->IsDragging()) {
        DockContext()->Move(global);
        return;
    }
    switch (HitTest(e->position().toPoint())) {
    case HTLEFT:
    case HTRIGHT:
        setCursor(Qt::SizeHorCursor);
        break;
    case HTTOP:
    case HTBOTTOM:
        setCursor(Qt::SizeVerCursor);
        break;
    default:
        setCursor(Qt::ArrowCursor);
        break;
    }
}

void CResizableBar::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) {
        return;
    }
    if (m_resizing) {
        EndResize();
        return;
    }
    if (DockContext() && DockContext()->IsDragging()) {
        DockContext()->EndDrag(e->globalPosition().toPoint());
        return;
    }
    const int hit = HitTest(e->position().toPoint());
    if (hit != HTCLIENT) {
        OnNcLButtonUp(hit, e->globalPosition().toPoint());
    }
}

void CResizableBar::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) {
        return;
    }
    if (HitTest(e->position().toPoint()) == HTCLIENT && DockBar() && DockContext()) {
        DockContext()->ToggleDocking();
    }
}

void CResizableBar::closeEvent(QCloseEvent* e) {
    // A bar cannot be closed this way; it is hidden through the dock site.
    e->ignore();
}

void CResizableBar::OnNcLButtonDown(int hit, const QPoint& screenPoint) {
    if (!m_resizing && !IsFloatingBar() && hit >= HTLEFT && hit <= HTBOTTOMRIGHT) {
        BeginResize(hit, screenPoint);
    }
}

void CResizableBar::OnNcLButtonUp(int /*hit*/, const QPoint& /*screenPoint*/) {}
