// SPDX-License-Identifier: MIT
#pragma once

// "查看 > 到期分布": a bar chart of the working list's registered names by
// the month they expire, this month to two years ahead, with the months
// inside the alert days in red and a bar for the names already expired.
// Hovering a bar shows its count; a click picks its names for the list's
// filter; "导出图片" saves the chart as a PNG file.

#include "watch/expirybuckets.h"

#include <QDialog>
#include <QStringList>

class QBarSet;
class QChartView;
class QLabel;
class QStackedBarSeries;

class CExpiryChartDlg final : public QDialog {
    Q_OBJECT
public:
    explicit CExpiryChartDlg(QWidget* parent = nullptr);

    // Shows `buckets`; `alertDays` names the red months in the legend.
    void SetBuckets(ExpiryBuckets buckets, int alertDays);
    [[nodiscard]] const ExpiryBuckets& buckets() const { return m_buckets; }

    [[nodiscard]] QChartView* chartView() const { return m_view; }
    [[nodiscard]] QStackedBarSeries* series() const { return m_series; }
    // The bar sets, in the series' order.
    [[nodiscard]] QBarSet* expiredSet() const { return m_expiredSet; }
    [[nodiscard]] QBarSet* alertSet() const { return m_alertSet; }
    [[nodiscard]] QBarSet* laterSet() const { return m_laterSet; }
    // The bar at `index` (0: the expired bar) as a user sees it hovered.
    [[nodiscard]] QString HoverText(int index) const;

    // Writes the chart as PNG to `path` (native bytes); false with a message
    // when it could not be written.
    bool ExportPng(const std::string& path);
    // Asks for the file through the core's file choice, then writes it.
    void OnExportImage();

signals:
    // A bar was clicked: its names and a caption for the filter ("到期：2027-03").
    void barPicked(const QStringList& domains, const QString& caption);

private:
    void OnHovered(bool status, int index);
    void OnClicked(int index);

    ExpiryBuckets m_buckets;
    QChartView* m_view = nullptr;
    QStackedBarSeries* m_series = nullptr;
    QBarSet* m_expiredSet = nullptr;
    QBarSet* m_alertSet = nullptr;
    QBarSet* m_laterSet = nullptr;
    QLabel* m_hover = nullptr;
    QLabel* m_note = nullptr;
};
