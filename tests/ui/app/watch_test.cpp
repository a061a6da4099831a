// SPDX-License-Identifier: MIT
// The watch on the working list, in the whole program against the scripted
// WHOIS server: a check starts when due on a clock the test moves, never
// during the user's batch, and at start when overdue; its alert reaches a
// fake notification service on a private session bus, and a click on the
// notification filters the list; without a service the status bar and the
// next start carry it; the expiry chart's bars, their clicks and the PNG
// export; the settings dialog and closing into the tray.

#include "core/ccore.h"
#include "fakeserverapptest.h"
#include "listwin/listfilterbar.h"
#include "listwin/listsortfilter.h"
#include "scripteddialogs.h"
#include "tests/support/fakewhoisserver.h"
#include "watch/desktopnotifier.h"
#include "watch/expirychartdlg.h"
#include "watch/watchcontroller.h"
#include "watch/watchdlg.h"

#include <QAction>
#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedBarSeries>
#include <QStandardPaths>
#include <QTimer>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

constexpr std::int64_t kDay = 86400;

// A .cn registry's answer in its own words.
std::string CnAnswer(const std::string& name, const std::string& expiry) {
    return "Domain Name: " + name +
           "\r\nDomain Status: ok\r\nRegistrant: Watch Test Co\r\n"
           "Sponsoring Registrar: Registrar One\r\n"
           "Registration Time: 2011-04-05 09:10:11\r\nExpiration Time: " +
           expiry + " 09:10:11\r\n";
}
const std::string kCnAbsent = "No matching record.\r\n";

// Noon of a day, local time, as Unix seconds: the watch's clock in a test.
std::int64_t Noon(int year, int month, int day) {
    return QDateTime(QDate(year, month, day), QTime(12, 0)).toSecsSinceEpoch();
}

// A bus daemon of the test's own, the session bus while it lives.
class PrivateSessionBus {
public:
    PrivateSessionBus() : m_previous(qgetenv("DBUS_SESSION_BUS_ADDRESS")) {}
    ~PrivateSessionBus() {
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_previous);
        if (m_daemon.state() != QProcess::NotRunning) {
            m_daemon.terminate();
            if (!m_daemon.waitForFinished(5000)) {
                m_daemon.kill();
                m_daemon.waitForFinished(5000);
            }
        }
    }
    // False with the reason when no daemon could be started.
    bool Start(std::string& why) {
        const QString exe = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (exe.isEmpty()) {
            why = "dbus-daemon is not installed (Debian package dbus-daemon)";
            return false;
        }
        m_daemon.start(exe, {QStringLiteral("--session"), QStringLiteral("--print-address"),
                             QStringLiteral("--nofork")});
        // Its first line is the address; waiting for output has a deadline.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!m_daemon.canReadLine()) {
            if (std::chrono::steady_clock::now() >= deadline || !m_daemon.waitForReadyRead(1000)) {
                if (m_daemon.state() == QProcess::NotRunning ||
                    std::chrono::steady_clock::now() >= deadline) {
                    why = "dbus-daemon did not start: " +
                          m_daemon.readAllStandardError().toStdString();
                    return false;
                }
            }
        }
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_address.toUtf8());
        return true;
    }
    // A connection of its own to the bus, named `name`.
    [[nodiscard]] QDBusConnection Connect(const QString& name) const {
        return QDBusConnection::connectToBus(m_address, name);
    }

private:
    QByteArray m_previous;
    QProcess m_daemon;
    QString m_address;
};

// The desktop's notification service as far as the program uses it.
class FakeNotifications final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Received {
        QString app;
        QString summary;
        QString body;
        QStringList actions;
    };
    std::vector<Received> received;

public slots:
    uint Notify(const QString& app, uint, const QString&, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap&, int) {
        received.push_back({app, summary, body, actions});
        return static_cast<uint>(received.size()) + 40;
    }
    QStringList GetCapabilities() { return {QStringLiteral("actions"), QStringLiteral("body")}; }
};

