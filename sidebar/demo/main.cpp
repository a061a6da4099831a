// SPDX-License-Identifier: MIT
// A frame with bars of the resizable family docked around a client list:
// drag the sizing edges, drag a bar by its gripper, double-click the gripper
// to float and re-dock it, close it with its box and bring it back from the
// View menu. With --grab FILE the frame is drawn into FILE and the program
// ends (QT_QPA_PLATFORM=offscreen works).

#include "dock/dockbar.h"
#include "dock/docksite.h"
#include "sidebar/gripperbar.h"

#include <QAction>
#include <QApplication>
#include <QCommandLineParser>
#include <QListWidget>
#include <QMainWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTimer>

namespace {

// A gripper bar whose only child fills its client area.
class CPanelBar : public CGripperBar {
public:
    CPanelBar(QString text, QWidget* parent) : CGripperBar(parent), m_text(std::move(text)) {}

protected:
    int OnCreate() override {
        if (CGripperBar::OnCreate() == -1) {
            return -1;
        }
        m_edgeFlags = (m_edgeFlags & ~BAR_EDGE_ALL) | BAR_SHOW_EDGES | BAR_FIT_CHILD;
        auto* child = new QPlainTextEdit(m_text, this);
        child->show();
        return 0;
    }

private:
    QString m_text;
};

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    QCommandLineOption grab("grab", "Draw the frame into <file> and quit.", "file");
    parser.addOption(grab);
    parser.process(app);

    QMainWindow frame;
    frame.setWindowTitle(QStringLiteral("zentrix dock demo"));
    auto* site = new CDockSite(&frame);
    auto* list = new QListWidget(site);
    for (int i = 1; i <= 40; ++i) {
        list->addItem(QStringLiteral("example-%1.com").arg(i));
    }
    site->setClientWidget(list);
    frame.setCentralWidget(site);
    frame.statusBar()->showMessage(QStringLiteral("就绪"));
    site->EnableDocking(CBRS_ALIGN_ANY);

    auto* side = new CPanelBar(QStringLiteral("侧边栏"), &frame);
    side->Create(QStringLiteral("侧边栏"), &frame, 0, WS_CHILD | WS_VISIBLE | CBRS_TOP);
    side->SetBarStyle(side->GetBarStyle() | CBRS_TOOLTIPS | CBRS_FLYBY | CBRS_SIZE_DYNAMIC);
    side->EnableDocking(CBRS_ALIGN_ANY);
    site->DockControlBar(side, AFX_IDW_DOCKBAR_LEFT);

    auto* output = new CPanelBar(QStringLiteral("output"), &frame);
    output->CreateSized(QStringLiteral("output"), &frame, QSize(400, 120), true, 1,
                        WS_CHILD | WS_VISIBLE | CBRS_BOTTOM);
    output->EnableDocking(CBRS_ALIGN_ANY);
    site->DockControlBar(output, AFX_IDW_DOCKBAR_BOTTOM);

    QMenu* view = frame.menuBar()->addMenu(QStringLiteral("查看(&V)"));
    // "侧边拦" (not "侧边栏") is the main frame's menu text, kept as it is there.
    QAction* toggle = view->addAction(QStringLiteral("侧边拦(&L)"));
    toggle->setCheckable(true);
    toggle->setChecked(true);
    QObject::connect(toggle, &QAction::triggered, site,
                     [site, side](bool on) { site->ShowControlBar(side, on, false); });
    QObject::connect(site, &CDockSite::controlBarVisibilityChanged, toggle,
                     [side, toggle](CControlBar* bar, bool visible) {
                         if (bar == side) {
                             toggle->setChecked(visible);
                         }
                     });

    frame.resize(1000, 700);
    frame.show();
    if (parser.isSet(grab)) {
        const QString file = parser.value(grab);
        QTimer::singleShot(0, &frame, [&frame, site, file] {
            site->RecalcLayout();
            QCoreApplication::exit(frame.grab().save(file) ? 0 : 1);
        });
    }
    return app.exec();
}
