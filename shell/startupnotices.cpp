// SPDX-License-Identifier: MIT
#include "shell/startupnotices.h"

#include "core/usernotice.h"
#include "engine/net/connectto.h"
#include "platform/gbkqt.h"
#include "platform/mainwindow.h"
#include "shell/mainframe.h"

#include <QCoreApplication>
#include <QFile>
#include <QPointer>
#include <QStringList>

namespace {

// Runs `show` on the user-interface thread once the event loop gets to it.
template <class Show>
void Later(Show show) {
    if (QCoreApplication* app = QCoreApplication::instance()) {
        QMetaObject::invokeMethod(app, std::move(show), Qt::QueuedConnection);
    }
}

QString Path(const std::string& path) {
    return QFile::decodeName(path.c_str());
}

} // namespace

void InstallUserNoticeHandler(CMainFrame* frame) {
    const QPointer<CMainFrame> target(frame);
    SetUserNoticeHandler([target](const UserNotice& notice) {
        Later([target, notice] {
            switch (notice.kind) {
            case UserNoticeKind::DataFolderMoved:
                InfoBox(MainWindow(),
                        QStringLiteral("域名列表和设置现保存在 %1（从 %2 复制而来）。")
                            .arg(Path(notice.path), Path(notice.detail))
                            .toStdString());
                break;
            case UserNoticeKind::SettingsNotSaved:
                if (target != nullptr) {
                    target->SetPaneText(0, QStringLiteral("无法保存设置到 %1：%2")
                                               .arg(Path(notice.path),
                                                    QString::fromLocal8Bit(notice.detail.c_str())));
                }
                break;
            }
        });
    });
}

void RemoveUserNoticeHandler() {
    SetUserNoticeHandler({});
}

void WarnAboutConnectToAtStart() {
    const ConnectToSetting setting = ReadConnectToEnvironment();
    if (setting.errors.empty()) {
        return;
    }
    QStringList lines;
    for (const std::string& error : setting.errors) {
        lines << QString::fromUtf8(error.c_str());
    }
    const QString text = QStringLiteral("环境变量 ZENTRIX_CONNECT_TO 中有无效条目，已忽略：\n") +
                         lines.join(QLatin1Char('\n'));
    Later([text] { InfoBox(MainWindow(), text.toStdString()); });
}
