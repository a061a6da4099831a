// SPDX-License-Identifier: MIT
#include "formats/csvexport.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>

#include "engine/domaintable.h"
#include "engine/rowvalues.h"
#include "engine/whois/whoisservers.h"
#include "tests/support/scratchdir.h"

namespace {

// The export's status texts in GBK, written out so the test does not share
// the code's conversion.
const std::string kNoServerGbk = "\xCE\xDE"
                                 "whois\xB7\xFE\xCE\xF1\xC6\xF7";
const std::string kFoundGbk = "\xB3\xC9\xB9\xA6";
const std::string kNotRegisteredGbk = "\xD3\xF2\xC3\xFB\xCE\xB4\xD7\xA2\xB2\xE1";

class CsvExportTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(table.Allocate()); }
    void TearDown() override { table.Release(); }

    // A row the worker finished (answered, or its outcome stored).
    DomainRecord& AddRow(const char* server, const char* domain, int32_t status) {
        const int32_t index = table.count++;
        DomainRecord& row = table.Row(index);
        SetField(row.whoisServer, server);
        SetField(row.domain, domain);
        row.status = status;
        table.details.Set(index, {});
        return row;
    }
    DomainRecord& AddUnaskedRow(const char* server, const char* domain) {
        DomainRecord& row = table.Row(table.count++);
        SetField(row.whoisServer, server);
        SetField(row.domain, domain);
        return row;
    }

    ScratchDir dir;
    DomainTable table;
};

TEST_F(CsvExportTest, EveryStatusAsBytes) {
    AddRow(ServerComNet, "asked-no-server.com", NoServer);

    DomainRecord& found = AddRow(ServerComNet, "found.com", Found);
    // Stored dates are final: read once when stored, written as they are.
    SetField(found.expiryDate, "2031-07-14");
    SetField(found.createdDate, "2001-07-14");
    SetField(found.updatedDate, "2024-01-01"); // never exported
    SetField(found.owner, "Example Registrar, Inc.");
    SetField(found.email, "abuse@example.net");
    SetField(found.phone, "86.10123");
    SetField(found.registrar, "\xD6\xD0\xCE\xC4 registrar");

    AddRow(ServerCn, "free.cn", NotRegistered);
    DomainRecord& failed = AddRow("", "nowhere.de", Error);
    SetField(failed.owner, "kept from before");
    AddRow(ServerOrg, "odd.org", 9);

    ASSERT_TRUE(WriteCsvFile(table, dir.File("export.csv")));
    const std::string expected =
        "\"whois.verisign-grs.com\",\"asked-no-server.com\",\"" + kNoServerGbk +
        "\",\"\",\"\",\"\",\"\",\"\",\"\"\r\n"
        "\"whois.verisign-grs.com\",\"found.com\",\"" +
        kFoundGbk +
        "\",\"2031-07-14\",\"2001-07-14\",\"Example Registrar, Inc.\",\"abuse@example.net\","
        "\"86.10123\",\"\xD6\xD0\xCE\xC4 registrar\"\r\n"
        "\"whois.cnnic.cn\",\"free.cn\",\"" +
        kNotRegisteredGbk +
        "\",\"\",\"\",\"\",\"\",\"\",\"\"\r\n"
        "\"\",\"nowhere.de\",\"\",\"\",\"\",\"kept from before\",\"\",\"\",\"\"\r\n"
        "\"whois.pir.org\",\"odd.org\",\"\",\"\",\"\",\"\",\"\",\"\",\"\"\r\n";
    EXPECT_EQ(ReadBytes(dir.File("export.csv")), expected);
}

TEST_F(CsvExportTest, RowsNotYetAskedHaveAnEmptyStatus) {
    AddRow(ServerComNet, "done.com", Found);
    AddUnaskedRow(ServerComNet, "waiting.com"); // status 0 reads "no server"
    DomainRecord& answered = AddUnaskedRow(ServerCn, "answered.cn");
    answered.status = NotRegistered;
    answered.answered = 1;
    ASSERT_TRUE(WriteCsvFile(table, dir.File("export.csv")));
    EXPECT_EQ(
        ReadBytes(dir.File("export.csv")),
        "\"whois.verisign-grs.com\",\"done.com\",\"" + kFoundGbk +
            "\",\"\",\"\",\"\",\"\",\"\",\"\"\r\n"
            "\"whois.verisign-grs.com\",\"waiting.com\",\"\",\"\",\"\",\"\",\"\",\"\",\"\"\r\n"
            "\"whois.cnnic.cn\",\"answered.cn\",\"" +
            kNotRegisteredGbk + "\",\"\",\"\",\"\",\"\",\"\",\"\"\r\n");
}

