// SPDX-License-Identifier: MIT
#include "listwin/listcsvexport.h"

#include "engine/domaintable.h"
#include "engine/net/idn.h"
#include "formats/csvexport.h"
#include "listwin/makehtmlview.h"

namespace {

CsvField CellField(const CMakeHtmlView& view, const DomainTable& table, std::int32_t row,
                   const CListCtrlModel::Item& item, int column) {
    switch (column) {
    case ListColumn::Domain:
        return {ToUnicodeName(FieldText(table.Row(row).domain)), true};
    case ListColumn::Status:
        if (item.status == Error) {
            return {(QStringLiteral("失败：") + item.statusTip).toStdString(), false};
        }
        return {item.cells[column].toStdString(), false};
    case ListColumn::DaysLeft:
        // A negative number is a number here, not a formula.
        return {view.listModel()->DaysLeftText(item.expiryDay).toStdString(), false};
    case ListColumn::Changes:
        return {item.cells[column].toStdString(), false};
    default:
        return {item.cells[column].toStdString(), true};
    }
}

} // namespace

std::vector<std::string> ListCsvLines(const CMakeHtmlView& view,
                                      const std::vector<std::int32_t>* rows) {
    const DomainTable& table = view.ShownTable();
    const std::vector<int> columns = view.ShownColumns();
    std::vector<std::string> lines;
    std::vector<CsvField> fields;
    for (const int column : columns) {
        fields.push_back({kListColumns[static_cast<std::size_t>(column)].title, false});
    }
    lines.push_back(FormatCsvFields(fields));
    const auto add = [&](std::int32_t row) {
        if (row < 0 || row >= table.count) {
            return;
        }
        const CListCtrlModel::Item item = view.ShownItem(row);
        fields.clear();
        for (const int column : columns) {
            fields.push_back(CellField(view, table, row, item, column));
        }
        lines.push_back(FormatCsvFields(fields));
    };
    if (rows != nullptr) {
        for (const std::int32_t row : *rows) {
            add(row);
        }
    } else {
        for (std::int32_t row = 0; row < table.count; ++row) {
            add(row);
        }
    }
    return lines;
}
