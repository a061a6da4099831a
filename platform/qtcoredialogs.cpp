#include "platform/qtcoredialogs.h"

#include "platform/gbkqt.h"
#include "platform/mainwindow.h"

#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>
#include <QWidget>

namespace {

QWidget* ownerWidget(void* owner) {
    return owner != nullptr ? static_cast<QWidget*>(owner) : MainWindow();
}

const QString kTextFilters = QStringLiteral("文本文件 (*.txt);;所有文件 (*)");

std::string nativePath(const QString& path) {
    return path.isEmpty() ? std::string() : QFile::encodeName(path).toStdString();
}

} // namespace

void CQtCoreDialogs::msgboxInfo(void* owner, const std::string& text) {
    QMessageBox box(QMessageBox::Information, QString(), FromGbk(text), QMessageBox::Ok,
                    ownerWidget(owner));
    box.exec();
}

int CQtCoreDialogs::msgboxConfirm(void* owner, const std::string& text) {
    QMessageBox box(QMessageBox::Question, QString(), FromGbk(text),
                    QMessageBox::Yes | QMessageBox::No, ownerWidget(owner));
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes ? CCore::IDYES : CCore::IDNO;
}

std::string CQtCoreDialogs::fileTxtOpen() {
    return nativePath(
        QFileDialog::getOpenFileName(MainWindow(), QString(), QString(), kTextFilters));
}

std::string CQtCoreDialogs::fileTxtSave(const std::string& proposedName) {
    return nativePath(
        QFileDialog::getSaveFileName(MainWindow(), QString(), FromGbk(proposedName), kTextFilters));
}

void CQtCoreDialogs::openUrl(const std::string& address) {
    const QUrl url = DomainUrl(address);
    if (url.isValid()) {
        QDesktopServices::openUrl(url);
    }
}

QUrl DomainUrl(const std::string& gbkDomain) {
    if (gbkDomain.empty()) {
        return {};
    }
    return QUrl(QStringLiteral("http://") + FromGbk(gbkDomain), QUrl::StrictMode);
}
