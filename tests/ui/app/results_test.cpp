// SPDX-License-Identifier: MIT
// The desktop program and its results store, against the scripted WHOIS
// server on 127.0.0.1: results outlive the program, the details window
// tells when a row was asked and what came before, the "变化" column and its
// filter follow two batches with different answers, a corrupt store is
// told once and replaced, and an export during a batch writes whole rows.

#include "core/ccore.h"
#include "engine/answertext.h"
#include "fakeserverapptest.h"
#include "listwin/listsortfilter.h"
#include "listwin/rowdetailsdlg.h"
#include "scripteddialogs.h"
#include "tests/support/fakewhoisserver.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <cstdio>
#include <ctime>
#include <gtest/gtest.h>

namespace {

struct CnRecord {
    std::string owner;
    std::string email;
    std::string registrar;
    std::string expiry; // YYYY-MM-DD
};

// A .cn registry answer in the registry's own words.
std::string CnAnswer(const std::string& name, const CnRecord& r) {
    return "Domain Name: " + name +
           "\r\nDomain Status: ok\r\n"
           "Registrant: " +
           r.owner + "\r\nRegistrant Contact Email: " + r.email +
           "\r\nSponsoring Registrar: " + r.registrar +
           "\r\nRegistration Time: 2011-04-05 09:10:11\r\nExpiration Time: " + r.expiry +
           " 09:10:11\r\nDNSSEC: unsigned\r\n";
}

const std::string kCnAbsent = "No matching record.\r\n";

// The fields of one CSV line (quoted fields, doubled quotes inside).
std::vector<std::string> CsvFields(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t i = 0;
    while (i < line.size() && line[i] == '"') {
        std::string field;
        ++i;
        while (i < line.size()) {
            if (line[i] == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                field += '"';
                i += 2;
            } else if (line[i] == '"') {
                ++i;
                break;
            } else {
                field += line[i++];
            }
        }
        fields.push_back(field);
        if (i < line.size() && line[i] == ',') {
            ++i;
        }
    }
    return fields;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t from = 0;
    while (from < text.size()) {
        const std::size_t end = text.find("\r\n", from);
        lines.push_back(text.substr(from, end - from));
        from = end == std::string::npos ? text.size() : end + 2;
    }
    return lines;
}

class ResultsTest : public FakeServerAppTest {
protected:
    void Restart() {
        run.reset();
        Start();
    }
    void Import(const std::vector<std::string>& names) {
        ASSERT_TRUE(run->ImportNames(dialogs, home.file("import.txt"), names));
    }
    void RunBatch() {
        run->frame->SetPaneText(0, QString());
        run->Click(1003);
        ASSERT_TRUE(WaitUntil([&] { return run->Pane(0) == QStringLiteral("操作结束！"); },
                              std::chrono::seconds(60)))
            << run->Pane(0).toStdString() << " | " << run->Pane(1).toStdString() << " | "
            << dialogs.questions.size() << " " << dialogs.infos.size() << " "
            << (dialogs.infos.empty() ? "" : dialogs.infos.back());
        ASSERT_TRUE(WaitUntil([&] { return !run->panel->isBatchRunning(); }));
    }
    [[nodiscard]] QString Cell(int row, int column) const {
        return run->view->listModel()->GetItemText(row, column);
    }
    void SetFilter(StatusFilter status) {
        auto* choice = run->frame->findChild<QComboBox*>(QStringLiteral("statusFilter"));
        ASSERT_NE(choice, nullptr);
        choice->setCurrentIndex(static_cast<int>(status));
    }
};

TEST_F(ResultsTest, ResultsOutliveTheProgramWholeWithTheirTimeAndHistory) {
    // A privacy service's e-mail of 64 bytes and a Thai owner: longer than
    // the row's field, and not in GBK.
    const std::string email = "2603423f6ed44178a3b9d728827aa19a.protect@whois-guard-example.com";
    ASSERT_EQ(email.size(), 64u);
    const CnRecord thai{"บริษัท ตัวอย่าง จำกัด", email, "Registrar One", "2029-04-05"};
    server.SetScript("siam-demo.cn", FakeWhoisScript::Answer(CnAnswer("siam-demo.cn", thai)));
    server.SetScript("free-name.cn", FakeWhoisScript::Answer(kCnAbsent));

    Start();
    Import({"siam-demo.cn", "free-name.cn"});
    const auto before = std::time(nullptr);
    RunBatch();
    const auto after = std::time(nullptr);
    Restart();

    // The list shows the stored results at once, values whole.
    EXPECT_EQ(run->Pane(2), QStringLiteral("域名数量：2"));
    EXPECT_EQ(Cell(0, ListColumn::Status), QStringLiteral("成功"));
    EXPECT_EQ(Cell(0, ListColumn::Expiry), QStringLiteral("2029-04-05"));
    const CheckValues stored = TheDomainTable().details.Values(0);
    EXPECT_EQ(stored.owner, thai.owner);
    EXPECT_EQ(stored.email, email);
    EXPECT_EQ(Cell(0, ListColumn::Owner), QString::fromStdString(thai.owner));
    EXPECT_EQ(Cell(0, ListColumn::Email), QString::fromStdString(email));
    EXPECT_EQ(Cell(1, ListColumn::Status), QStringLiteral("域名未注册"));
    EXPECT_TRUE(Cell(0, ListColumn::Changes).isEmpty()); // no earlier check

    // The details: when it was asked, the answer from the store, the history.
    CRowDetailsDlg* details = run->view->OpenDetails(0);
    ASSERT_NE(details, nullptr);
    const QString fields = details->fieldsText();
    EXPECT_TRUE(fields.contains(QStringLiteral("联系Email：") + QString::fromStdString(email)))
        << fields.toStdString();
    const int at = fields.indexOf(QStringLiteral("查询时间："));
    ASSERT_GE(at, 0);
    const QString asked = fields.mid(at + 5, 19);
    EXPECT_TRUE(asked == AskedAtText(before) || asked == AskedAtText(after)) << asked.toStdString();
    // The window shows lines, without their CRs.
    EXPECT_EQ(details->answerText(),
              QString::fromStdString(AnswerForDisplay(CnAnswer("siam-demo.cn", thai)))
                  .remove(QLatin1Char('\r')));
    EXPECT_EQ(details->historyText(), asked +
                                          QStringLiteral("\t成功\t2029-04-05\tRegistrar One\t") +
                                          QString::fromStdString(thai.owner) + QLatin1Char('\n'));
    details->close();

    // Export writes what the list shows; start asks the names again.
    const std::string csv = home.file("shown.csv");
    dialogs.savePaths = {csv};
    dialogs.saveTypes = {1}; // UTF-8
    run->Click(1005);
    EXPECT_EQ(dialogs.infos.back(), "共导出了 2 条有效记录！");
    EXPECT_NE(ReadBytes(csv).find(email), std::string::npos);
    const std::size_t connections = server.ConnectionCount();
    RunBatch();
    EXPECT_EQ(server.ConnectionCount(), connections + 2);
    EXPECT_EQ(Cell(0, ListColumn::Status), QStringLiteral("成功"));
    EXPECT_TRUE(dialogs.questions.empty());
}

TEST_F(ResultsTest, TheChangesColumnAndFilterFollowTwoBatches) {
    const std::vector<std::string> names{"renewed.cn", "moved.cn", "released.cn", "steady.cn"};
    const CnRecord base{"Owner Co", "a@b.cn", "Registrar One", "2028-01-01"};
    for (const std::string& name : names) {
        server.SetScript(name, FakeWhoisScript::Answer(CnAnswer(name, base)));
    }
    Start();
    Import(names);
    RunBatch();
    for (int r = 0; r < 4; ++r) {
        EXPECT_TRUE(Cell(r, ListColumn::Changes).isEmpty()) << r;
    }
    auto* pane = run->frame->changedPane();
    ASSERT_NE(pane, nullptr);
    EXPECT_TRUE(pane->isVisibleTo(run->frame));
    EXPECT_EQ(pane->text(), QStringLiteral("0 个域名有变化"));

    // The second check: renewed, moved to another registrar and owner,
    // released, the same.
    CnRecord renewed = base;
    renewed.expiry = "2029-01-01";
    CnRecord moved = base;
    moved.registrar = "Registrar Two";
    moved.owner = "New Owner Co";
    server.SetScript("renewed.cn", FakeWhoisScript::Answer(CnAnswer("renewed.cn", renewed)));
    server.SetScript("moved.cn", FakeWhoisScript::Answer(CnAnswer("moved.cn", moved)));
    server.SetScript("released.cn", FakeWhoisScript::Answer(kCnAbsent));
    RunBatch();
    const QStringList expected{QStringLiteral("已续费"), QStringLiteral("已转移、所有人变更"),
                               QStringLiteral("已释放"), QString()};
    for (int r = 0; r < 4; ++r) {
        EXPECT_EQ(Cell(r, ListColumn::Changes), expected[r]) << r;
    }
    EXPECT_EQ(pane->text(), QStringLiteral("3 个域名有变化"));
    SetFilter(StatusFilter::Changed);
    EXPECT_EQ(run->ShownDomains(), (QStringList{"renewed.cn", "moved.cn", "released.cn"}));

    CRowDetailsDlg* details = run->view->OpenDetails(0);
    ASSERT_NE(details, nullptr);
    const QStringList history = details->historyText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(history.size(), 2);
    EXPECT_TRUE(history[0].contains(QStringLiteral("\t2029-01-01\t"))); // newest first
    EXPECT_TRUE(history[1].contains(QStringLiteral("\t2028-01-01\t")));
    details->close();

    // After a restart the column comes from the store.
    Restart();
    for (int r = 0; r < 4; ++r) {
        EXPECT_EQ(Cell(r, ListColumn::Changes), expected[r]) << r;
    }
    SetFilter(StatusFilter::Changed);
    EXPECT_EQ(run->ShownDomains(), (QStringList{"renewed.cn", "moved.cn", "released.cn"}));
}

TEST_F(ResultsTest, ACorruptStoreIsToldOnceAndReplaced) {
    std::string garbage;
    for (int i = 0; i < 512; ++i) {
        garbage += "not a database, not at all ";
    }
    WriteBytes(home.file("results.sqlite3"), garbage);
    server.SetScript(
        "kept.cn", FakeWhoisScript::Answer(
                       CnAnswer("kept.cn", {"Owner Co", "a@b.cn", "Registrar One", "2030-01-01"})));
    Start();
    ASSERT_TRUE(WaitUntil([&] { return !dialogs.infos.empty(); }));
    DrainPostedMessages();
    EXPECT_EQ(dialogs.infos.size(), 1u);
    const QStringList broken = QDir(QString::fromStdString(home.path()))
                                   .entryList({QStringLiteral("results.sqlite3.broken-*")});
    EXPECT_EQ(broken.size(), 1);

    // The program works on: a batch, its results kept, no second notice.
    Import({"kept.cn"});
    RunBatch();
    Restart();
    EXPECT_EQ(Cell(0, ListColumn::Status), QStringLiteral("成功"));
    ASSERT_EQ(dialogs.infos.size(), 2u); // the store's notice, the import's summary
    EXPECT_EQ(dialogs.infos[1], "导入完成：新增 1 个域名。");
}

TEST_F(ResultsTest, AnExportDuringABatchWritesEveryRowWhole) {
    // Every answer names its own number in the owner, e-mail and
    // registrar: a row exported half old, half new would mix them.
    constexpr int kRows = 2000;
    std::vector<std::string> names;
    for (int i = 0; i < kRows; ++i) {
        const std::string n = std::to_string(i);
        names.push_back("n" + n + ".cn");
        server.SetScript(names.back(), FakeWhoisScript::Answer(
                                           CnAnswer(names.back(), {"Owner " + n, "n" + n + "@x.cn",
                                                                   "Registrar " + n, "2030-01-01"}),
                                           1));
    }
    Start();
    Import(names);
    run->Click(1003);
    ASSERT_TRUE(WaitUntil([&] { return run->view->shownRowCount() >= 50; }));

    int exports = 0;
    int partial = 0;
    while (run->view->IsQueryRunning() && exports < 200) {
        // A row not reported yet is being asked: its details say so.
        const int waiting = kRows - 1;
        if (run->view->shownRowCount() < kRows) {
            CRowDetailsDlg* details = run->view->OpenDetails(waiting);
            ASSERT_NE(details, nullptr);
            if (run->view->IsQueryRunning()) {
                EXPECT_TRUE(details->fieldsText().contains(QStringLiteral("当前状态：正在查询…")));
            }
            details->close();
        }
        const std::string csv = home.file("during.csv");
        dialogs.savePaths = {csv};
        run->Click(1005);
        ++exports;
        const std::vector<std::string> lines = Lines(ReadBytes(csv));
        std::remove(csv.c_str());
        ASSERT_EQ(lines.size(), static_cast<std::size_t>(kRows));
        int done = 0;
        int torn = 0;
        std::string example;
        for (int i = 0; i < kRows; ++i) {
            const std::string& line = lines[static_cast<std::size_t>(i)];
            const std::vector<std::string> f = CsvFields(line);
            ASSERT_EQ(f.size(), 9u) << line;
            ASSERT_EQ(f[1], names[static_cast<std::size_t>(i)]);
            const std::string n = std::to_string(i);
            // Not reported yet: nothing of the answer; reported: all of it.
            const bool whole = f[2].empty()
                                   ? f[3].empty() && f[5].empty() && f[6].empty() && f[8].empty()
                                   : f[3] == "2030-01-01" && f[5] == "Owner " + n &&
                                         f[6] == "n" + n + "@x.cn" && f[8] == "Registrar " + n;
            done += f[2].empty() ? 0 : 1;
            if (!whole && torn++ == 0) {
                example = line;
            }
        }
        EXPECT_EQ(torn, 0) << "export " << exports << ", e.g. " << example;
        partial += done < kRows ? 1 : 0;
        QTest::qWait(0);
        DrainPostedMessages();
    }
    EXPECT_GT(partial, 0); // at least one export came while rows were still open
    if (run->view->IsQueryRunning()) {
        run->Click(1003); // stop what is left
    }
    ASSERT_TRUE(WaitUntil([&] { return !run->view->IsQueryRunning(); }, std::chrono::seconds(30)));
}

} // namespace
