// SPDX-License-Identifier: MIT
// The whole program against the scripted WHOIS server on 127.0.0.1: import a
// list of names for several registries, run the batch, sort and filter the
// list, open a row's details, export, delete two rows, export again and
// compare the CSV bytes; then close the window in the middle of a second
// batch.

#include "apptest.h"
#include "core/ccore.h"
#include "scripteddialogs.h"
#include "tests/support/fakewhoisserver.h"
#include "tests/support/offlineregistry.h"

#include "engine/answertext.h"
#include "engine/whois/ianawhois.h"
#include "listwin/dataexport.h"
#include "listwin/rowdetailsdlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <gtest/gtest.h>

namespace {

std::string Fixture(const char* name) {
    return ReadBytes(std::string(ZENTRIX_UI_DATA_DIR) + "/" + name);
}

// The GBK bytes of a UTF-8 text.
std::string Gbk(std::string text) {
    CCore::UTF8_ANSI(text);
    return text;
}

class EndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        server.SetScript("maple-harbor.com",
                         FakeWhoisScript::Answer(Fixture("comnet-registered.txt")));
        server.SetScript("quiet-meadow.com",
                         FakeWhoisScript::Answer(Fixture("comnet-notregistered.txt")));
        server.SetScript("lanting-demo.cn", FakeWhoisScript::Answer(Fixture("cn-registered.txt")));
        server.SetScript("silent-brook.org", FakeWhoisScript::Answer(Fixture("org-notfound.txt")));
        server.SetScript("closed-door.biz", FakeWhoisScript::CloseAtOnce());
        // The .com answer names its registrar's server: the referral goes
        // to the fake server too, which answers it with the same text.
        std::vector<std::string> hosts = FakeWhoisServer::AllEndpoints();
        hosts.emplace_back("whois.harbor-names.example");
        // A suffix outside the table is looked up at IANA, here the fake
        // server, which names no port-43 server for .zz.
        server.SetScript("zz", FakeWhoisScript::Answer(IanaAnswer("ZZ", "", "")));
        hosts.emplace_back(ServerIana);
        qputenv("ZENTRIX_CONNECT_TO", QByteArray::fromStdString(server.ConnectToFor(hosts)));
    }
    void TearDown() override { qunsetenv("ZENTRIX_CONNECT_TO"); }

    static void ClickHeader(CMakeHtmlView& view, int column) {
        QHeaderView* header = view.horizontalHeader();
        QTest::mouseClick(
            header->viewport(), Qt::LeftButton, {},
            QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
        DrainPostedMessages();
    }

    TempHome home;
    ScriptedDialogs dialogs;
    FakeWhoisServer server;
};