// What the desktop would show of a received notification, for the README.
void SaveNotificationPicture(const FakeNotifications::Received& note, const QString& path) {
    QFrame frame;
    frame.setStyleSheet(QStringLiteral("QFrame { background: #2b2b2b; border-radius: 8px; } "
                                       "QLabel { color: #f0f0f0; } QPushButton { padding: 4px; }"));
    auto* layout = new QVBoxLayout(&frame);
    auto* app = new QLabel(note.app, &frame);
    app->setStyleSheet(QStringLiteral("color: #a0a0a0"));
    auto* summary =
        new QLabel(QStringLiteral("<b>%1</b>").arg(note.summary.toHtmlEscaped()), &frame);
    auto* body = new QLabel(note.body, &frame);
    layout->addWidget(app);
    layout->addWidget(summary);
    layout->addWidget(body);
    if (note.actions.size() >= 2) {
        layout->addWidget(new QPushButton(note.actions[1], &frame));
    }
    frame.resize(frame.sizeHint().expandedTo(QSize(420, 0)));
    QDir().mkpath(QFileInfo(path).absolutePath());
    frame.grab().save(path, "PNG");
}

class WatchTest : public FakeServerAppTest {
protected:
    void TearDown() override {
        FakeServerAppTest::TearDown();
        QGuiApplication::setQuitOnLastWindowClosed(true);
    }

    void Start() {
        FakeServerAppTest::Start();
        ASSERT_FALSE(HasFatalFailure());
        watch = run->frame->watch();
        ASSERT_NE(watch, nullptr);
        QObject::connect(watch, &CWatchController::checkEnded, watch,
                         [this](const QString& summary) { ended.push_back(summary); });
    }
    void Import(const std::vector<std::pair<std::string, std::string>>& names) {
        std::vector<std::string> domains;
        for (const auto& [name, expiry] : names) {
            domains.push_back(name);
            server.SetScript(
                name, FakeWhoisScript::Answer(expiry.empty() ? kCnAbsent : CnAnswer(name, expiry)));
        }
        ASSERT_TRUE(run->ImportNames(dialogs, home.file("import.txt"), domains));
    }
    void RunUserBatch() {
        run->frame->SetPaneText(0, QString());
        run->Click(1003);
        ASSERT_TRUE(WaitUntil([&] { return run->Pane(0) == QStringLiteral("操作结束！"); },
                              std::chrono::seconds(60)));
        ASSERT_TRUE(WaitUntil([&] { return run->Button(1003)->isEnabled(); }));
    }
    // Moves the watch's clock to `when` and turns the watch on, last checked at `last`.
    void Watch(std::int64_t when, std::int64_t last, int everyDays = 7, int alertDays = 30) {
        now = when;
        watch->SetClock([this] { return now; });
        watch->ApplySettings(WatchSettings{true, everyDays, alertDays, last});
    }
    void WaitForCheckEnd(std::size_t checks = 1) {
        ASSERT_TRUE(WaitUntil([&] { return ended.size() >= checks; }, std::chrono::seconds(60)));
        DrainPostedMessages();
    }
    [[nodiscard]] QComboBox* FilterChoice() const {
        return run->frame->findChild<QComboBox*>(QStringLiteral("statusFilter"));
    }
    static std::string Saved(const std::string& key) {
        CCore core; // shares the program's settings store
        core.autoFileConfig();
        return core.getConfigStr(key);
    }

    CWatchController* watch = nullptr;
    std::int64_t now = 0;
    std::vector<QString> ended;
};

