// SPDX-License-Identifier: MIT
#include "core/ccore.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace {

struct DateCase {
    const char* name;
    std::string_view text;
    std::string_view expected;
};

// Each case's text, read in `order`, gives its expected text.
void ExpectReads(std::initializer_list<DateCase> cases, DateOrder order = DateOrder::Usual) {
    for (const DateCase& c : cases) {
        EXPECT_EQ(CCore::parseDate1(c.text, order), c.expected) << c.name << ": " << c.text;
    }
}

TEST(ParseDate1, ReadsTheFormsRegistriesWrite) {
    ExpectReads({
        {"iso utc", "1997-09-15T04:00:00Z", "1997-09-15"},
        {"iso offset", "2028-09-13T00:00:00-0700", "2028-09-13"},
        {"iso fraction", "2010-03-23T00:00:00.0Z", "2010-03-23"},
        {"date and time", "2010-03-23 00:00:00", "2010-03-23"},
        {"after CleanDate", "2026-10-20 04:00:00", "2026-10-20"},
        {"one-digit month and day", "2010-3-5", "2010-03-05"},
        {"month name", "23-Mar-2010", "2010-03-23"},
        {"lower-case month name", "23-mar-2010", "2010-03-23"},
        {"full month name", "23-March-2010", "2010-03-23"},
        {"month name and time", "31-Jul-2010 23:57:50 UTC", "2010-07-31"},
        {"two-digit year 99", "02-Mar-99", "1999-03-02"},
        {"two-digit year 69", "02-Mar-69", "2069-03-02"},
        {"two-digit year 70", "02-Mar-70", "1970-03-02"},
        {"two-digit year 00", "15-Jan-00", "2000-01-15"},
        {"slashes", "2010/03/23", "2010-03-23"},
        {"slashes and zone", "2017/06/01 01:05:09 (JST)", "2017-06-01"},
        {"dots", "2010.03.23", "2010-03-23"},
        {"day first dots", "31.03.2011", "2011-03-31"},
        {"spaced month name", "23 Mar 2010", "2010-03-23"},
        {"weekday form", "Wed Mar 27 00:01:00 GMT 2002", "2002-03-27"},
        {"weekday form 2027", "Sat Mar 13 23:59:59 GMT 2027", "2027-03-13"},
        {"weekday and comma", "Sat, 13 Mar 2027 23:59:59 GMT", "2027-03-13"},
        {"iso offset with colon", "2028-09-13T00:00:00-07:00", "2028-09-13"},
        {"iso plus offset", "2027-08-31T23:30:00+0800", "2027-08-31"},
        {"slashes and JST", "2027/08/31 (JST)", "2027-08-31"},
        {"month name slashes", "31/Aug/2027", "2027-08-31"},
        {"weekday form without time", "Wed Mar 27 2002", "2002-03-27"},
        {"leap day", "Thu Feb 29 10:00:00 UTC 2024", "2024-02-29"},
        {"leap day 2000", "2000-02-29", "2000-02-29"},
    });
}

// Values as the answer parser cuts them: blanks after the label, "^" for the
// answer's line ends, and whatever follows up to the recipe's end marker.
TEST(ParseDate1, ReadsValuesAsTheParserCutsThem) {
    ExpectReads({
        {"leading blank", " 2027-03-17 12:48:36", "2027-03-17"},
        {"many blanks", "                    2005/05/30", "2005-05-30"},
        {"line ends before", "^^ 2010-03-23", "2010-03-23"},
        {"caret tail", " 2027-03-17 12:48:36^^Registrar: Example", "2027-03-17"},
        {"real line end after", " 31-Mar-2027 \r\nRe-registration Status: x", "2027-03-31"},
        {"sentence dot", "1999-03-15.", "1999-03-15"},
        {"trailing words", " 2011-02-11 (YYYY-MM-DD)", "2011-02-11"},
        {"weekday form with padding", "              Fri Mar 26 23:59:59 GMT 2010^", "2010-03-26"},
        {"cut before the T", " 2001-07-31", "2001-07-31"},
        {"edu tail", "             31-Jul-2027^^The data", "2027-07-31"},
    });
}