TEST_F(EndToEndTest, ImportQueryExportThenCloseDuringABatch) {
    auto run = std::make_unique<RunningApp>();
    ASSERT_TRUE(run->Start());
    EXPECT_EQ(run->Pane(2), QStringLiteral("域名数量：0"));

    ASSERT_TRUE(run->ImportFile(dialogs, std::string(ZENTRIX_UI_DATA_DIR) + "/import-list.txt", 6));
    EXPECT_EQ(ReadBytes(home.file("_items.txt")), Fixture("import-list.txt"));

    run->Click(1003);
    ASSERT_TRUE(WaitUntil([&] { return run->Pane(0) == QStringLiteral("操作结束！"); },
                          std::chrono::seconds(60)));
    EXPECT_EQ(run->Pane(1), QStringLiteral("进度：6 / 6"));
    EXPECT_TRUE(WaitUntil([&] { return run->Button(1003)->isEnabled(); }));
    EXPECT_EQ(SavedInt("lastindex"), 6); // every row finished

    // Sorted by expiry date: the dated rows first, soonest on top; the
    // others keep the table's order.
    ClickHeader(*run->view, ListColumn::Expiry);
    EXPECT_EQ(run->ShownDomains(),
              (QStringList{"maple-harbor.com", "lanting-demo.cn", "quiet-meadow.com",
                           "silent-brook.org", "sample.zz", "closed-door.biz"}));

    // Wide enough for the picture to show every result column, with red
    // display on over 600 days so the days left show their colours (the
    // .com expiry within the days, the .cn one within twice them).
    run->frame->showNormal();
    run->frame->resize(1920, 520);
    auto* days = run->panel->findChild<QLineEdit*>(QStringLiteral("1015"));
    auto* red = run->panel->findChild<QCheckBox*>(QStringLiteral("1028"));
    ASSERT_NE(days, nullptr);
    ASSERT_NE(red, nullptr);
    days->setText(QStringLiteral("600"));
    QTest::mouseClick(red, Qt::LeftButton);
    DrainPostedMessages();
    const QHeaderView* header = run->view->horizontalHeader();
    EXPECT_EQ(header->visualIndex(ListColumn::DaysLeft),
              header->visualIndex(ListColumn::Expiry) + 1);
    EXPECT_FALSE(run->view->model()->index(0, ListColumn::DaysLeft).data().toString().isEmpty());
    QDir().mkpath(QStringLiteral(ZENTRIX_SCREENSHOT_DIR));
    run->frame->grab().save(QStringLiteral(ZENTRIX_SCREENSHOT_DIR "/mainwindow.png"));
    QTest::mouseClick(red, Qt::LeftButton);

    // The filter above the list: a text, then an outcome.
    auto* filterText = run->frame->findChild<QLineEdit*>(QStringLiteral("filterText"));
    auto* filterStatus = run->frame->findChild<QComboBox*>(QStringLiteral("statusFilter"));
    ASSERT_NE(filterText, nullptr);
    ASSERT_NE(filterStatus, nullptr);
    QTest::keyClicks(filterText, QStringLiteral("DEMO"));
    EXPECT_EQ(run->ShownDomains(), QStringList{"lanting-demo.cn"});
    filterText->clear();
    filterStatus->setCurrentIndex(static_cast<int>(StatusFilter::Failed));
    EXPECT_EQ(run->ShownDomains(), (QStringList{"sample.zz", "closed-door.biz"}));
    filterStatus->setCurrentIndex(static_cast<int>(StatusFilter::All));

    // The details of a row: its fields and the registry's answer itself.
    CRowDetailsDlg* details = run->view->OpenDetails(2);
    ASSERT_NE(details, nullptr);
    EXPECT_TRUE(details->fieldsText().contains(QStringLiteral("域名：lanting-demo.cn")));
    EXPECT_TRUE(details->fieldsText().contains(QStringLiteral("过期日期：2029-04-05")));
    EXPECT_EQ(details->answerText(),
              QString::fromStdString(AnswerForDisplay(Fixture("cn-registered.txt"))));
    EXPECT_EQ(details->answerLabelText(), QStringLiteral("原始应答（whois.cnnic.cn）："));
    details->close();
    // The .com row had two answers: the registry's, then its registrar's
    // (whose values were used), each under the host that gave it.
    details = run->view->OpenDetails(0);
    ASSERT_NE(details, nullptr);
    // The text box keeps line ends as line feeds.
    const QString registryAnswer =
        QString::fromStdString(AnswerForDisplay(Fixture("comnet-registered.txt")))
            .remove(QLatin1Char('\r'));
    EXPECT_EQ(details->answerText(),
              QStringLiteral("【whois.verisign-grs.com】\n") + registryAnswer +
                  QStringLiteral("\n\n【whois.harbor-names.example】\n") + registryAnswer);
    details->close();

    const std::string csv = home.file("export.csv");
    dialogs.savePaths = {csv};
    run->Click(1005);
    EXPECT_EQ(dialogs.infos.back(), "共导出了 6 条有效记录！");
    // Values are stored clean: dates as YYYY-MM-DD, no padding or line
    // marks; the .com registry names the registrar, not the owner. The row
    // without a server was asked nothing; the server that closed at once
    // gave an empty answer (status Error, empty text).
    const std::string expected =
        "\"whois.verisign-grs.com\",\"maple-harbor.com\",\"" + Gbk("成功") +
        "\",\"2028-07-08\",\"2008-07-08\",\"\",\"\",\"\",\"Harbor Names LLC\"\r\n"
        "\"whois.verisign-grs.com\",\"quiet-meadow.com\",\"" +
        Gbk("域名未注册") +
        "\",\"\",\"\",\"\",\"\",\"\",\"\"\r\n"
        "\"whois.cnnic.cn\",\"lanting-demo.cn\",\"" +
        Gbk("成功") + "\",\"2029-04-05\",\"2011-04-05\",\"" + Gbk("兰亭示例科技有限公司") +
        "\",\"admin@lanting-demo.cn\",\"\",\"" + Gbk("示例网络注册服务有限公司") +
        "\"\r\n"
        "\"whois.pir.org\",\"silent-brook.org\",\"" +
        Gbk("域名未注册") +
        "\",\"\",\"\",\"\",\"\",\"\",\"\"\r\n"
        "\"\",\"sample.zz\",\"" +
        Gbk("无whois服务器") +
        "\",\"\",\"\",\"\",\"\",\"\",\"\"\r\n"
        "\"whois.nic.biz\",\"closed-door.biz\",\"\",\"\",\"\",\"\",\"\",\"\",\"\"\r\n";
    EXPECT_EQ(ReadBytes(csv), expected);

    // The spreadsheet's file: a header of the list's titles, its columns as
    // shown (the phone hidden), a failed row saying why.
    run->view->setColumnHidden(ListColumn::Phone, true);
    const std::string utf8 = home.file("export-utf8.csv");
    dialogs.savePaths = {utf8};
    dialogs.saveTypes = {1};
    run->Click(1005);
    run->view->setColumnHidden(ListColumn::Phone, false);
    std::vector<std::string> lines;
    const std::string utf8Bytes = ReadBytes(utf8);
    for (std::size_t from = 3; from < utf8Bytes.size();) {
        const std::size_t end = utf8Bytes.find("\r\n", from);
        lines.push_back(utf8Bytes.substr(from, end - from));
        from = end + 2;
    }
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(utf8Bytes.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_EQ(lines[0],
              "\"域名\",\"whois服务器\",\"当前状态\",\"过期日期\",\"剩余天数\",\"注册日期\","
              "\"所有人\",\"联系Email\",\"注册商\",\"whois更新日期\",\"变化\"");
    const auto daysLeft = QString::number(QDate::currentDate().daysTo(QDate(2028, 7, 8)));
    EXPECT_EQ(lines[1],
              "\"maple-harbor.com\",\"whois.verisign-grs.com\",\"成功\",\"2028-07-08\",\"" +
                  daysLeft.toStdString() +
                  "\",\"2008-07-08\",\"\",\"\",\"Harbor Names LLC\",\"2024-02-03\",\"\"");
    EXPECT_EQ(lines[6].rfind("\"closed-door.biz\",\"whois.nic.biz\",\"失败：", 0), 0u) << lines[6];

    // What the list shows for the same rows.
    CListCtrlModel* list = run->view->listModel();
    EXPECT_EQ(list->GetItemText(2, 5), QStringLiteral("兰亭示例科技有限公司"));
    EXPECT_EQ(list->GetItemText(4, 2), QStringLiteral("无whois服务器"));
    EXPECT_EQ(list->GetItemText(5, 2), QStringLiteral("ERR!"));

    // Delete the two rows that are not registered: the others keep their
    // results, and the next export has them.
    list->SetCheck(1, true);
    list->SetCheck(3, true);
    run->Click(1006);
    DrainPostedMessages();
    EXPECT_EQ(run->Pane(2), QStringLiteral("域名数量：4"));
    EXPECT_EQ(ReadBytes(home.file("_items.txt")),
              "maple-harbor.com\r\nlanting-demo.cn\r\nsample.zz\r\nclosed-door.biz\r\n");
    const std::string kept = home.file("kept.csv");
    dialogs.savePaths = {kept};
    run->Click(1005);
    EXPECT_EQ(dialogs.infos.back(), "共导出了 4 条有效记录！");
    std::string expectedKept;
    for (const std::size_t line : {0, 2, 4, 5}) {
        std::size_t from = 0;
        for (std::size_t i = 0; i < line; ++i) {
            from = expected.find("\r\n", from) + 2;
        }
        expectedKept += expected.substr(from, expected.find("\r\n", from) + 2 - from);
    }
    EXPECT_EQ(ReadBytes(kept), expectedKept);

    // The resume point moved up with the rows before it: still past the
    // last row, so a new batch starts at the first without asking.
    EXPECT_EQ(SavedInt("lastindex"), 4);

    // Second batch: every row answers but the .cn one, which never does; the
    // user closes the window while the worker waits on it.
    server.SetScript("lanting-demo.cn", FakeWhoisScript::Stall());
    const std::size_t before = server.ConnectionCount();
    run->Click(1003);
    EXPECT_TRUE(dialogs.questions.empty());
    // The .com row asks its registry and the referral; the .cn and .biz rows
    // their registries; the row without a server nobody.
    ASSERT_TRUE(WaitUntil([&] { return server.ConnectionCount() >= before + 4; }));
    ASSERT_TRUE(WaitUntil([&] { return run->view->shownRowCount() >= 3; }));

    const auto closing = std::chrono::steady_clock::now();
    dialogs.confirmAnswers = {CCore::IDYES}; // quitting during a batch asks first
    run->frame->close();
    ASSERT_TRUE(WaitUntil([&] { return run->app.mainFrame() == nullptr; }));
    const auto took = std::chrono::steady_clock::now() - closing;
    RecordProperty(
        "close_ms",
        static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(took).count()));
    EXPECT_LT(took,
              std::chrono::milliseconds(2000)); // about a second, with room for a busy machine
    EXPECT_EQ(SavedInt("lastindex"), 1);        // the first row not finished
    EXPECT_FALSE(TheDomainTable().IsAllocated());
    run.reset();
}

