// SPDX-License-Identifier: MIT
// The clean rule every value goes through, on UTF-8 text: a byte of a
// multi-byte character that a Latin-1 reader would take for a blank or a
// control is part of its character, and a stray byte is kept.

#include "engine/valueclean.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/textcases.h"

namespace {

// Characters whose last byte is the Latin-1 no-break space (0xA0) or next
// line (0x85), and a Thai word.
const std::string kAGrave = "\xc3\xa0";   // à
const std::string kNCedilla = "\xc5\x85"; // Ņ
const std::string kLan = "蓝";
const std::string kThai = "สมชาย";

TEST(CleanValue, FollowsTheRule) {
    const TextCase cases[] = {
        {"padding", "             31-Jul-2027^^", "31-Jul-2027"},
        {"leading blank", " Harbor Names, Inc.", "Harbor Names, Inc."},
        {"line marks", "DNS Admin^^", "DNS Admin"},
        {"chinese then mark", kLan + kLan + "^", kLan + kLan},
        {"tabs, CR and LF outside", "\t\r\n Ann Lee \r\n\t", "Ann Lee"},
        {"inner run with a mark", "DNS Admin^^  Registrant", "DNS Admin Registrant"},
        {"inner CR LF", "Line one\r\nLine two", "Line one Line two"},
        {"inner blanks kept", "Mountain  View", "Mountain  View"},
        {"inner tab a blank", "Ann\tLee", "Ann Lee"},
        {"escape", "Ann\x1b$BLee", "Ann $BLee"},
        {"bell and del", "Ann\x07\x7fLee", "Ann  Lee"},
        {"control bytes at the ends",
         "\x1b\x01"
         "Ann\x1f",
         "Ann"},
        {"N/A stays", "N/A", "N/A"},
        {"only marks", "^^ ^\t^", ""},
        {"empty", "", ""},
        {"thai inside", " " + kThai + " " + kThai + "^", kThai + " " + kThai},
        {"A0 byte at the end", "Ann " + kAGrave, "Ann " + kAGrave},
        {"A0 byte at the start", kAGrave + " Ann", kAGrave + " Ann"},
        {"85 byte then marks", kNCedilla + "^^", kNCedilla},
        {"chinese and blank run", kLan + "  " + kThai, kLan + "  " + kThai},
        // A stray byte stands alone; the blank or mark after it is one.
        {"lone continuation byte", "A\x81 ^", "A\x81"},
        {"lead byte then caret", "A\xc3^", "A\xc3"},
        {"lead byte at the end", "A \xe0", "A \xe0"},
    };
    ExpectEachGives(cases, [](const std::string& text) { return CleanValue(text); });
}

TEST(CleanValue, IsIdempotent) {
    for (const std::string& text :
         {std::string("  a^^b  c\t"), kNCedilla + "^ x ^" + kAGrave, std::string("\x1b x")}) {
        const std::string once = CleanValue(text);
        EXPECT_EQ(CleanValue(once), once);
    }
}

TEST(IsRedactedValue, KnowsThePlaceholders) {
    const std::pair<const char*, bool> cases[] = {
        {"REDACTED FOR PRIVACY", true},
        {"Redacted | EU Data Subject", true},
        {"redacted", true},
        {"Data Protected, Not Disclosed", true},
        {"NOT DISCLOSED!", true},
        {"GDPR Masked", true},
        {"Statutory Masking Enabled", true},
        {"Non-Public Data", true},
        {"Please query the RDDS service of the Registrar of Record", true},
        {"Withheld for Privacy ehf", false},
        {"Domains By Proxy, LLC", false},
        {"Contact Privacy Inc. Customer 1234", false},
        {"Redwood Acted Ltd", false},
        {"N/A", false},
        {"", false},
    };
    for (const auto& [text, redacted] : cases) {
        EXPECT_EQ(IsRedactedValue(text), redacted) << text;
    }
}

TEST(CleanDateValue, GivesIsoDatesOrTheCleanText) {
    const TextCase cases[] = {
        {"iso", " 2020-09-14T04:00:00Z^^", "2020-09-14"},
        {"time dropped", "2020-09-14 04:00:00", "2020-09-14"},
        {"truncated time", "20-Oct-2012 04:00:0", "2012-10-20"},
        {"offset", "2028-09-13T00:00:00-0700", "2028-09-13"},
        {"weekday form", "Fri Mar 26 23:59:59 GMT 2010^", "2010-03-26"},
        {"unreadable", "  before 1995 ^", "before 1995"},
        {"day first without the order", "31-03-2027 ^", "31-03-2027"},
        {"empty", " ^ ", ""},
    };
    ExpectEachGives(cases, [](const std::string& text) { return CleanDateValue(text); });
    EXPECT_EQ(CleanDateValue("31-03-2027 ^", DateOrder::DayFirst), "2027-03-31");
}

} // namespace
