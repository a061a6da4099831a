#include "listwin/domainimport.h"

#include "core/atomicfile.h"
#include "core/ccore.h"
#include "core/messages.h"
#include "engine/domaintable.h"
#include "listwin/formats/listfile.h"
#include "platform/gbkqt.h"
#include "platform/mainwindow.h"

#include <QFile>
#include <QString>
#include <fstream>

namespace {

// Streams `from` into a replacement of `to`; the old `to` stays on failure.
bool CopyOver(const std::string& from, const std::string& to) {
    std::ifstream in(from, std::ios::binary);
    if (!in) {
        return false;
    }
    AtomicFile out(to);
    if (!out.Open()) {
        return false;
    }
    char buffer[64 * 1024];
    while (in) {
        in.read(buffer, sizeof buffer);
        if (in.gcount() > 0 &&
            !out.Write(std::string_view(buffer, static_cast<std::size_t>(in.gcount())))) {
            return false;
        }
    }
    if (in.bad()) {
        return false;
    }
    return out.Commit();
}

QString skippedText(const LoadResult& result) {
    QStringList lines;
    if (result.skippedLong > 0) {
        lines << QStringLiteral("已跳过 %1 个超过40个字符的域名。").arg(result.skippedLong);
    }
    if (result.skippedOverCapacity > 0) {
        lines << QStringLiteral("列表最多容纳20000个域名，其余 %1 行未导入。")
                     .arg(result.skippedOverCapacity);
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace

void ImportDomainFile(QWidget* panel) {
    DomainTable& table = TheDomainTable();
    if (table.core == nullptr) {
        return;
    }
    const std::string chosen = table.core->fileTxtOpen();
    if (chosen.empty() || !CCore::isFileExist(chosen)) {
        return;
    }
    if (!CopyOver(chosen, table.listFilePath)) {
        InfoBox(panel, "无法复制所选文件，域名列表未改变。");
        return;
    }
    LoadListFile(panel);
}

void LoadListFile(QWidget* panel) {
    DomainTable& table = TheDomainTable();
    const LoadResult result = LoadListFile(table, table.listFilePath);
    PostToMainWindow(UM_IMPORT_FINISHED);
    const QString skipped = skippedText(result);
    if (!skipped.isEmpty()) {
        InfoBox(panel, skipped.toStdString());
    }
}

bool SaveListFile(QWidget* panel) {
    const DomainTable& table = TheDomainTable();
    if (SaveListFile(table, table.listFilePath)) {
        return true;
    }
    InfoBox(panel, "无法写入文件：" + QFile::decodeName(table.listFilePath.c_str()).toStdString());
    return false;
}