// A day's second round: more names appended to a list with results, the
// failed row asked again alone, and a batch stopped while one registry
// stalls and later rows finish, resumed with just the row left.
TEST_F(EndToEndTest, AppendRequeryFailedAndResumeAfterAnOutOfOrderStop) {
    const DomainTable& table = TheDomainTable();
    auto run = std::make_unique<RunningApp>();
    ASSERT_TRUE(run->Start());
    ASSERT_TRUE(run->ImportNames(dialogs, home.file("first.txt"),
                                 {"maple-harbor.com", "lanting-demo.cn", "closed-door.biz"}));
    run->Click(1003);
    ASSERT_TRUE(run->WaitForBatchEnd());
    ASSERT_EQ(table.Row(2).status, Error);

    // Appended: the names the list lacks go to its end; the rows there keep
    // their results.
    const std::string second = home.file("second.txt");
    WriteBytes(second, "silent-brook.org\r\nMAPLE-HARBOR.com\r\nquiet-meadow.com\r\n");
    dialogs.choiceAnswers = {1};
    ASSERT_TRUE(run->ImportFile(dialogs, second, 5));
    EXPECT_EQ(dialogs.infos.back(), "导入完成：新增 2 个域名。\n去掉了 1 个重复的域名。");
    EXPECT_EQ(ReadBytes(home.file("_items.txt")),
              "maple-harbor.com\r\nlanting-demo.cn\r\nclosed-door.biz\r\n"
              "silent-brook.org\r\nquiet-meadow.com\r\n");
    CListCtrlModel* list = run->view->listModel();
    EXPECT_EQ(list->GetItemText(0, ListColumn::Registrar), QStringLiteral("Harbor Names LLC"));
    EXPECT_EQ(list->GetItemText(2, ListColumn::Status), QStringLiteral("ERR!"));
    EXPECT_EQ(list->GetItemText(3, ListColumn::Status), QString());

    // The failed row alone, now that its registry answers.
    server.SetScript("closed-door.biz", FakeWhoisScript::Answer(Fixture("org-notfound.txt")));
    std::size_t before = server.ConnectionCount();
    ASSERT_TRUE(run->view->QueryRows(CMakeHtmlView::RowChoice::Failed));
    ASSERT_TRUE(run->WaitForBatchEnd());
    EXPECT_EQ(server.ConnectionCount(), before + 1);
    EXPECT_NE(table.Row(2).status, Error);
    EXPECT_EQ(list->GetItemText(3, ListColumn::Status), QString()) << "not asked";
    EXPECT_EQ(list->GetItemText(0, ListColumn::Registrar), QStringLiteral("Harbor Names LLC"));

    // A full batch while the .cn registry stalls: the rows after it finish,
    // then the user stops.
    server.SetScript("lanting-demo.cn", FakeWhoisScript::Stall());
    // The two new rows were left: start over.
    ASSERT_EQ(run->StartAnswering(dialogs, CCore::IDNO), ResumeQuestion(2));
    DrainPostedMessages();
    ASSERT_TRUE(WaitUntil([&] { return run->view->shownRowCount() >= 4; }));
    run->Click(1003);
    ASSERT_TRUE(run->WaitForBatchEnd());
    EXPECT_EQ(SavedInt("lastindex"), 1);

    // The resume asks only the stalled row.
    server.SetScript("lanting-demo.cn", FakeWhoisScript::Answer(Fixture("cn-registered.txt")));
    before = server.ConnectionCount();
    ASSERT_EQ(run->StartAnswering(dialogs, CCore::IDYES), ResumeQuestion(1));
    ASSERT_TRUE(run->WaitForBatchEnd());
    EXPECT_EQ(server.ConnectionCount(), before + 1);
    EXPECT_EQ(list->GetItemText(1, ListColumn::Owner), QStringLiteral("兰亭示例科技有限公司"));
    EXPECT_EQ(SavedInt("lastindex"), 5);
    EXPECT_EQ(run->Pane(1), QStringLiteral("进度：5 / 5"));
}

