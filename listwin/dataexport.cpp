// SPDX-License-Identifier: MIT
#include "listwin/dataexport.h"

#include "core/ccore.h"
#include "engine/domaintable.h"
#include "listwin/formats/csvexport.h"
#include "listwin/makehtmlview.h"
#include "platform/gbkqt.h"
#include "platform/systemerror.h"

#include <QFile>
#include <QString>
#include <QWidget>

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
    std::size_t replaced = 0;
    if (WriteCsvFile(rows, path, &error, encoding, &replaced)) {
        // Every row is written, one line each.
        QString text = QStringLiteral("共导出了 %1 条有效记录！").arg(rows.count);
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
