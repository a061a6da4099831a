// SPDX-License-Identifier: MIT
// The clean rule every stored value goes through, on GBK text: a trail byte
// that equals "^" or looks like a blank to a byte-wise reader is part of its
// character.

#include "engine/valueclean.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct CleanCase {
    const char* name;
    std::string in;
    std::string out;
};

// GBK characters whose trail byte is an ASCII byte a careless reader would
// take for something else: 0x81 0x5E ("^"), 0x81 0x7C ("|"), and 0xA1 0xA0,
// whose trail byte is the Latin-1 no-break space.
const std::string kTrailCaret = "\x81\x5e";
const std::string kTrailBar = "\x81\x7c";
const std::string kTrailA0 = "\xa1\xa0";
const std::string kLan = "\xc0\xb6"; // 蓝

TEST(CleanValue, FollowsTheRule) {
    const CleanCase cases[] = {
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
        {"trail caret at the end", "A" + kTrailCaret, "A" + kTrailCaret},
        {"trail caret alone", kTrailCaret, kTrailCaret},
        {"trail caret then marks", kTrailCaret + "^^", kTrailCaret},
        {"trail caret inside", kLan + kTrailCaret + kLan, kLan + kTrailCaret + kLan},
        {"trail caret before blank run", kTrailCaret + "  " + kLan, kTrailCaret + "  " + kLan},
        {"trail bar", kTrailBar + "^", kTrailBar},
        {"trail A0 at the end", "Ann " + kTrailA0, "Ann " + kTrailA0},
        {"trail A0 at the start", kTrailA0 + " Ann", kTrailA0 + " Ann"},
        // A lead byte with no valid trail stands alone; the blank after it is a blank.
        {"lone lead byte", "A\x81 ^", "A\x81"},
        {"lead byte and caret are one character", "A\x81^", "A\x81^"},
        {"lead byte at the end", "A \x81", "A \x81"},
    };
    for (const CleanCase& c : cases) {
        EXPECT_EQ(CleanValue(c.in), c.out) << c.name;
    }
}

TEST(CleanValue, IsIdempotent) {
    for (const std::string& text :
         {std::string("  a^^b  c\t"), kTrailCaret + "^ x ^" + kTrailA0, std::string("\x1b x")}) {
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
    const CleanCase cases[] = {
        {"iso", " 2020-09-14T04:00:00Z^^", "2020-09-14"},
        {"time dropped", "2020-09-14 04:00:00", "2020-09-14"},
        {"truncated time", "20-Oct-2012 04:00:0", "2012-10-20"},
        {"offset", "2028-09-13T00:00:00-0700", "2028-09-13"},
        {"weekday form", "Fri Mar 26 23:59:59 GMT 2010^", "2010-03-26"},
        {"unreadable", "  before 1995 ^", "before 1995"},
        {"day first without the order", "31-03-2027 ^", "31-03-2027"},
        {"empty", " ^ ", ""},
    };
    for (const CleanCase& c : cases) {
        EXPECT_EQ(CleanDateValue(c.in), c.out) << c.name;
    }
    EXPECT_EQ(CleanDateValue("31-03-2027 ^", DateOrder::DayFirst), "2027-03-31");
}

} // namespace