// Values longer than the row's fields, or in a script GBK lacks, reach the
// list, the details window and the UTF-8 export whole; only the GBK export
// holds "?" for them, and its message counts them.
TEST_F(EndToEndTest, ValuesStayWholeOutsideTheGbkExport) {
    const std::string thai = "บริษัท ลานนา จำกัด"; // 16 characters GBK lacks
    const std::string email64 = std::string(53, 'a') + "@lanna.test";
    const std::string email200 = std::string(189, 'b') + "@lanna.test";
    const auto answer = [](const std::string& name, const std::string& owner,
                           const std::string& email) {
        return "Domain Name: " + name + "\r\nDomain Status: ok\r\nRegistrant: " + owner +
               "\r\nRegistrant Contact Email: " + email +
               "\r\nSponsoring Registrar: Lanna Names\r\n"
               "Registration Time: 2012-03-04 05:06:07\r\n"
               "Expiration Time: 2030-03-04 05:06:07\r\n";
    };
    server.SetScript("lanna-one.cn",
                     FakeWhoisScript::Answer(answer("lanna-one.cn", thai, email64)));
    server.SetScript("lanna-two.cn",
                     FakeWhoisScript::Answer(answer("lanna-two.cn", "Ann Lee", email200)));

    auto run = std::make_unique<RunningApp>();
    ASSERT_TRUE(run->Start());
    ASSERT_TRUE(
        run->ImportNames(dialogs, home.file("lanna.txt"), {"lanna-one.cn", "lanna-two.cn"}));
    run->Click(1003);
    ASSERT_TRUE(WaitUntil([&] { return run->Pane(0) == QStringLiteral("操作结束！"); },
                          std::chrono::seconds(60)));
    DrainPostedMessages();

    CListCtrlModel* model = run->view->listModel();
    EXPECT_EQ(model->GetItemText(0, ListColumn::Owner), QString::fromStdString(thai));
    EXPECT_EQ(model->GetItemText(0, ListColumn::Email), QString::fromStdString(email64));
    EXPECT_EQ(model->GetItemText(1, ListColumn::Email), QString::fromStdString(email200));
    CRowDetailsDlg* details = run->view->OpenDetails(1);
    ASSERT_NE(details, nullptr);
    EXPECT_TRUE(details->fieldsText().contains(QString::fromStdString("联系Email：" + email200)));
    details->close();
    details = run->view->OpenDetails(0);
    ASSERT_NE(details, nullptr);
    EXPECT_TRUE(details->fieldsText().contains(QString::fromStdString("所有人：" + thai)));
    details->close();
    // Ctrl+C copies the cells as shown.
    run->view->selectionModel()->select(run->view->model()->index(1, 0),
                                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
    EXPECT_TRUE(run->view->SelectedRowsText().contains(QString::fromStdString(email200)));

    const std::string utf8 = home.file("excel.csv");
    dialogs.savePaths = {utf8};
    dialogs.saveTypes = {kExportUtf8};
    run->Click(1005);
    EXPECT_EQ(dialogs.infos.back(), "共导出了 2 条有效记录！");
    // The spreadsheet's file has the list's columns, whole.
    const std::string days = std::to_string(QDate::currentDate().daysTo(QDate(2030, 3, 4)));
    const std::string header = "\"域名\",\"whois服务器\",\"当前状态\",\"过期日期\",\"剩余天数\","
                               "\"注册日期\",\"所有人\",\"联系Email\",\"电话\",\"注册商\","
                               "\"whois更新日期\",\"变化\"\r\n";
    const std::string dates = "\"2030-03-04\",\"" + days + "\",\"2012-03-04\",";
    EXPECT_EQ(ReadBytes(utf8),
              "\xEF\xBB\xBF" + header + "\"lanna-one.cn\",\"whois.cnnic.cn\",\"成功\"," + dates +
                  "\"" + thai + "\",\"" + email64 +
                  "\",\"\",\"Lanna Names\",\"N/A\",\"\"\r\n"
                  "\"lanna-two.cn\",\"whois.cnnic.cn\",\"成功\"," +
                  dates + "\"Ann Lee\",\"" + email200 + "\",\"\",\"Lanna Names\",\"N/A\",\"\"\r\n");

    const std::string rest = "\"2030-03-04\",\"2012-03-04\",";
    const std::string gbk = home.file("gbk.csv");
    dialogs.savePaths = {gbk};
    dialogs.saveTypes = {kExportGbk};
    run->Click(1005);
    EXPECT_EQ(dialogs.infos.back(), "共导出了 2 条有效记录！\n16 个字符无法用 GBK 表示");
    EXPECT_EQ(ReadBytes(gbk), "\"whois.cnnic.cn\",\"lanna-one.cn\",\"" + Gbk("成功") + "\"," +
                                  rest + "\"?????? ????? ?????\",\"" + email64 +
                                  "\",\"\",\"Lanna Names\"\r\n"
                                  "\"whois.cnnic.cn\",\"lanna-two.cn\",\"" +
                                  Gbk("成功") + "\"," + rest + "\"Ann Lee\",\"" + email200 +
                                  "\",\"\",\"Lanna Names\"\r\n");
}

} // namespace
