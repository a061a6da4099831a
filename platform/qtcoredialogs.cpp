// SPDX-License-Identifier: MIT
#include "platform/qtcoredialogs.h"

#include "platform/gbkqt.h"
#include "platform/mainwindow.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>
#include <QWidget>
#include <algorithm>
#include <vector>

namespace {

QWidget* ownerWidget(void* owner) {
    return owner != nullptr ? static_cast<QWidget*>(owner) : MainWindow();
}

const QString kTextFilters = QStringLiteral("文本文件 (*.txt);;所有文件 (*)");

std::string nativePath(const QString& path) {
    return path.isEmpty() ? std::string() : QFile::encodeName(path).toStdString();
}

} // namespace

QString ExportFileTypes() {
    // The first type is the program's own GBK file; Qt reads the pattern from
    // the last parentheses, so "(Excel)" stays part of the name.
    return QStringLiteral("CSV 文件 (*.csv);;CSV UTF-8 (Excel) (*.csv)");
}

QString BoxCaption() {
    return QGuiApplication::applicationDisplayName();
}

void CQtCoreDialogs::msgboxInfo(void* owner, const std::string& text) {
    QMessageBox box(QMessageBox::Information, BoxCaption(), FromGbk(text), QMessageBox::Ok,
                    ownerWidget(owner));
    box.exec();
}

int CQtCoreDialogs::msgboxConfirm(void* owner, const std::string& text) {
    QMessageBox box(QMessageBox::Question, BoxCaption(), FromGbk(text),
                    QMessageBox::Yes | QMessageBox::No, ownerWidget(owner));
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes ? CCore::IDYES : CCore::IDNO;
}

int CQtCoreDialogs::msgboxChoice(void* owner, const std::string& text,
                                 const std::vector<std::string>& buttons) {
    QMessageBox box(QMessageBox::Question, BoxCaption(), FromGbk(text), QMessageBox::NoButton,
                    ownerWidget(owner));
    std::vector<QAbstractButton*> added;
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        const bool last = i + 1 == buttons.size();
        added.push_back(box.addButton(FromGbk(buttons[i]),
                                      last ? QMessageBox::RejectRole : QMessageBox::AcceptRole));
    }
    if (!added.empty()) {
        box.setEscapeButton(added.back());
    }
    box.exec();
    const auto chosen = std::find(added.begin(), added.end(), box.clickedButton());
    return chosen != added.end() ? static_cast<int>(chosen - added.begin())
                                 : static_cast<int>(added.size()) - 1;
}

std::string CQtCoreDialogs::fileTxtOpen() {
    return nativePath(QFileDialog::getOpenFileName(MainWindow(), QStringLiteral("导入域名"),
                                                   QString(), kTextFilters));
}

std::string CQtCoreDialogs::fileTxtSave(const std::string& proposedName) {
    return nativePath(
        QFileDialog::getSaveFileName(MainWindow(), QString(), FromGbk(proposedName), kTextFilters));
}

std::string CQtCoreDialogs::fileExportSave(const std::string& proposedName, int& type) {
    type = 0;
    QFileDialog dialog(MainWindow(), QStringLiteral("导出数据"), FromGbk(proposedName),
                       ExportFileTypes());
    dialog.setObjectName(QStringLiteral("exportDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    const QStringList types = ExportFileTypes().split(QStringLiteral(";;"));
    type = std::max<int>(0, static_cast<int>(types.indexOf(dialog.selectedNameFilter())));
    return nativePath(dialog.selectedFiles().constFirst());
}

std::string CQtCoreDialogs::fileImageSave(const std::string& proposedName) {
    QFileDialog dialog(MainWindow(), QStringLiteral("导出图片"), FromGbk(proposedName),
                       QStringLiteral("PNG 图片 (*.png)"));
    dialog.setObjectName(QStringLiteral("imageDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("png"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return nativePath(dialog.selectedFiles().constFirst());
}

void CQtCoreDialogs::openUrl(const std::string& address) {
    const QUrl url = DomainUrl(address);
    if (url.isValid() && QDesktopServices::openUrl(url)) {
        return;
    }
    const QString shown = url.isValid() ? url.toString() : FromGbk(address);
    QMessageBox box(QMessageBox::Warning, BoxCaption(), QStringLiteral("无法打开网页：") + shown,
                    QMessageBox::Ok, MainWindow());
    box.setObjectName(QStringLiteral("openUrlFailed"));
    box.exec();
}

QUrl DomainUrl(const std::string& gbkDomain) {
    if (gbkDomain.empty()) {
        return {};
    }
    return QUrl(QStringLiteral("http://") + FromGbk(gbkDomain), QUrl::StrictMode);
}
