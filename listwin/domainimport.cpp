// SPDX-License-Identifier: MIT
#include "listwin/domainimport.h"

#include "core/atomicfile.h"
#include "core/ccore.h"
#include "core/messages.h"
#include "engine/domaintable.h"
#include "formats/linenormalize.h"
#include "formats/listfile.h"
#include "listwin/dataexport.h"
#include "listwin/storedresults.h"
#include "platform/gbkqt.h"
#include "platform/mainwindow.h"
#include "platform/systemerror.h"

#include <QFile>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unordered_set>
#include <vector>

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

// The rows the last delete took out, with their results, for an undo.
std::vector<TakenRow>& LastDeleted() {
    static std::vector<TakenRow> rows;
    return rows;
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

// What one import did, told in one message at its end.
struct ImportSummary {
    int added = 0;
    int duplicates = 0;   // names the list had already, or the import twice
    int skipped = 0;      // lines too long or not a domain name
    QStringList samples;  // the first of them
    int overCapacity = 0; // names past the table's last row
};

void TakeSkippedLines(ImportSummary& summary, const LoadResult& result) {
    summary.skipped = result.skippedLong + result.skippedInvalid;
    summary.overCapacity = result.skippedOverCapacity;
    for (const std::string& line : result.skippedSamples) {
        QString text = result.format.encoding == ListEncoding::Utf8
                           ? QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()))
                           : FromGbk(line);
        // Control characters would garble the message.
        for (QChar& c : text) {
            if (c.category() == QChar::Other_Control) {
                c = QLatin1Char('?');
            }
        }
        summary.samples << (line.empty() ? QStringLiteral("（超过4KB的行）") : text);
    }
}

QString SummaryText(const ImportSummary& summary) {
    QStringList lines;
    lines << QStringLiteral("导入完成：新增 %1 个域名。").arg(summary.added);
    if (summary.duplicates > 0) {
        lines << QStringLiteral("去掉了 %1 个重复的域名。").arg(summary.duplicates);
    }
    if (summary.skipped > 0) {
        lines << QStringLiteral("跳过了 %1 行无效内容，前 %2 行：")
                     .arg(summary.skipped)
                     .arg(summary.samples.size());
        for (const QString& sample : summary.samples) {
            lines << QStringLiteral("    ") + sample;
        }
    }
    if (summary.overCapacity > 0) {
        lines << QStringLiteral("列表最多容纳20000个域名，其余 %1 个未导入；"
                                "更长的列表请用 zentrix-batch 查询。")
                     .arg(summary.overCapacity);
    }
    return lines.join(QLatin1Char('\n'));
}

