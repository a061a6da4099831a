// SPDX-License-Identifier: MIT
#include "listwin/rowdetailsdlg.h"

#include "engine/domaintable.h"
#include "listwin/listitem.h"
#include "platform/gbkqt.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace {

// Read-only, yet selectable by mouse and keys (Ctrl+A, Shift+arrows, Ctrl+C).
constexpr Qt::TextInteractionFlags kSelectable =
    Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard;

const char* ProtocolText(QueryProtocol protocol) {
    switch (protocol) {
    case QueryProtocol::Whois:
        return "WHOIS";
    case QueryProtocol::Rdap:
        return "RDAP";
    case QueryProtocol::None:
        break;
    }
    return "";
}

} // namespace

QString RowFieldsText(const DomainTable& table, std::int32_t index) {
    const bool finished = table.IsFinished(index);
    const CListCtrlModel::Item item = ListItemForRow(table, index, finished);
    struct Line {
        const char* label;
        QString value;
    };
    const Line lines[] = {
        {"域名", item.cells[ListColumn::Domain]},
        {"whois服务器", item.cells[ListColumn::Server]},
        {"当前状态", finished ? item.cells[ListColumn::Status] : QStringLiteral("尚未查询")},
        {"失败原因", item.statusTip},
        {"查询方式", QString::fromLatin1(ProtocolText(table.details.Protocol(index)))},
        {"过期日期", item.cells[ListColumn::Expiry]},
        {"注册日期", item.cells[ListColumn::Created]},
        {"whois更新日期", item.cells[ListColumn::Updated]},
        {"所有人", item.cells[ListColumn::Owner]},
        {"联系Email", item.cells[ListColumn::Email]},
        {"电话", item.cells[ListColumn::Phone]},
        {"注册商", item.cells[ListColumn::Registrar]},
    };
    QString text;
    for (const Line& line : lines) {
        text +=
            QString::fromUtf8(line.label) + QStringLiteral("：") + line.value + QLatin1Char('\n');
    }
    return text;
}

CRowDetailsDlg::CRowDetailsDlg(const DomainTable& table, std::int32_t index, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("rowDetails"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("域名详情 - ") + FromGbk(FieldText(table.Row(index).domain)));

    m_fields = new QPlainTextEdit(RowFieldsText(table, index), this);
    m_fields->setObjectName(QStringLiteral("detailsFields"));
    m_fields->setReadOnly(true);
    m_fields->setTextInteractionFlags(kSelectable);
    m_fields->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_fields->setMaximumHeight(m_fields->fontMetrics().lineSpacing() * 14);

    // UTF-8 whatever the registry sent (GBK, ISO-2022-JP, UTF-8).
    QString answer = QString::fromStdString(table.details.AnswerUtf8(index));
    if (answer.isEmpty()) {
        answer = QStringLiteral("（没有应答内容）");
    }
    m_answer = new QPlainTextEdit(answer, this);
    m_answer->setObjectName(QStringLiteral("rawAnswer"));
    m_answer->setReadOnly(true);
    m_answer->setTextInteractionFlags(kSelectable);
    m_answer->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_answer->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_fields);
    layout->addWidget(new QLabel(QStringLiteral("原始应答："), this));
    layout->addWidget(m_answer, 1);
    layout->addWidget(buttons);
    resize(720, 640);
}

QString CRowDetailsDlg::fieldsText() const {
    return m_fields->toPlainText();
}

QString CRowDetailsDlg::answerText() const {
    return m_answer->toPlainText();
}
