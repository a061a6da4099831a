// SPDX-License-Identifier: MIT
#include "dock/dockbar.h"

#include "dock/dockcontrolbar.h"
#include "dock/dockids.h"

#include <algorithm>
#include <climits>

namespace {

// Neighbouring bars of a row overlap by this much, hiding one border each.
constexpr int kOverlap = 2;

struct Placed {
    CControlBar* bar;
    QSize size;
    int pos;
};

} // namespace

CDockBar::CDockBar(unsigned id, bool floating, QWidget* parent)
    : QWidget(parent), m_id(id), m_floating(floating) {
    setObjectName(QString::number(id));
    m_entries.push_back(nullptr);
}

CDockBar::~CDockBar() {
    // The bars, children of this widget, are deleted after this object's own
    // part is gone; they must not call back into it.
    for (CControlBar* bar : m_entries) {
        if (bar) {
            bar->SetDockBar(nullptr);
        }
    }
}

bool CDockBar::IsHorz() const {
    return m_id == AFX_IDW_DOCKBAR_TOP || m_id == AFX_IDW_DOCKBAR_BOTTOM ||
           m_id == AFX_IDW_DOCKBAR_FLOAT;
}

int CDockBar::FindBar(const CControlBar* bar) const {
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        if (bar && m_entries[i] == bar) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void CDockBar::InsertBreak(int index) {
    index = std::clamp(index, 0, static_cast<int>(m_entries.size()));
    m_entries.insert(m_entries.begin() + index, nullptr);
    ++m_changes;
}

void CDockBar::DockControlBar(CControlBar* bar, const QRect* screenRect) {
    if (!bar) {
        return;
    }
    if (FindBar(bar) >= 0) {
        RemoveControlBar(bar);
    }
    const bool wasHidden = bar->isHidden();
    if (bar->parentWidget() != this) {
        bar->setParent(this);
    }
    bar->SetDockBar(this);
    m_entries.insert(m_entries.begin() + InsertIndex(screenRect), bar);
    RemoveEmptyRows();
    ++m_changes;
    if (!wasHidden) {
        bar->show();
    }
}

int CDockBar::InsertIndex(const QRect* screenRect) {
    const auto newRowAt = [this](int index) {
        m_entries.insert(m_entries.begin() + index, nullptr);
        return index + 1;
    };
    if (!screenRect || m_floating) {
        return newRowAt(static_cast<int>(m_entries.size()) - 1);
    }
    const bool horz = IsHorz();
    const QPoint c = mapFromGlobal(screenRect->center());
    const int cross = horz ? c.y() : c.x();
    const int along = horz ? c.x() : c.y();
    bool anyRow = false;
    int rowStart = 1;
    for (int i = 1; i < static_cast<int>(m_entries.size()); ++i) {
        if (m_entries[static_cast<std::size_t>(i)]) {
            continue;
        }
        // A row from rowStart to i - 1: its extent across is its bars'.
        int lo = INT_MAX;
        int hi = INT_MIN;
        for (int j = rowStart; j < i; ++j) {
            const CControlBar* b = m_entries[static_cast<std::size_t>(j)];
            if (!b->IsVisible()) {
                continue;
            }
            const QRect g = b->geometry();
            lo = std::min(lo, horz ? g.top() : g.left());
            hi = std::max(hi, horz ? g.bottom() + 1 : g.right() + 1);
        }
        if (lo <= hi) {
            if (!anyRow && cross < lo) {
                return newRowAt(rowStart);
            }
            anyRow = true;
            if (cross >= lo && cross < hi) {
                int at = i;
                for (int j = rowStart; j < i; ++j) {
                    const QRect g = m_entries[static_cast<std::size_t>(j)]->geometry();
                    if (along < (horz ? g.center().x() : g.center().y())) {
                        at = j;
                        break;
                    }
                }
                return at;
            }
        }
        rowStart = i + 1;
    }
    return newRowAt(static_cast<int>(m_entries.size()) - 1);
}

void CDockBar::RemoveControlBar(CControlBar* bar) {
    const int index = FindBar(bar);
    if (index < 0) {
        return;
    }
    m_entries.erase(m_entries.begin() + index);
    RemoveEmptyRows();
    ++m_changes;
    bar->SetDockBar(nullptr);
}

void CDockBar::RemoveEmptyRows() {
    std::vector<CControlBar*> kept;
    kept.reserve(m_entries.size() + 1);
    kept.push_back(nullptr);
    for (CControlBar* b : m_entries) {
        if (b || kept.back()) {
            kept.push_back(b);
        }
    }
    if (kept.back()) {
        kept.push_back(nullptr);
    }
    m_entries = std::move(kept);
}

QSize CDockBar::Layout(const QRect& rect, bool query) {
    const bool horz = IsHorz();
    m_layoutRect = rect;
    if (!query) {
        // Pending shows and hides take effect in this pass.
        for (CControlBar* b : std::vector<CControlBar*>(m_entries)) {
            if (b) {
                b->RecalcDelayShow();
            }
        }
    }
    int total = 0;
    int longest = 0;
    // A bar sharing out its row may break it; the pass then starts again on
    // the new rows (a broken row does not break again).
    for (int attempt = 0; attempt < 4; ++attempt) {
        const int changesBefore = m_changes;
        total = 0;
        longest = 0;
        std::vector<std::pair<int, std::vector<Placed>>> rows;
        std::vector<Placed> row;
        int thickness = 0;
        int pos = (horz && !m_floating) ? -kOverlap : 0;
        bool restarted = false;
        for (std::size_t i = 1; i < m_entries.size(); ++i) {
            CControlBar* bar = m_entries[i];
            if (!bar) {
                if (!row.empty()) {
                    rows.emplace_back(thickness, std::move(row));
                    total += thickness;
                }
                row.clear();
                thickness = 0;
                pos = (horz && !m_floating) ? -kOverlap : 0;
                continue;
            }
            if (!bar->IsVisible()) {
                continue;
            }
            unsigned mode = horz ? (LM_HORZ | LM_HORZDOCK) : LM_VERTDOCK;
            if (m_floating) {
                mode = LM_HORZ | LM_MRUWIDTH;
            }
            const QSize size =
                query ? bar->CalcFixedLayout(false, horz) : bar->CalcDynamicLayout(-1, mode);
            if (m_changes != changesBefore) {
                restarted = true;
                break;
            }
            row.push_back({bar, size, pos});
            longest = std::max(longest, pos + (horz ? size.width() : size.height()));
            pos += (horz ? size.width() : size.height()) - kOverlap;
            thickness = std::max(thickness, horz ? size.height() : size.width());
        }
        if (restarted) {
            continue;
        }
        if (!query) {
            int cross = 0;
            for (const auto& [rowThickness, placed] : rows) {
                for (const Placed& p : placed) {
                    const QRect g = horz ? QRect(QPoint(p.pos, cross), p.size)
                                         : QRect(QPoint(cross, p.pos), p.size);
                    if (p.bar->geometry() != g) {
                        p.bar->setGeometry(g);
                    }
                }
                cross += rowThickness;
            }
        }
        break;
    }
    m_layoutRect = QRect();
    if (m_floating) {
        return QSize(longest, total);
    }
    return horz ? QSize(rect.width(), total) : QSize(total, rect.height());
}
