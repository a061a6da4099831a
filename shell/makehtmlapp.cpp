// SPDX-License-Identifier: MIT
#include "shell/makehtmlapp.h"

#include "core/apppath.h"
#include "core/ccore.h"
#include "listwin/makehtmlview.h"
#include "platform/mainwindow.h"
#include "platform/pretranslatefilter.h"
#include "platform/qtcoredialogs.h"
#include "platform/qttranslations.h"
#include "shell/mainframe.h"
#include "shell/makehtmldoc.h"
#include "shell/startupnotices.h"

#include <QApplication>
#include <QMessageBox>
#include <QScreen>

CMakeHtmlApp::CMakeHtmlApp() = default;

CMakeHtmlApp::~CMakeHtmlApp() {
    RemoveUserNoticeHandler();
    delete m_frame.data();
    if (m_dialogs && CCore::dialogs() == m_dialogs.get()) {
        CCore::setDialogs(nullptr);
    }
}

CMainFrame* CMakeHtmlApp::mainFrame() const {
    return m_frame.data();
}

bool CMakeHtmlApp::InitInstance() {
    QCoreApplication::setApplicationName(QStringLiteral("zentrix"));
    QGuiApplication::setApplicationDisplayName(QString::fromUtf8(kProductTitle));
    if (auto* app = QCoreApplication::instance()) {
        InstallChineseTranslations(*app);
    }
    CPreTranslateFilter::Install();
    // Without a folder of the user's own there is nowhere safe to keep the
    // list and settings: say so and stop.
    if (const std::string problem = dataFolderProblem(); !problem.empty()) {
        QMessageBox::critical(nullptr, QString::fromUtf8(kProductTitle),
                              QString::fromUtf8("找不到存放数据的文件夹，程序无法启动。\n\n") +
                                  QString::fromStdString(problem));
        return false;
    }
    if (CCore::dialogs() == nullptr) {
        m_dialogs = std::make_unique<CQtCoreDialogs>();
        CCore::setDialogs(m_dialogs.get());
    }

    m_doc = std::make_unique<CMakeHtmlDoc>();
    if (!m_doc->OnNewDocument()) {
        return false;
    }
    auto created = std::make_unique<CMainFrame>();
    SetMainWindow(created.get());
    InstallUserNoticeHandler(created.get()); // before the panel opens the data folder
    WarnAboutConnectToAtStart();
    if (!created->OnCreate()) {
        SetMainWindow(nullptr);
        return false;
    }
    // From here the frame owns itself: it is deleted when it closes.
    CMainFrame* frame = created.release();
    m_frame = frame;
    frame->GetActiveView()->OnInitialUpdate();
    frame->UpdateMinimumSize();
    // Maximizing is the window manager's job; without one (a bare X server,
    // a kiosk session) the frame would open at its tiny minimum size.
    if (const QScreen* screen = frame->screen()) {
        frame->setGeometry(screen->availableGeometry());
    }
    frame->showMaximized();
    return true;
}
