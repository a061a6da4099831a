// SPDX-License-Identifier: MIT
// The desktop program's small rules on their own: the kept column layout,
// the batch settings, the progress text, the system's reasons, domain
// display and the export's file types.

#include "core/ccore.h"
#include "listwin/batchsettings.h"
#include "listwin/columnlayout.h"
#include "listwin/domaindisplay.h"
#include "platform/qtcoredialogs.h"
#include "platform/systemerror.h"
#include "shell/batchprogress.h"
#include "uitest.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <cerrno>
#include <gtest/gtest.h>

namespace {

std::string Join(const ColumnWidths& values) {
    std::string text;
    for (const int v : values) {
        text += (text.empty() ? "" : ",") + std::to_string(v);
    }
    return text;
}

TEST(ColumnLayoutTest, SavedTextsComeBackAndBadOnesFallBackPartByPart) {
    const ColumnLayout defaults = DefaultColumnLayout();
    ColumnLayout moved = defaults;
    moved.widths[ListColumn::Owner] = 222;
    moved.order = {0, 1, 8, 2, 3, 11, 4, 5, 6, 7, 10, 9};
    moved.hidden[ListColumn::Phone] = true;
    const ColumnLayoutTexts texts = FormatColumnLayout(moved);
    EXPECT_EQ(texts.widths, "150,180,150,150,150,222,150,150,150,150,120,80");
    EXPECT_EQ(texts.order, "0,1,8,2,3,11,4,5,6,7,10,9");
    EXPECT_EQ(texts.hidden, "7");
    EXPECT_EQ(ParseColumnLayout(texts), moved);

    // Saved before the changes column: ten columns load, the changes last,
    // the days left after the expiry.
    ColumnLayout older = moved;
    older.order = {0, 1, 8, 2, 3, 11, 4, 5, 6, 7, 9, 10};
    EXPECT_EQ(
        ParseColumnLayout({"150,180,150,150,150,222,150,150,150,150", "0,1,8,2,3,4,5,6,7,9", "7"}),
        older);

    // Each of these is thrown away whole: the defaults stand.
    const struct {
        const char* name;
        ColumnLayoutTexts texts;
    } cases[] = {
        {"nothing saved", {"", "", ""}},
        {"a width out of range keeps its default",
         {"150,180,5,150,150,150,150,150,150,99999", "", ""}},
        {"too few widths", {"150,180", "", ""}},
        {"not numbers", {"a,b,c,d,e,f,g,h,i,j", "x", "y"}},
        {"an order naming a column twice", {"", "0,1,1,2,3,4,5,6,7,8", ""}},
        {"ten columns naming the new one", {"", "0,1,2,3,4,5,6,7,8,10", ""}},
        {"eleven columns naming the days left", {"", "0,1,2,3,4,5,6,7,8,9,11", ""}},
        {"thirteen widths", {"150,180,150,150,150,150,150,150,150,150,150,150,150", "", ""}},
        {"an order without the domain first", {"", "1,0,2,3,4,5,6,7,8,9", ""}},
        {"the domain cannot be hidden", {"", "", "0,12,-1"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ParseColumnLayout(c.texts), defaults);
    }
    EXPECT_EQ(
        Join(ParseColumnLayout({" 151 , 180,150,150,150,150,150,150,150,150", "", ""}).widths),
        "151,180,150,150,150,150,150,150,150,150,120,80");
}

class BatchSettingsTest : public ::testing::Test {
protected:
    TempHome home;
};

TEST_F(BatchSettingsTest, MissingOrOutOfRangeKeysMeanTheDefaults) {
    CCore core;
    core.autoFileConfig();
    EXPECT_EQ(LoadBatchSettings(core), BatchSettings{});

    const BatchSettings chosen{4, 2, 1500, ProtocolChoice::Whois};
    SaveBatchSettings(core, chosen);
    EXPECT_EQ(LoadBatchSettings(core), chosen);
    EXPECT_EQ(core.getConfigStr("hostinterval"), "1500");
    EXPECT_EQ(core.getConfigStr("protocol"), "1");

    const struct {
        const char* key;
        const char* value;
    } bad[] = {{"jobs", "0"},
               {"perhost", "-3"},
               {"hostinterval", "9999999"},
               {"protocol", "7"},
               {"jobs", "many"}};
    for (const auto& b : bad) {
        SCOPED_TRACE(b.key);
        core.saveConfigStr(b.key, b.value);
    }
    EXPECT_EQ(LoadBatchSettings(core), BatchSettings{});

    QueryOptions options;
    ApplyBatchSettings(chosen, options);
    EXPECT_EQ(options.jobs, 4);
    EXPECT_EQ(options.perHost, 2);
    EXPECT_EQ(options.hostIntervalMs, 1500);
    EXPECT_EQ(options.protocol, ProtocolChoice::Whois);
}

TEST(BatchProgressTest, RowsRateAndTimeLeft) {
    const struct {
        const char* name;
        int done, total, finished;
        double seconds;
        const char* text;
    } cases[] = {
        {"not started", 0, 200, 0, 0.0, "0 / 200"},
        {"slow", 10, 200, 10, 4.0, "10 / 200，2.5 个/秒，剩余 1 分 16 秒"},
        {"fast", 1000, 20000, 1000, 0.5, "1000 / 20000，2000 个/秒，剩余 10 秒"},
        {"resumed: the rate counts this batch only", 105, 200, 5, 1.0,
         "105 / 200，5.0 个/秒，剩余 19 秒"},
        {"done", 200, 200, 200, 10.0, "200 / 200，20 个/秒"},
        {"hours", 10, 20000, 10, 10.0, "10 / 20000，1.0 个/秒，剩余 5 小时 33 分"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(BatchProgressText(c.done, c.total, c.finished, c.seconds),
                  QString::fromUtf8(c.text));
    }
    EXPECT_EQ(DurationText(-4), QStringLiteral("0 秒"));
    EXPECT_EQ(DurationText(3600), QStringLiteral("1 小时 00 分"));
}

TEST(SystemErrorTest, CommonReasonsInChineseOthersFromTheSystem) {
    EXPECT_EQ(SystemErrorText(0), QString());
    EXPECT_EQ(SystemErrorText(EACCES), QStringLiteral("权限不够"));
    EXPECT_EQ(SystemErrorText(ENOSPC), QStringLiteral("磁盘空间不足"));
    EXPECT_EQ(SystemErrorText(EROFS), QStringLiteral("只读文件系统"));
    EXPECT_FALSE(SystemErrorText(EPROTO).isEmpty());
}

TEST(DomainDisplayTest, PlainNamesShowAsTheyAre) {
    EXPECT_EQ(DisplayDomain("example.com"), QStringLiteral("example.com"));
    EXPECT_EQ(DisplayDomain("\xD6\xD0\xCE\xC4.cn"), QStringLiteral("中文.cn"));
    EXPECT_EQ(DisplayDomain("xn--fiqs8s.cn"), QStringLiteral("中国.cn (xn--fiqs8s.cn)"));
    EXPECT_EQ(DisplayDomain("xn--zz.cn"), QStringLiteral("xn--zz.cn")); // not a valid A-label
}

TEST(ExportChoiceTest, TheProgramsOwnFileComesFirst) {
    EXPECT_EQ(ExportFileTypes().split(QStringLiteral(";;")),
              (QStringList{"CSV 文件 (*.csv)", "CSV UTF-8 (Excel) (*.csv)"}));
}

TEST(OpenUrlTest, WithoutABrowserTheUserIsTold) {
    // The offscreen platform has no browser to hand an address to.
    QString shown;
    QString caption;
    QGuiApplication::setApplicationDisplayName(QStringLiteral("zentrix 域名批量查询"));
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        shown = box->text();
        caption = box->windowTitle();
        box->accept();
    });
    CQtCoreDialogs dialogs;
    dialogs.openUrl("example.com");
    EXPECT_EQ(shown, QStringLiteral("无法打开网页：http://example.com"));
    EXPECT_EQ(caption, QStringLiteral("zentrix 域名批量查询"));
}

} // namespace