TEST_F(WatchTest, ACheckStartsWhenDueAndNeverDuringTheUsersBatch) {
    Start();
    Import({{"first.cn", "2031-01-01"}, {"second.cn", "2031-02-01"}});
    const std::int64_t monday = Noon(2030, 6, 3);
    Watch(monday, monday, 1);
    EXPECT_FALSE(watch->Poll());

    // The user's batch, held up by a registry that does not answer.
    server.SetScript("second.cn", FakeWhoisScript::Stall());
    run->Click(1003);
    ASSERT_TRUE(WaitUntil([&] { return run->view->IsQueryRunning(); }));
    now = monday + kDay; // due now
    EXPECT_FALSE(watch->Poll());
    EXPECT_FALSE(watch->isCheckRunning());
    EXPECT_TRUE(watch->TrayToolTip().contains(QStringLiteral("列表就绪后立即进行")));

    run->Click(1003); // stop
    ASSERT_TRUE(WaitUntil([&] { return run->Pane(0) == QStringLiteral("操作结束！"); },
                          std::chrono::seconds(30)));
    const std::size_t asked = server.ConnectionCount();
    server.SetScript("second.cn", FakeWhoisScript::Answer(CnAnswer("second.cn", "2031-02-01")));
    run->frame->SetPaneText(0, QString());
    ASSERT_TRUE(watch->Poll());
    EXPECT_TRUE(watch->isCheckRunning());
    DrainPostedMessages();
    // A normal batch: the panel's button stops it, the progress bar shows it.
    EXPECT_EQ(run->Button(1003)->text(), QStringLiteral("停止查询"));
    EXPECT_TRUE(run->frame->progressBar()->isVisibleTo(run->frame));
    WaitForCheckEnd();
    EXPECT_EQ(server.ConnectionCount(), asked + 2); // every name again, from the first
    EXPECT_EQ(run->Button(1003)->text(), QStringLiteral("开始查询"));
    EXPECT_EQ(ended.back(), QString()); // nothing within 30 days, nothing changed

    EXPECT_EQ(Saved("watchlast"), std::to_string(monday + kDay));
    EXPECT_EQ(watch->schedule().NextCheckAt(), monday + 2 * kDay);
    EXPECT_FALSE(watch->Poll());
    now = monday + 2 * kDay;
    EXPECT_TRUE(watch->Poll());
    WaitForCheckEnd(2);
}

TEST_F(WatchTest, ACheckOverdueAtStartStartsOnItsOwn) {
    server.SetScript("late.cn", FakeWhoisScript::Answer(CnAnswer("late.cn", "2031-01-01")));
    WriteBytes(home.file("_items.txt"), "late.cn\r\n");
    const std::int64_t tenDaysAgo = QDateTime::currentSecsSinceEpoch() - 10 * kDay;
    WriteBytes(home.file("zentrix.ini"),
               "watch=1\nwatchdays=7\nwatchlast=" + std::to_string(tenDaysAgo) + "\n");
    Start();
    EXPECT_TRUE(watch->settings().enabled);
    // No call from the test: the program's own timer finds it due.
    WaitForCheckEnd();
    EXPECT_TRUE(server.WaitForFinishedConnections(1, std::chrono::seconds(5)));
    EXPECT_GT(watch->schedule().lastCheck(), tenDaysAgo + 9 * kDay);
    EXPECT_EQ(run->view->listModel()->GetItem(0).status, Found);
}

