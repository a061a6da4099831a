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
#include <QStringList>
#include <cerrno>

namespace {

// What the last load of the list file found. Until a load is complete the
// table lacks lines of the file, so writing the table back would lose them.
struct ListFileState {
    ListFormat format;
    bool complete = true;
    QString why; // the reasons, when not complete
};

ListFileState& State() {
    static ListFileState state;
    return state;
}

QString Reason(int error) {
    return QString::fromLocal8Bit(SystemReason(error).c_str());
}

// Why a load is not complete, as one clause.
QString IncompleteReasons(const LoadResult& result) {
    QStringList reasons;
    if (!result.opened && result.error != 0 && result.error != ENOENT) {
        reasons << (result.error == EFBIG
                        ? QStringLiteral("文件超过2GB")
                        : QStringLiteral("读取出错：%1").arg(Reason(result.error)));
    }
    if (result.linesTooLong > 0) {
        reasons << QStringLiteral("%1 行超过4KB").arg(result.linesTooLong);
    }
    if (result.linesWithBadBytes > 0) {
        reasons << QStringLiteral("%1 行含有无效字节").arg(result.linesWithBadBytes);
    }
    if (result.skippedOverCapacity > 0) {
        reasons << QStringLiteral("%1 行超出20000行").arg(result.skippedOverCapacity);
    }
    return reasons.join(QStringLiteral("，"));
}

QString LoadNotice(const LoadResult& result) {
    QStringList lines;
    if (result.skippedLong > 0) {
        lines << QStringLiteral("已跳过 %1 个超过40个字符的域名。").arg(result.skippedLong);
    }
    if (result.skippedInvalid > 0) {
        lines << QStringLiteral("已跳过 %1 个无效域名。").arg(result.skippedInvalid);
    }
    if (result.skippedOverCapacity > 0) {
        lines << QStringLiteral("列表最多容纳20000个域名，其余 %1 行未导入。")
                     .arg(result.skippedOverCapacity);
    }
    if (!result.complete()) {
        lines << QStringLiteral("域名列表文件未能完整读入（%1）；在它能完整读入之前，"
                                "删除选中不会改写它。")
                     .arg(IncompleteReasons(result));
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
    // A list file that was not read whole is replaced only when the user
    // says so: what was not read would be gone.
    if (!State().complete) {
        const QString question = QStringLiteral("域名列表文件未能完整读入（%1）。导入将替换它，"
                                                "其中未读入的内容将丢失。是否继续？")
                                     .arg(State().why);
        if (table.core->msgboxConfirm(panel, ToGbk(question)) == CCore::IDNO) {
            return;
        }
    }
    int error = 0;
    if (!CopyFileAtomically(chosen, table.listFilePath, &error)) {
        InfoBox(panel, QStringLiteral("无法复制所选文件，域名列表未改变。\n%1")
                           .arg(Reason(error))
                           .toStdString());
        return;
    }
    LoadListFile(panel);
}

void LoadListFile(QWidget* panel, bool announce) {
    DomainTable& table = TheDomainTable();
    const LoadResult result = LoadListFile(table, table.listFilePath);
    State() = {result.format, result.complete(), IncompleteReasons(result)};
    PostToMainWindow(UM_IMPORT_FINISHED);
    const QString notice = announce ? LoadNotice(result) : QString();
    if (!notice.isEmpty()) {
        InfoBox(panel, notice.toStdString());
    }
}

bool SaveListFile(QWidget* panel) {
    const DomainTable& table = TheDomainTable();
    if (!State().complete) {
        InfoBox(panel, QStringLiteral("域名列表文件未能完整读入（%1），为免丢失其中未读入的内容，"
                                      "未改写它。")
                           .arg(State().why)
                           .toStdString());
        return false;
    }
    int error = 0;
    if (SaveListFile(table, table.listFilePath, State().format, &error)) {
        return true;
    }
    InfoBox(panel, QStringLiteral("无法写入文件：%1\n%2")
                       .arg(QFile::decodeName(table.listFilePath.c_str()), Reason(error))
                       .toStdString());
    return false;
}
