// SPDX-License-Identifier: MIT
#include "watch/watchdlg.h"

#include "platform/dialogbuttons.h"

#include <QCheckBox>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

QString WatchTimeText(std::int64_t unixSeconds) {
    return QDateTime::fromSecsSinceEpoch(unixSeconds).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

CWatchDlg::CWatchDlg(const WatchSettings& settings, std::int64_t nextCheck, QWidget* parent)
    : QDialog(parent), m_settings(ClampWatchSettings(settings)) {
    setObjectName(QStringLiteral("watchDialog"));
    setWindowTitle(QStringLiteral("监视域名列表"));

    m_enabled = new QCheckBox(QStringLiteral("监视当前的域名列表(&W)"), this);
    m_enabled->setObjectName(QStringLiteral("watchEnabled"));
    m_enabled->setChecked(m_settings.enabled);

    m_everyDays = new QSpinBox(this);
    m_everyDays->setObjectName(QStringLiteral("watchEveryDays"));
    m_everyDays->setRange(WatchSettings::kMinEveryDays, WatchSettings::kMaxEveryDays);
    m_everyDays->setSuffix(QStringLiteral(" 天"));
    m_everyDays->setValue(m_settings.everyDays);

    m_alertDays = new QSpinBox(this);
    m_alertDays->setObjectName(QStringLiteral("watchAlertDays"));
    m_alertDays->setRange(WatchSettings::kMinAlertDays, WatchSettings::kMaxAlertDays);
    m_alertDays->setSuffix(QStringLiteral(" 天"));
    m_alertDays->setValue(m_settings.alertDays);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("每隔(&D)："), m_everyDays);
    form->addRow(QStringLiteral("到期提醒(&A)："), m_alertDays);

    auto* about = new QLabel(
        QStringLiteral("程序运行时按间隔重新查询整个列表；程序未运行而错过的检查在下次启动时进行。"
                       "域名在提醒天数内到期，或有变化（已注册、已释放、已续费、已转移、"
                       "所有人变更）时，发出桌面通知。"),
        this);
    about->setWordWrap(true);

    auto* next = new QLabel(this);
    next->setObjectName(QStringLiteral("watchNext"));
    if (m_settings.enabled && nextCheck > 0) {
        next->setText(QStringLiteral("下次检查：%1").arg(WatchTimeText(nextCheck)));
    } else if (m_settings.enabled) {
        next->setText(QStringLiteral("下次检查：列表就绪后立即进行"));
    }
    next->setVisible(m_settings.enabled);

    auto* buttons = OkCancelButtons(this);
    connect(m_enabled, &QCheckBox::toggled, this, &CWatchDlg::UpdateEnabled);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_enabled);
    layout->addLayout(form);
    layout->addWidget(about);
    layout->addWidget(next);
    layout->addWidget(buttons);
    UpdateEnabled();
}

void CWatchDlg::UpdateEnabled() {
    m_everyDays->setEnabled(m_enabled->isChecked());
    m_alertDays->setEnabled(m_enabled->isChecked());
}

WatchSettings CWatchDlg::settings() const {
    WatchSettings settings = m_settings;
    settings.enabled = m_enabled->isChecked();
    settings.everyDays = m_everyDays->value();
    settings.alertDays = m_alertDays->value();
    return settings;
}
