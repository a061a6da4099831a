// SPDX-License-Identifier: MIT
#pragma once

// A transparent overlay over the dock site that shows "inverted" rectangles
// (a halftone pattern) for edge drags. Inverting a rectangle that is shown
// removes it, so two inversions leave the screen as it was.

#include <QRect>
#include <QWidget>

#include <vector>

class CDockTracker : public QWidget {
    Q_OBJECT
public:
    explicit CDockTracker(QWidget* site);

    void Invert(const QRect& rect);
    [[nodiscard]] const std::vector<QRect>& Rects() const { return m_rects; }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    std::vector<QRect> m_rects;
};
