// SPDX-License-Identifier: MIT
#pragma once

// The details of one row, opened by a double click: every field of the row,
// when it was asked, the answer text it came from and the name's earlier
// checks, all selectable and copyable.

#include <QDialog>
#include <cstdint>

struct DomainTable;
class QLabel;
class QPlainTextEdit;
class QTableWidget;
class ResultStore;

struct RowDetailsSource {
    // The name's history, and the answer of a result shown from the store.
    ResultStore* store = nullptr;
    // A batch is asking the row now: the table shows its result before.
    bool underWay = false;
};

class CRowDetailsDlg final : public QDialog {
    Q_OBJECT
public:
    // Reads row `index` of `table` once; the window does not follow later
    // changes of the row.
    CRowDetailsDlg(const DomainTable& table, std::int32_t index, QWidget* parent = nullptr,
                   RowDetailsSource source = {});

    [[nodiscard]] QString fieldsText() const;
    [[nodiscard]] QString answerText() const;
    // The title above the answer (it names the host when there is one answer).
    [[nodiscard]] QString answerLabelText() const;
    // The history, one check a line, its cells separated by tabs.
    [[nodiscard]] QString historyText() const;

private:
    QPlainTextEdit* m_fields = nullptr;
    QPlainTextEdit* m_answer = nullptr;
    QLabel* m_answerLabel = nullptr;
    QTableWidget* m_history = nullptr;
};

// "域名：example.com" and the other fields, one a line, for row `index`.
[[nodiscard]] QString RowFieldsText(const DomainTable& table, std::int32_t index,
                                    bool underWay = false);
// When a check was made, local time ("2026-12-07 19:05:09"); "" for 0.
[[nodiscard]] QString AskedAtText(std::int64_t askedAt);
