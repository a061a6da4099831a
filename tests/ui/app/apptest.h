// SPDX-License-Identifier: MIT
#pragma once

// The real program in a test: the application object, its main frame, the
// list view and the control panel, started and waited for like a user would.

#include "listwin/listcolumns.h"
#include "listwin/makehtmlview.h"
#include "panel/controlpaneldlg.h"
#include "scripteddialogs.h"
#include "shell/mainframe.h"
#include "shell/makehtmlapp.h"
#include "sidebar/sidebarhost.h"
#include "uitest.h"

#include <QPushButton>
#include <QStatusBar>
#include <QTest>

#include <string>
#include <vector>

// The one question a start asks when the last batch left `left` rows
// unasked: whether to go on from there.
inline std::vector<std::string> ResumeQuestion(int left) {
    return {"还有 " + std::to_string(left) + " 个域名未查询，是否继续？点击否，从第一条执行。"};
}

struct RunningApp {
    CMakeHtmlApp app;
    CMainFrame* frame = nullptr;
    CMakeHtmlView* view = nullptr;
    CControlPanelDlg* panel = nullptr;

    // Starts the program and waits for its start-up load of the list file.
    bool Start() {
        if (!app.InitInstance()) {
            return false;
        }
        frame = app.mainFrame();
        view = frame->GetActiveView();
        panel = qobject_cast<CControlPanelDlg*>(frame->sideBar()->panel());
        if (panel == nullptr || !WaitUntil([&] {
                // An empty list says how to begin instead.
                return Pane(0) == QStringLiteral("完成导入域名到列表！") ||
                       Pane(0) == QStringLiteral("点击 导入域名 导入域名列表");
            })) {
            return false;
        }
        DrainPostedMessages(); // the view's reload follows the status text
        return true;
    }
    [[nodiscard]] QString Pane(int pane) const { return frame->PaneText(pane); }
    [[nodiscard]] QPushButton* Button(int id) const {
        return panel->findChild<QPushButton*>(QString::number(id));
    }
    void Click(int id) const { QTest::mouseClick(Button(id), Qt::LeftButton); }
    // The domains as the list shows them, top to bottom.
    [[nodiscard]] QStringList ShownDomains() const {
        QStringList names;
        for (int r = 0; r < view->model()->rowCount(); ++r) {
            names << view->model()->index(r, ListColumn::Domain).data().toString();
        }
        return names;
    }
    // Imports `path` through "导入域名", `dialogs` choosing it, and waits
    // until the list holds `count` names and the view has caught up.
    bool ImportFile(ScriptedDialogs& dialogs, const std::string& path, std::size_t count) {
        dialogs.openPaths = {path};
        Click(1004);
        if (!WaitUntil([&] { return Pane(2) == QStringLiteral("域名数量：%1").arg(count); })) {
            return false;
        }
        DrainPostedMessages();
        return true;
    }
    // Writes `names` to `path`, one a line, and imports them into a list
    // that held none of them.
    bool ImportNames(ScriptedDialogs& dialogs, const std::string& path,
                     const std::vector<std::string>& names) {
        std::string text;
        for (const std::string& name : names) {
            text += name + "\r\n";
        }
        WriteBytes(path, text);
        return ImportFile(dialogs, path, names.size());
    }
    // Clicks "开始查询" with `dialogs` giving `answer` to the questions it
    // asks, and returns those questions.
    std::vector<std::string> StartAnswering(ScriptedDialogs& dialogs, int answer) const {
        dialogs.questions.clear();
        dialogs.confirmAnswers = {answer};
        Click(1003);
        return dialogs.questions;
    }
    // Delivers a posted start and waits for the batch's end, as the user
    // sees it: no worker, the start button back, the end in the status line.
    bool WaitForBatchEnd() {
        DrainPostedMessages();
        return WaitUntil(
            [&] {
                return !view->IsQueryRunning() && !panel->isBatchRunning() &&
                       Pane(0) == QStringLiteral("操作结束！");
            },
            std::chrono::seconds(60));
    }
};
