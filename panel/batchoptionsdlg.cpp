// SPDX-License-Identifier: MIT
#include "panel/batchoptionsdlg.h"

#include "core/ccore.h"
#include "platform/dialogbuttons.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

QSpinBox* NumberBox(const char* name, int low, int high, const char* suffix, QWidget* parent) {
    auto* box = new QSpinBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(low, high);
    box->setSuffix(QString::fromUtf8(suffix));
    return box;
}

} // namespace

CBatchOptionsDlg::CBatchOptionsDlg(CCore& core, QWidget* parent) : QDialog(parent), m_core(core) {
    setObjectName(QStringLiteral("batchOptions"));
    setWindowTitle(QStringLiteral("选项"));

    m_jobs = NumberBox("jobs", 1, kMaxJobs, " 个", this);
    m_perHost = NumberBox("perhost", 1, kMaxPerHost, " 个", this);
    m_interval = NumberBox("hostinterval", 0, kMaxHostIntervalMs, " 毫秒", this);
    m_interval->setSingleStep(100);
    m_protocol = new QComboBox(this);
    m_protocol->setObjectName(QStringLiteral("protocol"));
    // In the order of ProtocolChoice.
    m_protocol->addItem(QStringLiteral("自动（注册局支持时用RDAP，否则用WHOIS）"));
    m_protocol->addItem(QStringLiteral("只用WHOIS"));
    m_protocol->addItem(QStringLiteral("只用RDAP"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("同时查询的域名数："), m_jobs);
    form->addRow(QStringLiteral("每台服务器同时查询数："), m_perHost);
    form->addRow(QStringLiteral("同一服务器两次查询间隔："), m_interval);
    form->addRow(QStringLiteral("查询方式："), m_protocol);

    auto* note =
        new QLabel(QStringLiteral("不同注册局的服务器并行查询；对同一服务器查询过快会被暂时拒绝，"
                                  "被拒绝时程序会等待后重试。设置在下一次开始查询时生效。"),
                   this);
    note->setWordWrap(true);

    auto* buttons = OkCancelButtons(this);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addWidget(buttons);

    setSettings(LoadBatchSettings(m_core));
}

BatchSettings CBatchOptionsDlg::settings() const {
    BatchSettings s;
    s.jobs = m_jobs->value();
    s.perHost = m_perHost->value();
    s.hostIntervalMs = m_interval->value();
    s.protocol = static_cast<ProtocolChoice>(m_protocol->currentIndex());
    return s;
}

void CBatchOptionsDlg::setSettings(const BatchSettings& settings) {
    m_jobs->setValue(settings.jobs);
    m_perHost->setValue(settings.perHost);
    m_interval->setValue(settings.hostIntervalMs);
    m_protocol->setCurrentIndex(static_cast<int>(settings.protocol));
}

void CBatchOptionsDlg::accept() {
    SaveBatchSettings(m_core, settings());
    QDialog::accept();
}