// Takes out of the table every row whose name an earlier row has; returns
// how many went.
int DropDuplicateRows(DomainTable& table) {
    std::unordered_set<std::string> seen;
    int dropped = 0;
    for (int32_t i = 0; i < table.count; ++i) {
        if (!seen.emplace(FieldText(table.Row(i).domain)).second) {
            table.Row(i).removed = 1;
            ++dropped;
        }
    }
    if (dropped > 0) {
        table.RemoveMarkedRows();
    }
    return dropped;
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

// The list file was rewritten from the table: a resume position that was
// the old list's moves to the new one.
void FollowListIdentity(const DomainTable& table, const std::string& before) {
    CCore* core = table.core;
    if (core != nullptr && core->getConfigStr(kLastListKey) == before && !before.empty()) {
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

enum class ImportMode { Replace, Append, Cancel };

// With names in the list, the user chooses whether an import replaces it or
// adds to it.
ImportMode AskImportMode(QWidget* panel) {
    const DomainTable& table = TheDomainTable();
    CCoreDialogs* dialogs = CCore::dialogs();
    if (table.count <= 0 || dialogs == nullptr) {
        return ImportMode::Replace;
    }
    const QString question =
        QStringLiteral("列表中已有 %1 个域名。要用导入的域名替换当前列表，还是追加到列表？")
            .arg(table.count);
    const std::vector<std::string> buttons = {ToGbk(QStringLiteral("替换当前列表")),
                                              ToGbk(QStringLiteral("追加到列表")),
                                              ToGbk(QStringLiteral("取消"))};
    switch (dialogs->msgboxChoice(panel, ToGbk(question), buttons)) {
    case 0:
        return ImportMode::Replace;
    case 1:
        return ImportMode::Append;
    default:
        return ImportMode::Cancel;
    }
}

// Adds the names of the list file at `path` that the list lacks to its end;
// the rows already there keep their results. The list file is rewritten
// with them, or nothing changes.
bool AppendNamesFrom(QWidget* panel, const std::string& path) {
    DomainTable& table = TheDomainTable();
    auto incoming = std::make_unique<DomainTable>();
    const LoadResult loaded = LoadListFile(*incoming, path);
    if (!loaded.opened) {
        InfoBox(panel,
                WithReason(QStringLiteral("无法读取要导入的域名，域名列表未改变。"), loaded.error)
                    .toStdString());
        return false;
    }
    ImportSummary summary;
    TakeSkippedLines(summary, loaded);
    std::unordered_set<std::string> names;
    for (int32_t i = 0; i < table.count; ++i) {
        names.emplace(FieldText(table.Row(i).domain));
    }
    const std::string before = WorkingListIdentity(table);
    const int32_t first = table.count;
    for (int32_t i = 0; i < incoming->count; ++i) {
        const DomainRecord& row = incoming->Row(i);
        if (!names.emplace(FieldText(row.domain)).second) {
            ++summary.duplicates;
        } else if (table.count >= DomainTable::kMaxRows) {
            ++summary.overCapacity;
        } else {
            std::memcpy(&table.Row(table.count), &row, sizeof row);
            ++table.count;
        }
    }
    summary.added = table.count - first;
    ForgetDeletedRows();
    if (summary.added > 0) {
        int error = 0;
        if (!SaveListFile(table, table.listFilePath, State().format, &error)) {
            // The file still holds the list as it was: so does the table.
            for (int32_t i = first; i < table.count; ++i) {
                std::memset(&table.Row(i), 0, sizeof(DomainRecord));
            }
            table.count = first;
            InfoBox(panel, (WriteFailedText(table.listFilePath, error) +
                            QStringLiteral("\n域名列表未改变。"))
                               .toStdString());
            return false;
        }
        FollowListIdentity(table, before);
    }
    PostToMainWindow(UM_IMPORT_FINISHED);
    InfoBox(panel, SummaryText(summary).toStdString());
    return true;
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
    const ImportMode mode = AskImportMode(panel);
    if (mode == ImportMode::Cancel || !MayReplaceListFile(panel, *table.core)) {
        return false;
    }
    if (mode == ImportMode::Append) {
        return AppendNamesFrom(panel, path);
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
    const ImportMode mode = AskImportMode(panel);
    if (mode == ImportMode::Cancel || !MayReplaceListFile(panel, *table.core)) {
        return false;
    }
    int error = 0;
    if (mode == ImportMode::Append) {
        // Read as a list file is read, from a file beside it.
        const std::string pasted = table.listFilePath + ".pasted";
        if (!WriteFileAtomically(pasted, bytes, &error)) {
            InfoBox(panel, (WriteFailedText(pasted, error) + QStringLiteral("\n域名列表未改变。"))
                               .toStdString());
            return false;
        }
        const bool appended = AppendNamesFrom(panel, pasted);
        std::remove(pasted.c_str());
        return appended;
    }
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
    ForgetDeletedRows();
    ImportSummary summary;
    if (afterImport) {
        // A list names each domain once; the file follows when it can be
        // written whole.
        summary.duplicates = DropDuplicateRows(table);
        if (summary.duplicates > 0 && State().complete) {
            SaveListFile(table, table.listFilePath, State().format);
        }
        summary.added = table.count;
        TakeSkippedLines(summary, result);
    }
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
    QString notice = SummaryText(summary);
    if (!result.complete()) {
        notice += QLatin1Char('\n') + IncompleteNotice(result);
    }
    InfoBox(panel, notice.toStdString());
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
        LastDeleted() = table.CopyMarkedRows();
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

void ForgetDeletedRows() {
    LastDeleted().clear();
}

bool CanRestoreDeletedRows() {
    return !LastDeleted().empty();
}

bool RestoreDeletedRows(QWidget* panel) {
    DomainTable& table = TheDomainTable();
    std::vector<TakenRow>& rows = LastDeleted();
    if (rows.empty() || !State().complete) {
        return false;
    }
    const std::string before = WorkingListIdentity(table);
    if (!table.PutBackRows(rows)) {
        return false;
    }
    int error = 0;
    if (!SaveListFile(table, table.listFilePath, State().format, &error)) {
        // The file still lacks them: so does the table.
        for (const TakenRow& row : rows) {
            table.Row(row.index).removed = 1;
        }
        table.RemoveMarkedRows();
        InfoBox(panel, (WriteFailedText(table.listFilePath, error) +
                        QStringLiteral("\n没有恢复任何域名。"))
                           .toStdString());
        return false;
    }
    // The resume position moves down past rows put back above it; a row put
    // back at it is asked (never skipped).
    if (table.core != nullptr) {
        const std::string savedList = table.core->getConfigStr(kLastListKey);
        if (savedList.empty() || savedList == before) {
            int last = table.core->getConfigInt("lastindex");
            const int kept = last;
            for (const TakenRow& row : rows) {
                last += row.index < last ? 1 : 0;
            }
            if (last != kept) {
                table.core->saveConfigInt("lastindex", last);
            }
        }
    }
    FollowListIdentity(table, before);
    rows.clear();
    PostToMainWindow(UM_IMPORT_FINISHED);
    return true;
}