TEST_F(CsvExportTest, Utf8ExportIsTheSameLinesAfterAByteOrderMark) {
    DomainRecord& row = AddRow(ServerCn, "\xD6\xD0\xCE\xC4.cn", Found); // 中文.cn
    SetField(row.owner, "\xB9\xAB\xCB\xBE");                            // 公司
    AddUnaskedRow(ServerCn, "later.cn");
    ASSERT_TRUE(WriteCsvFile(table, dir.File("excel.csv"), nullptr, CsvEncoding::Utf8WithBom));
    EXPECT_EQ(ReadBytes(dir.File("excel.csv")),
              "\xEF\xBB\xBF\"whois.cnnic.cn\",\"\xE4\xB8\xAD\xE6\x96\x87.cn\","
              "\"\xE6\x88\x90\xE5\x8A\x9F\","
              "\"\",\"\",\"\xE5\x85\xAC\xE5\x8F\xB8\",\"\",\"\",\"\"\r\n"
              "\"whois.cnnic.cn\",\"later.cn\",\"\",\"\",\"\",\"\",\"\",\"\",\"\"\r\n");
}

// The values whole from the row's outcome; only the GBK file loses what GBK
// lacks, as "?", and counts it.
TEST_F(CsvExportTest, WholeValuesReachTheUtf8FileWholeAndTheGbkFileAsFarAsGbkGoes) {
    const std::string thai = "บริษัท จำกัด";                                 // 11 characters GBK lacks
    const std::string longEmail = std::string(188, 'x') + "@example.net"; // 200 bytes
    const std::string mid = std::string(52, 'y') + "@example.net";        // 64 bytes
    CheckValues values;
    values.expiry = "2031-07-14";
    values.owner = thai;
    values.email = longEmail;
    values.registrar = "中文 \"Names\"";
    DomainRecord& row = AddRow(ServerComNet, "whole.com", Found);
    StoreRowValues(row, values);
    RowOutcome outcome;
    outcome.values = values;
    table.details.Set(0, outcome);
    values.owner = "Ann";
    values.email = mid;
    DomainRecord& second = AddRow(ServerComNet, "second.com", Found);
    StoreRowValues(second, values);
    outcome.values = values;
    table.details.Set(1, outcome);

    std::size_t replaced = 99;
    ASSERT_TRUE(
        WriteCsvFile(table, dir.File("excel.csv"), nullptr, CsvEncoding::Utf8WithBom, &replaced));
    EXPECT_EQ(replaced, 0u);
    EXPECT_EQ(
        ReadBytes(dir.File("excel.csv")),
        "\xEF\xBB\xBF\"whois.verisign-grs.com\",\"whole.com\",\"成功\",\"2031-07-14\",\"\",\"" +
            thai + "\",\"" + longEmail +
            "\",\"\",\"中文 \"\"Names\"\"\"\r\n"
            "\"whois.verisign-grs.com\",\"second.com\",\"成功\",\"2031-07-14\",\"\",\"Ann\",\"" +
            mid + "\",\"\",\"中文 \"\"Names\"\"\"\r\n");

    ASSERT_TRUE(WriteCsvFile(table, dir.File("gbk.csv"), nullptr, CsvEncoding::Gbk, &replaced));
    EXPECT_EQ(replaced, 11u);
    EXPECT_EQ(ReadBytes(dir.File("gbk.csv")),
              "\"whois.verisign-grs.com\",\"whole.com\",\"" + kFoundGbk +
                  "\",\"2031-07-14\",\"\",\"?????? ?????\",\"" + longEmail +
                  "\",\"\",\"\xD6\xD0\xCE\xC4 \"\"Names\"\"\"\r\n"
                  "\"whois.verisign-grs.com\",\"second.com\",\"" +
                  kFoundGbk + "\",\"2031-07-14\",\"\",\"Ann\",\"" + mid +
                  "\",\"\",\"\xD6\xD0\xCE\xC4 \"\"Names\"\"\"\r\n");
}

