// SPDX-License-Identifier: MIT
#include "listwin/dataexport.h"

#include "core/ccore.h"
#include "engine/domaintable.h"
#include "formats/csvexport.h"
#include "listwin/listcsvexport.h"
#include "listwin/makehtmlview.h"
#include "platform/gbkqt.h"
#include "platform/systemerror.h"

#include <QFile>
#include <QString>
#include <QWidget>
#include <vector>

QString WriteFailedText(const std::string& path, int error) {
    QString text = QStringLiteral("无法写入文件：") + QFile::decodeName(path.c_str());
    const QString reason = SystemErrorText(error);
    if (!reason.isEmpty()) {
        text += QStringLiteral("\n原因：") + reason;
    }
    return text;
}

void ExportCsv(QWidget* panel) {
    const DomainTable& table = TheDomainTable();
    if (table.core == nullptr) {
        return;
    }
    // With a filter on, the rows it shows may be all the user wants.
    CMakeHtmlView* view = CMakeHtmlView::FirstView();
    std::vector<std::int32_t> shownRows;
    bool onlyShown = false;
    if (view != nullptr && view->IsFiltering()) {
        shownRows = view->FilteredRows();
        const QString question =
            QStringLiteral("只导出当前显示的行（%1 / %2）？\n点击否，导出全部的行。")
                .arg(shownRows.size())
                .arg(view->ShownTable().count);
        onlyShown = table.core->msgboxConfirm(panel, ToGbk(question)) == CCore::IDYES;
    }
    int type = 0;
    const std::string path = table.core->fileExportSave("export.csv", type);
    if (path.empty()) {
        return;
    }
    QWidget* button =
        panel != nullptr ? panel->findChild<QWidget*>(QStringLiteral("1005")) : nullptr;
    if (button != nullptr) {
        button->setEnabled(false);
    }
    const CsvEncoding encoding = type == kExportUtf8 ? CsvEncoding::Utf8WithBom : CsvEncoding::Gbk;
    int error = 0;
    // During a batch workers write the table: the rows go out as the list
    // last showed them.
    const DomainTable& rows = CMakeHtmlView::ShownTableOfViews();
    const std::vector<std::int32_t>* which = onlyShown ? &shownRows : nullptr;
    std::size_t replaced = 0;
    bool written = false;
    if (encoding == CsvEncoding::Utf8WithBom && view != nullptr) {
        written = WriteUtf8CsvLines(ListCsvLines(*view, which), path, &error);
    } else {
        written = WriteCsvFile(rows, path, &error, encoding, &replaced, which);
    }
    if (written) {
        // Every row is written, one line each.
        const auto count = onlyShown ? static_cast<int>(shownRows.size()) : rows.count;
        QString text = QStringLiteral("共导出了 %1 条有效记录！").arg(count);
        if (replaced > 0) {
            // Said, not hidden: the GBK file holds "?" where the value had them.
            text += QStringLiteral("\n%1 个字符无法用 GBK 表示").arg(replaced);
        }
        InfoBox(panel, text.toStdString());
    } else {
        InfoBox(panel, WriteFailedText(path, error).toStdString());
    }
    if (button != nullptr) {
        button->setEnabled(true);
    }
}
