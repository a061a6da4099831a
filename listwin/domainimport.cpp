#include "listwin/domainimport.h"

#include "core/atomicfile.h"
#include "core/ccore.h"
#include "core/messages.h"
#include "engine/domaintable.h"
#include "listwin/dataexport.h"
#include "listwin/formats/linenormalize.h"
#include "listwin/formats/listfile.h"
#include "platform/gbkqt.h"
#include "platform/mainwindow.h"
#include "platform/systemerror.h"

#include <QFile>
#include <QString>
#include <algorithm>
#include <cerrno>
#include <fstream>

namespace {

// Streams `from` into a replacement of `to`; the old `to` stays on failure,
// and `error` says why.
bool CopyOver(const std::string& from, const std::string& to, int& error) {
    std::ifstream in(from, std::ios::binary);
    if (!in) {
        error = errno != 0 ? errno : EIO;
        return false;
    }
    AtomicFile out(to);
    if (!out.Open()) {
        error = out.error();
        return false;
    }
    char buffer[64 * 1024];
    while (in) {
        in.read(buffer, sizeof buffer);
        if (in.gcount() > 0 &&
            !out.Write(std::string_view(buffer, static_cast<std::size_t>(in.gcount())))) {
            error = out.error();
            return false;
        }
    }
    if (in.bad()) {
        error = EIO;
        return false;
    }
    if (!out.Commit()) {
        error = out.error();
        return false;
    }
    return true;
}

QString WithReason(const QString& text, int error) {
    const QString reason = SystemErrorText(error);
    return reason.isEmpty() ? text : text + QStringLiteral("\n原因：") + reason;
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

bool HasName(const std::string& gbk) {
    std::string_view rest = gbk;
    while (!rest.empty()) {
        const auto lf = rest.find('\n');
        if (!NormalizeListLine(rest.substr(0, lf)).empty()) {
            return true;
        }
        rest.remove_prefix(lf == std::string_view::npos ? rest.size() : lf + 1);
    }
    return false;
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
    ImportDomainPath(panel, chosen);
}

bool ImportDomainPath(QWidget* panel, const std::string& path) {
    DomainTable& table = TheDomainTable();
    if (table.core == nullptr || !CCore::isFileExist(path)) {
        return false;
    }
    int error = 0;
    if (!CopyOver(path, table.listFilePath, error)) {
        InfoBox(
            panel,
            WithReason(QStringLiteral("无法复制所选文件，域名列表未改变。"), error).toStdString());
        return false;
    }
    LoadListFile(panel, true);
    return true;
}

bool ImportDomainText(QWidget* panel, const QString& text) {
    DomainTable& table = TheDomainTable();
    if (table.core == nullptr) {
        return false;
    }
    const std::string bytes = ToGbk(text);
    if (!HasName(bytes)) {
        InfoBox(panel, "剪贴板中没有域名，域名列表未改变。");
        return false;
    }
    int error = 0;
    if (!WriteFileAtomically(table.listFilePath, bytes, &error)) {
        InfoBox(panel,
                (WriteFailedText(table.listFilePath, error) + QStringLiteral("\n域名列表未改变。"))
                    .toStdString());
        return false;
    }
    LoadListFile(panel, true);
    return true;
}

void LoadListFile(QWidget* panel, bool afterImport) {
    DomainTable& table = TheDomainTable();
    const LoadResult result = LoadListFile(table, table.listFilePath);
    PostToMainWindow(UM_IMPORT_FINISHED);
    if (!afterImport) {
        return;
    }
    if (!result.opened) {
        InfoBox(panel, WithReason(QStringLiteral("无法读取域名列表：") +
                                      QFile::decodeName(table.listFilePath.c_str()),
                                  result.error)
                           .toStdString());
        return;
    }
    const QString skipped = skippedText(result);
    if (!skipped.isEmpty()) {
        InfoBox(panel, skipped.toStdString());
    }
}

void DeleteRemovedRows(QWidget* panel) {
    DomainTable& table = TheDomainTable();
    int error = 0;
    if (SaveListFile(table, table.listFilePath, &error)) {
        // "lastindex" names a row by its place: rows removed before it move
        // it up, so a resume neither skips nor repeats a row.
        if (table.core != nullptr) {
            const int last = table.core->getConfigInt("lastindex");
            int before = 0;
            for (int32_t i = 0; i < std::min(last, table.count); ++i) {
                before += table.Row(i).removed != 0 ? 1 : 0;
            }
            if (before > 0) {
                table.core->saveConfigInt("lastindex", last - before);
            }
        }
        table.RemoveMarkedRows();
    } else {
        // The file still names every row: so does the table.
        for (int32_t i = 0; i < table.count; ++i) {
            table.Row(i).removed = 0;
        }
        InfoBox(panel, (WriteFailedText(table.listFilePath, error) +
                        QStringLiteral("\n没有删除任何域名。"))
                           .toStdString());
    }
    PostToMainWindow(UM_IMPORT_FINISHED);
}
