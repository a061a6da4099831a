// SPDX-License-Identifier: MIT
#include "listwin/domainimport.h"

#include "core/atomicfile.h"
#include "core/ccore.h"
#include "core/messages.h"
#include "engine/domaintable.h"
#include "listwin/dataexport.h"
#include "listwin/formats/linenormalize.h"
#include "listwin/formats/listfile.h"
#include "listwin/storedresults.h"
#include "platform/gbkqt.h"
#include "platform/mainwindow.h"
#include "platform/systemerror.h"

#include <QFile>
#include <QString>
#include <QStringList>
#include <algorithm>
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

QString WithReason(const QString& text, int error) {
    const QString reason = SystemErrorText(error);
    return reason.isEmpty() ? text : text + QStringLiteral("\n原因：") + reason;
}

// Why a load is not complete, as one clause.
QString IncompleteReasons(const LoadResult& result) {
    QStringList reasons;
    if (!result.opened && result.error != 0 && result.error != ENOENT) {
        reasons << (result.error == EFBIG
                        ? QStringLiteral("文件超过2GB")
                        : QStringLiteral("读取出错：%1").arg(SystemErrorText(result.error)));
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

QString IncompleteNotice(const LoadResult& result) {
    return QStringLiteral("域名列表文件未能完整读入（%1）；在它能完整读入之前，"
                          "删除选中不会改写它。")
        .arg(IncompleteReasons(result));
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
        lines << IncompleteNotice(result);
    }
    return lines.join(QLatin1Char('\n'));
}

// The resume position ("lastindex") belongs to the list named beside it. An
// import starts afresh; a position an earlier version saved with no list
// beside it belongs to the list it was saved with, the one just loaded.
void KeepResumePositionWithList(const DomainTable& table, bool afterImport) {
    CCore* core = table.core;
    if (core == nullptr) {
        return;
    }
    if (afterImport) {
        core->saveConfigInt("lastindex", 0);
        core->saveConfigStr(kLastListKey, WorkingListIdentity(table));
    } else if (core->getConfigStr(kLastListKey).empty() && core->getConfigInt("lastindex") > 0) {
        core->saveConfigStr(kLastListKey, WorkingListIdentity(table));
    }
}

bool HasName(std::string_view text) {
    while (!text.empty()) {
        const auto lf = text.find('\n');
        if (!NormalizeListLine(text.substr(0, lf)).empty()) {
            return true;
        }
        text.remove_prefix(lf == std::string_view::npos ? text.size() : lf + 1);
    }
    return false;
}

// A list file that was not read whole is replaced only when the user says
// so: what was not read would be gone.
bool MayReplaceListFile(QWidget* panel, CCore& core) {
    if (State().complete) {
        return true;
    }
    const QString question = QStringLiteral("域名列表文件未能完整读入（%1）。导入将替换它，"
                                            "其中未读入的内容将丢失。是否继续？")
                                 .arg(State().why);
    return core.msgboxConfirm(panel, ToGbk(question)) != CCore::IDNO;
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
    if (table.core == nullptr || !CCore::isFileExist(path) ||
        !MayReplaceListFile(panel, *table.core)) {
        return false;
    }
    int error = 0;
    if (!CopyFileAtomically(path, table.listFilePath, &error)) {
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
    // UTF-8 holds every script a clipboard may carry; the list reader
    // recognises it.
    const QByteArray utf8 = text.toUtf8();
    const std::string bytes(utf8.constData(), static_cast<std::size_t>(utf8.size()));
    if (!HasName(bytes)) {
        InfoBox(panel, "剪贴板中没有域名，域名列表未改变。");
        return false;
    }
    if (!MayReplaceListFile(panel, *table.core)) {
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
    State() = {result.format, result.complete(), IncompleteReasons(result)};
    KeepResumePositionWithList(table, afterImport);
    PostToMainWindow(UM_IMPORT_FINISHED);
    // What the file held is told once, at the import, not again at every
    // start, unless the file went bad since: lines it cannot read, or no
    // file it can read at all.
    if (!afterImport) {
        const bool damaged = (!result.opened && result.error != 0 && result.error != ENOENT) ||
                             result.linesTooLong > 0 || result.linesWithBadBytes > 0;
        if (damaged) {
            InfoBox(panel, IncompleteNotice(result).toStdString());
        }
        return;
    }
    if (!result.opened) {
        InfoBox(panel, WithReason(QStringLiteral("无法读取域名列表：") +
                                      QFile::decodeName(table.listFilePath.c_str()),
                                  result.error)
                           .toStdString());
        return;
    }
    const QString notice = LoadNotice(result);
    if (!notice.isEmpty()) {
        InfoBox(panel, notice.toStdString());
    }
}

void DeleteRemovedRows(QWidget* panel) {
    DomainTable& table = TheDomainTable();
    int error = 0;
    bool saved = State().complete;
    if (saved) {
        saved = SaveListFile(table, table.listFilePath, State().format, &error);
    }
    if (saved) {
        // "lastindex" names a row by its place: rows removed before it move
        // it up, so a resume neither skips nor repeats a row. A position of
        // another list stays as it is.
        const std::string savedList =
            table.core != nullptr ? table.core->getConfigStr(kLastListKey) : std::string();
        const bool ours = savedList.empty() || savedList == WorkingListIdentity(table);
        if (table.core != nullptr && ours) {
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
        // The list is another now; the position moved with it.
        if (table.core != nullptr && ours && !savedList.empty()) {
            table.core->saveConfigStr(kLastListKey, WorkingListIdentity(table));
        }
    } else {
        // The file still names every row: so does the table.
        for (int32_t i = 0; i < table.count; ++i) {
            table.Row(i).removed = 0;
        }
        const QString why =
            State().complete
                ? WriteFailedText(table.listFilePath, error)
                : QStringLiteral("域名列表文件未能完整读入（%1），为免丢失其中未读入的内容，"
                                 "未改写它。")
                      .arg(State().why);
        InfoBox(panel, (why + QStringLiteral("\n没有删除任何域名。")).toStdString());
    }
    PostToMainWindow(UM_IMPORT_FINISHED);
}