TEST(ParseDate1, ReturnsUnreadableTextTrimmed) {
    ExpectReads({
        {"empty", "", ""},
        {"blanks only", "  \t ", ""},
        {"N/A", "N/A", "N/A"},
        {"padded words", "  not available  ", "not available"},
        {"no such day", "2010-02-30", "2010-02-30"},
        {"no leap day", "2011-02-29", "2011-02-29"},
        {"no leap day 1900", "1900-02-29", "1900-02-29"},
        {"april 31", "31.04.2011", "31.04.2011"},
        {"numbers day first without the order", "31-03-2011", "31-03-2011"},
        {"slashes day first without the order", "31/03/2011", "31/03/2011"},
        {"month 13", "2010-13-01", "2010-13-01"},
        {"day 0", "00-Mar-2010", "00-Mar-2010"},
        {"year 0", "0000-01-01", "0000-01-01"},
        {"glued letters", "2010-03-23x", "2010-03-23x"},
        {"digits only", "20100323", "20100323"},
        {"mixed separators", "2010-03/23", "2010-03/23"},
        {"three-digit year", "23-Mar-201", "23-Mar-201"},
        {"two-digit numeric year", "06-04-04", "06-04-04"},
        {"slashes day first", "03/04/2011", "03/04/2011"},
        {"unknown month", "23-Foo-2010", "23-Foo-2010"},
        {"month first words", "Sept 5 2010", "Sept 5 2010"},
        {"weekday without year", "Wed Mar 27 00:01:00 GMT", "Wed Mar 27 00:01:00 GMT"},
        {"date not at the start", "expires 2010-03-23", "expires 2010-03-23"},
        {"huge number", "99999999999-01-01", "99999999999-01-01"},
        {"gbk text", "\xCE\xDE^", "\xCE\xDE^"},
    });
}

// A registry known to write the day first (.hk) says so.
TEST(ParseDate1, ReadsNumbersDayFirstWhenTold) {
    ExpectReads(
        {
            {"hyphens", "31-03-2027", "2027-03-31"},
            {"padded hyphens", " 05-11-2027 ^", "2027-11-05"},
            {"slashes", "31/03/2027", "2027-03-31"},
            {"dots", "31.03.2027", "2027-03-31"},
            {"year first still", "2027-03-31", "2027-03-31"},
            {"month name still", "31-Mar-2027", "2027-03-31"},
            {"no such day", "31-04-2027", "31-04-2027"},
            {"two-digit year", "05-11-27", "05-11-27"},
        },
        DateOrder::DayFirst);
}

TEST(ParseDateValue, GivesTheDateOrNothing) {
    EXPECT_EQ(CCore::parseDateValue(" 23-Mar-2010^"), (CivilDate{2010, 3, 23}));
    EXPECT_EQ(CCore::parseDateValue("Wed Mar 27 00:01:00 GMT 2002"), (CivilDate{2002, 3, 27}));
    EXPECT_EQ(CCore::parseDateValue("9999-12-31"), (CivilDate{9999, 12, 31}));
    EXPECT_FALSE(CCore::parseDateValue("").has_value());
    EXPECT_FALSE(CCore::parseDateValue("N/A").has_value());
    EXPECT_FALSE(CCore::parseDateValue("2010-02-30").has_value());
}

// Dates are read once, when stored; later readers take the stored form only.
TEST(ReadStoredDate, TakesTheStoredFormOnly) {
    EXPECT_EQ(ReadStoredDate("2031-07-14"), (CivilDate{2031, 7, 14}));
    EXPECT_EQ(ReadStoredDate("2024-02-29"), (CivilDate{2024, 2, 29}));
    EXPECT_EQ(ReadStoredDate(CCore::parseDate1("14-Jul-2031 04:00 UTC")), (CivilDate{2031, 7, 14}));
    for (const char* text : {"", "2023-02-29", "2031-7-14", "2031-07-14T04:00:00Z", " 2031-07-14",
                             "14-Jul-2031", "2031/07/14", "+031-07-14", "2031-13-01", "N/A"}) {
        EXPECT_FALSE(ReadStoredDate(text).has_value()) << text;
    }
}

} // namespace
