#include "listwin/dataexport.h"

#include "core/atomicfile.h"
#include "core/ccore.h"
#include "engine/domaintable.h"
#include "listwin/formats/csvexport.h"
#include "platform/gbkqt.h"

#include <QFile>
#include <QString>
#include <QWidget>

void ExportCsv(QWidget* panel) {
    const DomainTable& table = TheDomainTable();
    if (table.core == nullptr) {
        return;
    }
    std::string proposed = "export.csv";
    const std::string path = table.core->fileTxtSave(proposed);
    if (path.empty()) {
        return;
    }
    QWidget* button =
        panel != nullptr ? panel->findChild<QWidget*>(QStringLiteral("1005")) : nullptr;
    if (button != nullptr) {
        button->setEnabled(false);
    }
    int error = 0;
    if (WriteCsvFile(table, path, &error)) {
        InfoBox(panel, QStringLiteral("共导出了 %1 条有效记录！").arg(table.count).toStdString());
    } else {
        InfoBox(panel, QStringLiteral("无法写入文件：%1\n%2")
                           .arg(QFile::decodeName(path.c_str()),
                                QString::fromLocal8Bit(SystemReason(error).c_str()))
                           .toStdString());
    }
    if (button != nullptr) {
        button->setEnabled(true);
    }
}
