#include "cli/jsonlines.h"

#include <gtest/gtest.h>

#include "engine/domaintable.h"

namespace {

TEST(JsonLinesTest, StringEscapes) {
    struct Case {
        const char* name;
        std::string text;
        std::string json;
    };
    const Case cases[] = {
        {"plain", "abc", "\"abc\""},
        {"quote_and_backslash", "a\"b\\c", "\"a\\\"b\\\\c\""},
        {"line_ends_and_tab", "a\r\nb\t", "\"a\\u000d\\u000ab\\u0009\""},
        {"nul_and_escape_and_del", std::string("\0\x1b\x7f", 3), "\"\\u0000\\u001b\\u007f\""},
        {"utf8_passes", "中文", "\"中文\""},
        {"caret_is_plain", "a^b", "\"a^b\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string out;
        AppendJsonString(out, c.text);
        EXPECT_EQ(out, c.json);
    }
}

TEST(JsonLinesTest, RowTextsAreConvertedFromGbk) {
    DomainRecord row{};
    SetField(row.domain, "\xD6\xD0\xCE\xC4.cn");
    SetField(row.whoisServer, "whois.cnnic.cn");
    row.status = Error;
    SetField(row.owner, "\xFF bad byte");
    EXPECT_EQ(FormatJsonLine(row, 19999),
              "{\"index\":19999,\"domain\":\"中文.cn\",\"whoisServer\":\"whois.cnnic.cn\","
              "\"status\":3,\"statusText\":\"ERR!\",\"answered\":false,\"expiryDate\":\"\","
              "\"createdDate\":\"\",\"updatedDate\":\"\",\"owner\":\"\xEF\xBF\xBD bad byte\","
              "\"email\":\"\",\"phone\":\"\",\"registrar\":\"\"}\n");
}

} // namespace
