// SPDX-License-Identifier: MIT
#include "watch/expirychartdlg.h"

#include "core/atomicfile.h"
#include "core/ccore.h"
#include "platform/gbkqt.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QBuffer>
#include <QChart>
#include <QChartView>
#include <QCursor>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStackedBarSeries>
#include <QToolTip>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>

namespace {

QStringList Domains(const ExpiryBar& bar) {
    QStringList domains;
    for (const std::string& domain : bar.domains) {
        domains << QString::fromStdString(domain);
    }
    return domains;
}

} // namespace

CExpiryChartDlg::CExpiryChartDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("expiryChart"));
    setWindowTitle(QStringLiteral("到期分布"));

    auto* chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->setTitle(QStringLiteral("已注册域名按到期月份"));
    m_series = new QStackedBarSeries;
    m_expiredSet = new QBarSet(QStringLiteral("已过期"));
    m_expiredSet->setColor(QColor(0x80, 0x00, 0x00));
    m_alertSet = new QBarSet(QStringLiteral("提醒期内"));
    m_alertSet->setColor(QColor(0xd0, 0x20, 0x20));
    m_laterSet = new QBarSet(QStringLiteral("其后"));
    m_laterSet->setColor(QColor(0x40, 0x70, 0xb0));
    m_series->append(m_expiredSet);
    m_series->append(m_alertSet);
    m_series->append(m_laterSet);
    m_series->setBarWidth(0.7);
    chart->addSeries(m_series);
    chart->legend()->setAlignment(Qt::AlignBottom);

    m_view = new QChartView(chart, this);
    m_view->setObjectName(QStringLiteral("expiryChartView"));
    m_view->setRenderHint(QPainter::Antialiasing);
    m_view->setMinimumSize(760, 420);

    m_hover = new QLabel(this);
    m_hover->setObjectName(QStringLiteral("expiryHover"));
    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("expiryNote"));
    m_note->setWordWrap(true);

    auto* exportButton = new QPushButton(QStringLiteral("导出图片"), this);
    exportButton->setObjectName(QStringLiteral("exportImage"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->addButton(exportButton, QDialogButtonBox::ActionRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(exportButton, &QPushButton::clicked, this, &CExpiryChartDlg::OnExportImage);

    connect(m_series, &QStackedBarSeries::hovered, this,
            [this](bool status, int index, QBarSet*) { OnHovered(status, index); });
    connect(m_series, &QStackedBarSeries::clicked, this,
            [this](int index, QBarSet*) { OnClicked(index); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_hover);
    layout->addWidget(m_note);
    layout->addWidget(buttons);
}

void CExpiryChartDlg::SetBuckets(ExpiryBuckets buckets, int alertDays) {
    m_buckets = std::move(buckets);
    const std::vector<const ExpiryBar*> bars = m_buckets.Bars();
    QChart* chart = m_view->chart();
    for (QAbstractAxis* axis : chart->axes()) {
        chart->removeAxis(axis);
        delete axis;
    }
    for (QBarSet* set : {m_expiredSet, m_alertSet, m_laterSet}) {
        set->remove(0, set->count());
    }
    QStringList labels;
    int highest = 0;
    int total = 0;
    for (const ExpiryBar* bar : bars) {
        labels << QString::fromStdString(bar->label);
        const int count = bar->count();
        highest = std::max(highest, count);
        total += count;
        m_expiredSet->append(bar->expired ? count : 0);
        m_alertSet->append(!bar->expired && bar->red ? count : 0);
        m_laterSet->append(!bar->expired && !bar->red ? count : 0);
    }
    m_alertSet->setLabel(QStringLiteral("%1 天提醒期内的月份").arg(alertDays));

    auto* categories = new QBarCategoryAxis;
    categories->append(labels);
    categories->setLabelsAngle(-90);
    categories->setTruncateLabels(false); // 25 months: "2027-03" upright would not fit
    chart->addAxis(categories, Qt::AlignBottom);
    m_series->attachAxis(categories);
    auto* counts = new QValueAxis;
    counts->setLabelFormat(QStringLiteral("%d"));
    counts->setRange(0, std::max(highest, 1));
    counts->setTickCount(std::min(std::max(highest, 1), 10) + 1);
    chart->addAxis(counts, Qt::AlignLeft);
    m_series->attachAxis(counts);

    QString note = QStringLiteral("图中共 %1 个已注册域名。").arg(total);
    if (m_buckets.later > 0) {
        note += QStringLiteral("另有 %1 个在 %2 个月之后到期。")
                    .arg(m_buckets.later)
                    .arg(kExpiryChartMonths);
    }
    if (m_buckets.undated > 0) {
        note += QStringLiteral("%1 个没有可读的到期日期。").arg(m_buckets.undated);
    }
    note += QStringLiteral("点击柱形可在列表中只显示这些域名。");
    m_note->setText(note);
    m_hover->clear();
}

QString CExpiryChartDlg::HoverText(int index) const {
    const std::vector<const ExpiryBar*> bars = m_buckets.Bars();
    if (index < 0 || index >= static_cast<int>(bars.size())) {
        return {};
    }
    const ExpiryBar& bar = *bars[static_cast<std::size_t>(index)];
    return QStringLiteral("%1：%2 个域名").arg(QString::fromStdString(bar.label)).arg(bar.count());
}

void CExpiryChartDlg::OnHovered(bool status, int index) {
    if (!status) {
        QToolTip::hideText();
        return;
    }
    const QString text = HoverText(index);
    m_hover->setText(text);
    QToolTip::showText(QCursor::pos(), text, m_view);
}

void CExpiryChartDlg::OnClicked(int index) {
    const std::vector<const ExpiryBar*> bars = m_buckets.Bars();
    if (index < 0 || index >= static_cast<int>(bars.size())) {
        return;
    }
    const ExpiryBar& bar = *bars[static_cast<std::size_t>(index)];
    if (bar.domains.empty()) {
        return;
    }
    const QString caption = bar.expired ? QStringLiteral("已过期（%1）").arg(bar.count())
                                        : QStringLiteral("到期：%1（%2）")
                                              .arg(QString::fromStdString(bar.label))
                                              .arg(bar.count());
    emit barPicked(Domains(bar), caption);
}

bool CExpiryChartDlg::ExportPng(const std::string& path) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!m_view->grab().save(&buffer, "PNG")) {
        InfoBox(this, "无法生成图片。");
        return false;
    }
    AtomicFile file(path);
    if (!file.Open() || !file.Write(std::string_view(png.constData(), png.size())) ||
        !file.Commit()) {
        InfoBox(this, QStringLiteral("无法保存图片 %1：%2")
                          .arg(QString::fromLocal8Bit(path.c_str()),
                               QString::fromLocal8Bit(file.errorText().c_str()))
                          .toStdString());
        return false;
    }
    return true;
}

void CExpiryChartDlg::OnExportImage() {
    CCoreDialogs* dialogs = CCore::dialogs();
    if (dialogs == nullptr) {
        return;
    }
    const std::string path = dialogs->fileImageSave(ToGbk(QStringLiteral("到期分布.png")));
    if (!path.empty() && ExportPng(path)) {
        m_hover->setText(QStringLiteral("已保存：%1").arg(QString::fromLocal8Bit(path.c_str())));
    }
}
