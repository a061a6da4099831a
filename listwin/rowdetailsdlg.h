// SPDX-License-Identifier: MIT
#pragma once

// The details of one row, opened by a double click: every field of the row
// and the answer text it came from, both selectable and copyable.

#include <QDialog>
#include <cstdint>

struct DomainTable;
class QPlainTextEdit;

class CRowDetailsDlg final : public QDialog {
    Q_OBJECT
public:
    // Reads row `index` of `table` once; the window does not follow later
    // changes of the row.
    CRowDetailsDlg(const DomainTable& table, std::int32_t index, QWidget* parent = nullptr);

    [[nodiscard]] QString fieldsText() const;
    [[nodiscard]] QString answerText() const;

private:
    QPlainTextEdit* m_fields = nullptr;
    QPlainTextEdit* m_answer = nullptr;
};

// "域名：example.com" and the other fields, one a line, for row `index`.
[[nodiscard]] QString RowFieldsText(const DomainTable& table, std::int32_t index);