TEST_F(WatchTest, TheAlertReachesTheNotificationServiceAndItsClickFiltersTheList) {
    PrivateSessionBus bus;
    std::string why;
    if (!bus.Start(why)) {
        GTEST_SKIP() << "no private session bus: " << why;
    }
    FakeNotifications service;
    QDBusConnection serviceBus = bus.Connect(QStringLiteral("fake-notifications"));
    ASSERT_TRUE(serviceBus.isConnected());
    ASSERT_TRUE(serviceBus.registerObject(QString::fromLatin1(CDesktopNotifier::kPath), &service,
                                          QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(serviceBus.registerService(QString::fromLatin1(CDesktopNotifier::kService)));

    Start();
    Import({{"soon1.cn", "2030-06-05"},
            {"far.cn", "2031-06-01"},
            {"soon2.cn", "2030-06-20"},
            {"dropping.cn", "2031-01-01"},
            {"soon3.cn", "2030-07-01"}}); // today + 30: still inside
    RunUserBatch();
    watch->SetNotifier(new CDesktopNotifier(bus.Connect(QStringLiteral("zentrix-watch"))));
    Watch(Noon(2030, 6, 1), Noon(2030, 6, 1) - 8 * kDay);
    server.SetScript("dropping.cn", FakeWhoisScript::Answer(kCnAbsent));

    ASSERT_TRUE(watch->Poll());
    WaitForCheckEnd();
    ASSERT_TRUE(WaitUntil([&] { return !service.received.empty(); }));
    ASSERT_EQ(service.received.size(), 1u);
    const FakeNotifications::Received& note = service.received.front();
    EXPECT_EQ(note.summary, QStringLiteral("3 个域名将在 30 天内到期，1 个域名已释放"));
    EXPECT_EQ(note.app, QStringLiteral("zentrix"));
    EXPECT_TRUE(note.body.startsWith(QStringLiteral("soon1.cn：将在 30 天内到期\n")));
    EXPECT_TRUE(note.body.contains(QStringLiteral("dropping.cn：已释放")));
    EXPECT_TRUE(note.actions.contains(QStringLiteral("default")));
    EXPECT_EQ(watch->alertPane()->text(),
              QStringLiteral("监视提醒：3 个域名将在 30 天内到期，1 个域名已释放"));
    EXPECT_EQ(Saved("watchalert"), ""); // told: nothing waits for the next start
    SaveNotificationPicture(note, QStringLiteral(ZENTRIX_SCREENSHOT_DIR "/watch-notification.png"));

    // The user clicks the notification: the service says so on the bus.
    run->frame->showMinimized();
    QDBusMessage click = QDBusMessage::createSignal(QString::fromLatin1(CDesktopNotifier::kPath),
                                                    QString::fromLatin1(CDesktopNotifier::kService),
                                                    QStringLiteral("ActionInvoked"));
    click << uint(41) << QStringLiteral("default");
    ASSERT_TRUE(serviceBus.send(click));
    ASSERT_TRUE(WaitUntil([&] { return run->ShownDomains().size() == 4; }));
    EXPECT_EQ(run->ShownDomains(),
              (QStringList{"soon1.cn", "soon2.cn", "dropping.cn", "soon3.cn"}));
    EXPECT_EQ(FilterChoice()->currentText(), QStringLiteral("监视提醒（4）"));
    EXPECT_FALSE(run->frame->isMinimized());
}

TEST_F(WatchTest, WithoutANotificationServiceTheStatusBarAndTheNextStartTellIt) {
    Start();
    Import({{"soon.cn", "2030-06-10"}, {"far.cn", "2031-06-01"}});
    // A bus nobody listens on: the call fails as it does on a desktop without one.
    watch->SetNotifier(new CDesktopNotifier(QDBusConnection::connectToBus(
        QStringLiteral("unix:path=") + QString::fromStdString(home.file("no-bus")),
        QStringLiteral("no-bus"))));
    Watch(Noon(2030, 6, 1), 0);
    // Turning a watch on starts its period: nothing is due yet.
    EXPECT_FALSE(watch->Poll());
    now += 7 * kDay;
    ASSERT_TRUE(watch->Poll());
    WaitForCheckEnd();
    ASSERT_TRUE(WaitUntil([&] { return !Saved("watchalert").empty(); }));
    EXPECT_EQ(ended.back(), QStringLiteral("1 个域名将在 30 天内到期"));
    EXPECT_EQ(CCore::ANSI_UTF8(Saved("watchalert")), "1 个域名将在 30 天内到期"); // GBK in the file
    EXPECT_TRUE(watch->alertPane()->isVisibleTo(run->frame));
    EXPECT_EQ(watch->alertPane()->text(),
              QStringLiteral("监视提醒：1 个域名将在 30 天内到期（未能发出桌面通知）"));

    // The next start tells it once.
    dialogs.infos.clear();
    run.reset();
    Start();
    ASSERT_TRUE(WaitUntil([&] { return !dialogs.infos.empty(); }));
    EXPECT_EQ(dialogs.infos.front(), "上次监视检查的提醒：\n1 个域名将在 30 天内到期");
    EXPECT_EQ(watch->alertPane()->text(),
              QStringLiteral("上次监视的提醒：1 个域名将在 30 天内到期"));
    EXPECT_EQ(Saved("watchalert"), "");
}

TEST_F(WatchTest, TheExpiryChartCountsMonthsMarksTheAlertMonthsAndFiltersOnAClick) {
    Start();
    Import({{"gone.cn", "2030-05-01"},
            {"june.cn", "2030-06-20"},
            {"july1.cn", "2030-07-10"},
            {"august.cn", "2030-08-15"},
            {"july2.cn", "2030-07-31"},
            {"edge.cn", "2032-06-30"},
            {"beyond.cn", "2032-07-01"},
            {"free.cn", ""}});
    RunUserBatch();
    // Today 2030-06-15; alert days 30 reach 2030-07-15.
    Watch(Noon(2030, 6, 15), Noon(2030, 6, 15), 7, 30);
    QAction* open = run->frame->findChild<QAction*>(QStringLiteral("viewExpiryChart"));
    ASSERT_NE(open, nullptr);
    open->trigger();
    CExpiryChartDlg* chart = watch->chart();
    ASSERT_NE(chart, nullptr);
    ASSERT_TRUE(chart->isVisible());

    const auto* axis =
        qobject_cast<QBarCategoryAxis*>(chart->chartView()->chart()->axes(Qt::Horizontal).value(0));
    ASSERT_NE(axis, nullptr);
    ASSERT_EQ(axis->count(), 26);
    EXPECT_EQ(axis->at(0), QStringLiteral("已过期"));
    EXPECT_EQ(axis->at(1), QStringLiteral("2030-06"));
    EXPECT_EQ(axis->at(25), QStringLiteral("2032-06"));
    // Each bar's count sits in one set: expired, inside the alert days, later.
    const auto bar = [&](QBarSet* set, int index) { return static_cast<int>(set->at(index)); };
    EXPECT_EQ(bar(chart->expiredSet(), 0), 1);
    EXPECT_EQ(bar(chart->alertSet(), 1), 1); // June
    EXPECT_EQ(bar(chart->alertSet(), 2), 2); // July: red though half of it is later
    EXPECT_EQ(bar(chart->laterSet(), 2), 0);
    EXPECT_EQ(bar(chart->laterSet(), 3), 1); // August
    EXPECT_EQ(bar(chart->alertSet(), 3), 0);
    EXPECT_EQ(bar(chart->laterSet(), 25), 1); // the last month's last day
    int total = 0;
    for (QBarSet* set : {chart->expiredSet(), chart->alertSet(), chart->laterSet()}) {
        for (int i = 0; i < set->count(); ++i) {
            total += bar(set, i);
        }
    }
    EXPECT_EQ(total, 6); // not beyond.cn (later than two years), not free.cn
    EXPECT_TRUE(chart->findChild<QLabel*>(QStringLiteral("expiryNote"))
                    ->text()
                    .contains(QStringLiteral("另有 1 个在 24 个月之后到期")));

    emit chart->series()->hovered(true, 2, chart->alertSet());
    EXPECT_EQ(chart->findChild<QLabel*>(QStringLiteral("expiryHover"))->text(),
              QStringLiteral("2030-07：2 个域名"));

    // A click on July's bar, where it is drawn.
    QChart* qchart = chart->chartView()->chart();
    const QPointF scene = qchart->mapToPosition(QPointF(2, 1), chart->series());
    const QPoint point = chart->chartView()->mapFromScene(qchart->mapToScene(scene));
    QTest::mouseClick(chart->chartView()->viewport(), Qt::LeftButton, {}, point);
    ASSERT_TRUE(WaitUntil([&] { return run->ShownDomains().size() == 2; }));
    EXPECT_EQ(run->ShownDomains(), (QStringList{"july1.cn", "july2.cn"}));
    EXPECT_EQ(FilterChoice()->currentText(), QStringLiteral("到期：2030-07（2）"));
    EXPECT_EQ(run->frame->filterBar()->status(), StatusFilter::Picked);
    // The expired bar picks the expired names.
    emit chart->series()->clicked(0, chart->expiredSet());
    EXPECT_EQ(run->ShownDomains(), QStringList{"gone.cn"});
    FilterChoice()->setCurrentIndex(static_cast<int>(StatusFilter::All));
    EXPECT_EQ(run->ShownDomains().size(), 8);

    // "导出图片": a PNG, through the file choice.
    const std::string png = home.file("chart.png");
    dialogs.savePaths = {png};
    QTest::mouseClick(chart->findChild<QPushButton*>(QStringLiteral("exportImage")),
                      Qt::LeftButton);
    const std::string bytes = ReadBytes(png);
    ASSERT_GT(bytes.size(), 8u);
    EXPECT_EQ(bytes.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    const QImage image(QString::fromStdString(png));
    EXPECT_GE(image.width(), 700);
    EXPECT_TRUE(chart->ExportPng(ZENTRIX_SCREENSHOT_DIR "/watch-chart.png"));
    // A folder that does not exist: told, nothing written.
    EXPECT_FALSE(chart->ExportPng(home.file("missing/chart.png")));
    ASSERT_FALSE(dialogs.infos.empty());
    EXPECT_NE(dialogs.infos.back().find("无法保存图片"), std::string::npos);
}

TEST_F(WatchTest, TheDialogSavesTheWatchAndClosingKeepsItInTheTray) {
    Start();
    QAction* open = run->frame->findChild<QAction*>(QStringLiteral("toolsWatch"));
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open->text(), QStringLiteral("监视(&W)..."));
    bool shown = false;
    QTimer::singleShot(0, run->frame, [&] {
        auto* dialog = qobject_cast<CWatchDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        shown = true;
        auto* every = dialog->findChild<QSpinBox*>(QStringLiteral("watchEveryDays"));
        auto* alert = dialog->findChild<QSpinBox*>(QStringLiteral("watchAlertDays"));
        EXPECT_EQ(every->value(), 7);
        EXPECT_EQ(alert->value(), 30);
        EXPECT_EQ(every->maximum(), 90);
        EXPECT_EQ(every->minimum(), 1);
        dialog->findChild<QCheckBox*>(QStringLiteral("watchEnabled"))->setChecked(true);
        every->setValue(3);
        alert->setValue(14);
        dialog->accept();
    });
    open->trigger();
    ASSERT_TRUE(shown);
    EXPECT_TRUE(SavedFlag("watch"));
    EXPECT_EQ(SavedInt("watchdays"), 3);
    EXPECT_EQ(SavedInt("watchalertdays"), 14);
    EXPECT_FALSE(Saved("watchlast").empty()); // the first period starts now
    EXPECT_TRUE(watch->TrayToolTip().contains(QStringLiteral("每 3 天检查一次\n下次检查：") +
                                              WatchTimeText(watch->schedule().NextCheckAt())));

    // Closing with a tray asks; yes hides the window and the program goes on.
    watch->SetTrayAvailable(true);
    ASSERT_NE(watch->tray(), nullptr);
    dialogs.confirmAnswers = {CCore::IDYES};
    EXPECT_FALSE(run->frame->close());
    ASSERT_EQ(dialogs.questions.size(), 1u);
    EXPECT_NE(dialogs.questions[0].find("系统托盘中继续监视"), std::string::npos);
    ASSERT_NE(run->app.mainFrame(), nullptr);
    EXPECT_TRUE(run->frame->isHidden());
    EXPECT_FALSE(QGuiApplication::quitOnLastWindowClosed());
    // No: the window closes for good.
    run->frame->show();
    dialogs.confirmAnswers = {CCore::IDNO};
    EXPECT_TRUE(run->frame->close());
    EXPECT_EQ(dialogs.questions.size(), 2u);
    ASSERT_TRUE(WaitUntil([&] { return run->app.mainFrame() == nullptr; }));
}

} // namespace

#include "watch_test.moc"
