// SPDX-License-Identifier: MIT
#include "listwin/listfilterbar.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

CListFilterBar::CListFilterBar(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("filterBar"));
    m_text = new QLineEdit(this);
    m_text->setObjectName(QStringLiteral("filterText"));
    m_text->setPlaceholderText(QStringLiteral("域名或whois服务器包含的文字"));
    m_text->setClearButtonEnabled(true);

    m_status = new QComboBox(this);
    m_status->setObjectName(QStringLiteral("statusFilter"));
    // In the order of StatusFilter.
    for (const char* choice : {"全部", "成功", "域名未注册", "失败", "即将到期", "有变化"}) {
        m_status->addItem(QString::fromUtf8(choice));
    }

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    auto* label = new QLabel(QStringLiteral("筛选："), this);
    label->setBuddy(m_text);
    layout->addWidget(label);
    layout->addWidget(m_text, 1);
    layout->addWidget(m_status);

    connect(m_text, &QLineEdit::textChanged, this, &CListFilterBar::Changed);
    connect(m_status, &QComboBox::currentIndexChanged, this, &CListFilterBar::Changed);
}

QString CListFilterBar::text() const {
    return m_text->text();
}

StatusFilter CListFilterBar::status() const {
    return static_cast<StatusFilter>(m_status->currentIndex());
}

void CListFilterBar::ShowPicked(const QString& caption) {
    // The last choice, offered once something picked names.
    const int picked = static_cast<int>(StatusFilter::Picked);
    if (m_status->count() <= picked) {
        m_status->addItem(caption);
    }
    m_status->setItemText(picked, caption);
    m_text->clear();
    m_status->setCurrentIndex(picked);
}

void CListFilterBar::Changed() {
    emit filterChanged(text(), status());
}