TEST_F(CsvExportTest, HostileFieldTexts) {
    struct Case {
        const char* name;
        std::string owner;
        std::string field;
    };
    const Case cases[] = {
        {"comma_stays_inside", "a, b", "\"a, b\""},
        {"quote_is_doubled", "Acme \"Best\" Ltd", "\"Acme \"\"Best\"\" Ltd\""},
        {"lone_quote", "\"", "\"\"\"\""},
        {"formula_equals", "=HYPERLINK(\"x\")", "\"'=HYPERLINK(\"\"x\"\")\""},
        {"formula_plus", "+1.555", "\"'+1.555\""},
        {"formula_minus", "-2+3", "\"'-2+3\""},
        {"formula_at", "@SUM(A1)", "\"'@SUM(A1)\""},
        {"formula_tab", "\tx", "\"'\tx\""},
        {"formula_cr", "\rx", "\"'\rx\""},
        {"line_ends_inside", "one^two\r\nthree", "\"one^two\r\nthree\""},
        {"equals_later_is_plain", "a=b", "\"a=b\""},
        {"blanks_then_equals", "  =1+2", "\"'  =1+2\""},
        {"blank_then_at", " @SUM(A1)", "\"' @SUM(A1)\""},
        {"blank_tab_then_minus", " \t-1", "\"' \t-1\""},
        {"blanks_then_plus", "   +86.1", "\"'   +86.1\""},
        {"blanks_then_text", "  Acme", "\"  Acme\""},
        {"only_blanks", "   ", "\"   \""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DomainRecord row{};
        SetField(row.domain, "x.com");
        row.status = Error;
        SetField(row.owner, c.owner);
        EXPECT_EQ(FormatCsvLine(row),
                  "\"\",\"x.com\",\"\",\"\",\"\"," + c.field + ",\"\",\"\",\"\"\r\n");
    }
}

TEST_F(CsvExportTest, FormulaGuardCoversTheDomainAndServerFields) {
    DomainRecord row{};
    SetField(row.whoisServer, "-local.example"); // the program's own text: left alone
    SetField(row.domain, "=1+1.com");            // from a list file of unknown origin
    row.status = Error;
    SetField(row.expiryDate, "-1"); // unreadable date comes back as it was
    SetField(row.createdDate, "=1+1");
    SetField(row.email, "@x");
    SetField(row.phone, "+86.1");
    SetField(row.registrar, "-r");
    EXPECT_EQ(FormatCsvLine(row), "\"-local.example\",\"'=1+1.com\",\"\",\"'-1\",\"'=1+1\",\"\",\"'"
                                  "@x\",\"'+86.1\",\"'-r\"\r\n");
    for (const char* domain : {"-dash.com", "+1.com", "@a.com", " =a.com"}) {
        SetField(row.domain, domain);
        EXPECT_NE(FormatCsvLine(row).find(std::string(",\"'") + domain + "\","), std::string::npos)
            << domain;
    }
}

TEST_F(CsvExportTest, FieldFilledToItsWidthStaysInItsColumn) {
    DomainRecord row{};
    std::memset(row.registrar, '"', sizeof row.registrar); // no terminator at all
    const std::string line = FormatCsvLine(row);
    EXPECT_EQ(line.substr(line.size() - 2), "\r\n");
    EXPECT_NE(line.find("\"" + std::string(2 * sizeof row.registrar, '"') + "\"\r\n"),
              std::string::npos);
}

TEST_F(CsvExportTest, ChosenRowsGoOutInTheirOrderAndRowsOutsideTheTableAreSkipped) {
    AddRow(ServerComNet, "a.com", Found);
    AddRow(ServerComNet, "b.com", Found);
    AddRow(ServerComNet, "c.com", Found);
    const std::vector<std::int32_t> rows{2, 7, 0, -1};
    ASSERT_TRUE(
        WriteCsvFile(table, dir.File("some.csv"), nullptr, CsvEncoding::Gbk, nullptr, &rows));
    const std::string rest = "\",\"" + kFoundGbk + "\",\"\",\"\",\"\",\"\",\"\",\"\"\r\n";
    EXPECT_EQ(ReadBytes(dir.File("some.csv")), "\"whois.verisign-grs.com\",\"c.com" + rest +
                                                   "\"whois.verisign-grs.com\",\"a.com" + rest);
}

TEST_F(CsvExportTest, FreeFieldsAreQuotedAndOnlyRemoteOnesGuarded) {
    EXPECT_EQ(FormatCsvFields({{"-3", false}, {"=cmd()", true}, {"say \"hi\"", true}, {"", false}}),
              "\"-3\",\"'=cmd()\",\"say \"\"hi\"\"\",\"\"\r\n");
    ASSERT_TRUE(WriteUtf8CsvLines({"\"x\"\r\n", "\"y\"\r\n"}, dir.File("lines.csv")));
    EXPECT_EQ(ReadBytes(dir.File("lines.csv")), "\xEF\xBB\xBF\"x\"\r\n\"y\"\r\n");
    int error = 0;
    EXPECT_FALSE(WriteUtf8CsvLines({}, dir.File("missing/lines.csv"), &error));
    EXPECT_NE(error, 0);
}

TEST_F(CsvExportTest, EmptyTableWritesAnEmptyFileOverAnOldOne) {
    WriteBytes(dir.File("export.csv"), "old content\r\n");
    ASSERT_TRUE(WriteCsvFile(table, dir.File("export.csv")));
    EXPECT_EQ(ReadBytes(dir.File("export.csv")), "");
}

} // namespace
