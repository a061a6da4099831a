// SPDX-License-Identifier: MIT
#include "listwin/rowdetailsdlg.h"

#include "engine/answertext.h"
#include "engine/domaintable.h"
#include "engine/store/resultstore.h"
#include "listwin/listitem.h"
#include "platform/gbkqt.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

// Read-only, yet selectable by mouse and keys (Ctrl+A, Shift+arrows, Ctrl+C).
constexpr Qt::TextInteractionFlags kSelectable =
    Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard;

// Upper case, as the protocols are written for people.
QString ProtocolText(QueryProtocol protocol) {
    const std::string_view name = QueryProtocolName(protocol);
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())).toUpper();
}

// How many earlier checks the window lists.
constexpr std::size_t kHistoryRows = 20;

QString Utf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The name's checks, newest first: date, status, expiry, registrar, owner.
QTableWidget* HistoryTable(const std::vector<StoredCheck>& checks, QWidget* parent) {
    auto* history = new QTableWidget(static_cast<int>(checks.size()), 5, parent);
    history->setObjectName(QStringLiteral("detailsHistory"));
    history->setHorizontalHeaderLabels({QStringLiteral("查询时间"), QStringLiteral("当前状态"),
                                        QStringLiteral("过期日期"), QStringLiteral("注册商"),
                                        QStringLiteral("所有人")});
    history->setEditTriggers(QAbstractItemView::NoEditTriggers);
    history->setSelectionBehavior(QAbstractItemView::SelectRows);
    history->verticalHeader()->hide();
    history->horizontalHeader()->setStretchLastSection(true);
    for (int r = 0; r < history->rowCount(); ++r) {
        const StoredCheck& check = checks[static_cast<std::size_t>(r)];
        const QString cells[] = {
            AskedAtText(check.askedAt), QString::fromUtf8(QueryStatusListText(check.status)),
            Utf8(check.values.expiry), Utf8(check.values.registrar), Utf8(check.values.owner)};
        for (int c = 0; c < 5; ++c) {
            history->setItem(r, c, new QTableWidgetItem(cells[c]));
        }
    }
    history->resizeColumnsToContents();
    return history;
}

} // namespace

QString AskedAtText(std::int64_t askedAt) {
    if (askedAt <= 0) {
        return {};
    }
    return QDateTime::fromSecsSinceEpoch(askedAt).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString RowFieldsText(const DomainTable& table, std::int32_t index, bool underWay) {
    const bool finished = table.IsFinished(index);
    const CListCtrlModel::Item item = ListItemForRow(table, index, finished);
    struct Line {
        const char* label;
        QString value;
    };
    const Line lines[] = {
        {"域名", item.cells[ListColumn::Domain]},
        {"whois服务器", item.cells[ListColumn::Server]},
        {"当前状态", underWay   ? QStringLiteral("正在查询…")
                     : finished ? item.cells[ListColumn::Status]
                                : QStringLiteral("尚未查询")},
        {"失败原因", item.statusTip},
        {"查询方式", ProtocolText(table.details.Protocol(index))},
        {"查询时间", AskedAtText(table.details.AskedAt(index))},
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

CRowDetailsDlg::CRowDetailsDlg(const DomainTable& table, std::int32_t index, QWidget* parent,
                               RowDetailsSource source)
    : QDialog(parent) {
    setObjectName(QStringLiteral("rowDetails"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("域名详情 - ") + FromGbk(FieldText(table.Row(index).domain)));

    m_fields = new QPlainTextEdit(RowFieldsText(table, index, source.underWay), this);
    m_fields->setObjectName(QStringLiteral("detailsFields"));
    m_fields->setReadOnly(true);
    m_fields->setTextInteractionFlags(kSelectable);
    m_fields->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_fields->setMaximumHeight(m_fields->fontMetrics().lineSpacing() * 15);

    const std::string domain(FieldText(table.Row(index).domain));
    std::vector<StoredCheck> checks;
    if (source.store != nullptr) {
        // The rows finished last may still wait for their commit.
        source.store->Flush();
        checks = source.store->History(domain, kHistoryRows);
    }
    // UTF-8 whatever the registry sent (GBK, ISO-2022-JP, UTF-8). A result
    // shown from the store left its answer there.
    std::string answerUtf8 = table.details.AnswerUtf8(index);
    if (answerUtf8.empty() && !source.underWay && !checks.empty() &&
        checks.front().askedAt == table.details.AskedAt(index) && table.details.Finished(index)) {
        answerUtf8 = AnswerForDisplay(source.store->LatestAnswer(domain));
    }
    QString answer = Utf8(answerUtf8);
    // Each answer under the host that gave it: the registry's first.
    QString answerLabel = QStringLiteral("原始应答：");
    const QString server = QString::fromStdString(table.details.Server(index));
    const std::string other = table.details.OtherAnswerUtf8(index);
    if (source.underWay) {
        answer = QStringLiteral("（正在查询…）");
    } else if (!other.empty()) {
        const auto section = [](const QString& host, const QString& text) {
            return QStringLiteral("【%1】\n").arg(host) + text;
        };
        const QString mine = section(server, answer);
        const QString theirs =
            section(QString::fromStdString(table.details.OtherServer(index)), Utf8(other));
        answer = table.details.OtherCameFirst(index) ? theirs + QStringLiteral("\n\n") + mine
                                                     : mine + QStringLiteral("\n\n") + theirs;
    } else if (answer.isEmpty()) {
        answer = QStringLiteral("（没有应答内容）");
    } else if (!server.isEmpty()) {
        answerLabel = QStringLiteral("原始应答（%1）：").arg(server);
    }
    m_answer = new QPlainTextEdit(answer, this);
    m_answer->setObjectName(QStringLiteral("rawAnswer"));
    m_answer->setReadOnly(true);
    m_answer->setTextInteractionFlags(kSelectable);
    m_answer->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_answer->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    m_history = HistoryTable(checks, this);
    m_history->setMaximumHeight(m_history->fontMetrics().lineSpacing() * 9);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_fields);
    m_answerLabel = new QLabel(answerLabel, this);
    m_answerLabel->setObjectName(QStringLiteral("answerLabel"));
    layout->addWidget(m_answerLabel);
    layout->addWidget(m_answer, 1);
    layout->addWidget(new QLabel(QStringLiteral("查询历史（最新在前）："), this));
    layout->addWidget(m_history);
    layout->addWidget(buttons);
    resize(720, 760);
}

QString CRowDetailsDlg::fieldsText() const {
    return m_fields->toPlainText();
}

QString CRowDetailsDlg::answerText() const {
    return m_answer->toPlainText();
}

QString CRowDetailsDlg::answerLabelText() const {
    return m_answerLabel->text();
}

QString CRowDetailsDlg::historyText() const {
    QString text;
    for (int r = 0; r < m_history->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < m_history->columnCount(); ++c) {
            const QTableWidgetItem* item = m_history->item(r, c);
            cells << (item != nullptr ? item->text() : QString());
        }
        text += cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    return text;
}
