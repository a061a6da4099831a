// SPDX-License-Identifier: MIT
// The rules around the recipes: not-registered markers, the choice of recipe,
// empty answers and refusals, labels and their fallbacks, clean values,
// code-page conversion and field widths.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "engine/whois/answerparser.h"
#include "engine/whois/whoisservers.h"
#include "parserfixture.h"

using parsertest::OldRow;
using parsertest::SameRow;

namespace {

// The old row of `status` after reading `answer` as `server`'s answer.
DomainRecord ParsedOldRow(const char* server, const std::string& answer, int32_t status = Error) {
    DomainRecord row = OldRow(server, status);
    ParseAnswer(row, server, answer);
    return row;
}

// Whether reading `answer` leaves an old row of status `from` as it was, but
// for its status, now `to`.
bool OnlyStatusChanges(const char* server, const std::string& answer, int32_t from, int32_t to) {
    DomainRecord want = OldRow(server, from);
    want.status = to;
    return SameRow(ParsedOldRow(server, answer, from), want);
}

struct MarkerCase {
    const char* name;
    const char* server;
    std::string answer; // already with "^" line ends
    bool notRegistered;
};

// A registry's own marker counts exactly as written, anywhere. Other
// spellings count only in an answer that names no record (no date, no
// registrar, no registrant): the words many registries use for "none".
const std::string kRecord = "Domain Name: A.EXAMPLE^Registrar: R Inc.^";

const std::vector<MarkerCase> kMarkers = {
    {"ComExact", ServerComNet, "No match for \"NOBODY.COM\".^>>> Last update <<<^", true},
    {"ComUpperCaseAlone", ServerComNet, "NO MATCH FOR \"NOBODY.COM\".^", true},
    {"ComUpperCaseBesideRecord", ServerComNet, kRecord + "Remark: NO MATCH FOR B^", false},
    {"ComMarkerInsideRecord", ServerComNet, "   Domain Name: A.COM^   Remark: No match for B^",
     true},
    {"CcExact", ServerCc, "No match for \"NOBODY.CC\".^", true},
    {"CcLowerCaseBesideRecord", ServerCc, kRecord + "no match for \"NOBODY.CC\".^", false},
    {"InfoExact", ServerInfo, "NOT FOUND^", true},
    {"InfoMixedCaseAlone", ServerInfo, "Not found^", true},
    {"InfoMixedCaseBesideRecord", ServerInfo, kRecord + "Not found^", false},
    {"InfoToday", ServerInfo, "Domain not found.^>>> Last update <<<^", true},
    {"TvInsideCut", ServerTv,
     "Go to http://x/ for detailed information.^^No match for \"N.TV\".^^NOTICE: terms^", true},
    // The registry's marker outside the banner's cut keeps its exact meaning.
    {"TvBeforeBanner", ServerTv,
     "No match for \"N.TV\".^Go to http://x/ for detailed information.^^NOTICE: terms^", false},
    {"TvAfterNotice", ServerTv,
     "Go to http://x/ for detailed information.^^NOTICE: No match for \"N.TV\".^", false},
    // Today's answers have no banner: the marker counts anywhere.
    {"TvWithoutBanner", ServerTv, "No match for \"N.TV\".^NOTICE: terms^", true},
    {"TvBannerWithEmptyCut", ServerTv, "for detailed information.NOTICE: No match for \"N.TV\".^",
     true},
    {"JpExact", ServerJp, "[ JPRS ]^^No match!!^", true},
    {"JpBeforeDomainNameCut", ServerJp, "No match!!^[Domain Name]  A.JP^", true},
    {"JpOtherCaseBesideRecord", ServerJp, "[Domain Name] A.JP^[Created on] 2001/01/01^No Match!!^",
     false},
    {"HkExact", ServerHk, "Domain Not Found^", true},
    {"HkToday", ServerHk, "The domain has not been registered.^", true},
    {"EduExact", ServerEdu, "--------^^No Match^^", true},
    {"EduToday", ServerEdu, "NO MATCH: nobody.edu^", true},
    {"BizExact", ServerBiz, "Not found: nobody.biz^", true},
    {"BizToday", ServerBiz, "No Data Found^URL of the ICANN Whois Inaccuracy Complaint Form^",
     true},
    {"BizUpperCaseBesideRecord", ServerBiz, kRecord + "NOT FOUND^", false},
    {"OrgExact", ServerOrg, "NOT FOUND^", true},
    {"OrgToday", ServerOrg, "Domain not found.^>>> Last update <<<^", true},
    {"CnExact", ServerCn, "no matching record^", true},
    {"CnToday", ServerCn, "No matching record.^", true},
    {"CnWithoutPeriodAlone", ServerCn, "No matching record^", true},
    // Words of terms of use in an answer that names a record.
    {"TermsBesideRecord", ServerOrg,
     kRecord + "Terms: a name that is not registered here may be registered elsewhere.^", false},
    // Any other server: the common words, in any case.
    {"OtherNoEntries", "whois.nic.example", "%% No entries found in the database.^", true},
    {"OtherStatusFree", "whois.nic.example", "Domain: a.example^Status: free^", true},
    {"OtherAvailable", "whois.nic.example", "a.example is available for registration^", true},
    {"OtherDoesNotExist", "whois.nic.example", "The queried object does not exist^", true},
    {"OtherRegistered", "whois.nic.example",
     "Domain Name: a.example^Creation Date: 2001-01-01^Status: not registered elsewhere^", false},
};

void PrintTo(const MarkerCase& c, std::ostream* os) {
    *os << c.name;
}

class NotRegisteredMarker : public ::testing::TestWithParam<MarkerCase> {};

TEST_P(NotRegisteredMarker, IsMatchedExactlyAsWritten) {
    const MarkerCase& c = GetParam();
    if (c.notRegistered) {
        EXPECT_TRUE(OnlyStatusChanges(c.server, c.answer, Error, NotRegistered))
            << "a not-registered answer changes only the status";
    } else {
        EXPECT_EQ(ParsedOldRow(c.server, c.answer).status, Found);
    }
}

INSTANTIATE_TEST_SUITE_P(Recipes, NotRegisteredMarker, ::testing::ValuesIn(kMarkers),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------

const char* const kComAnswer = "   Creation Date: 2001-02-03T04:05:06Z^   Registrar: R Inc.^";

TEST(ParseAnswerDispatch, RowWithoutServerIsLeftAlone) {
    EXPECT_TRUE(SameRow(ParsedOldRow("", kComAnswer, NotRegistered), OldRow("", NotRegistered)));
}

// A server outside the ten (compared byte for byte, whole) gets the recipe of
// today's common labels, which knows no "N/A" and writes no phone.
TEST(ParseAnswerDispatch, ServerOutsideTheTenGetsTheCommonLabels) {
    const std::vector<std::string> servers = {
        "whois.example.net",
        "WHOIS.VERISIGN-GRS.COM",
        "whois.verisign-grs.com ",
        "whois.verisign-grs",
    };
    for (const std::string& server : servers) {
        const DomainRecord row = ParsedOldRow(server.c_str(), kComAnswer, NotRegistered);
        EXPECT_EQ(row.status, Found) << server;
        EXPECT_STREQ(row.createdDate, "2001-02-03") << server;
        EXPECT_STREQ(row.registrar, "R Inc.") << server;
        EXPECT_STREQ(row.updatedDate, "") << server;
        EXPECT_STREQ(row.phone, "old-phone") << server;
    }
}

// The server the row is asked at chooses the recipe, whatever the row's
// server column shows: only .cc's recipe writes the phone.
TEST(ParseAnswerDispatch, RecipeIsTheServerAskedNotTheColumn) {
    const char* const answer = "Domain Name: A.CC^Registrant Phone: +86.5925551234^";
    DomainRecord row = OldRow("whois.example.net", NotRegistered);
    ParseAnswer(row, ServerCc, answer);
    EXPECT_STREQ(row.phone, "+86.5925551234");
    EXPECT_STREQ(row.whoisServer, "whois.example.net") << "the column is not written";

    row = OldRow(ServerCc, NotRegistered);
    ParseAnswer(row, "whois.example.net", answer);
    EXPECT_STREQ(row.phone, "old-phone");
}

TEST(ParseAnswerDispatch, EmptyAnswerIsAnErrorWhateverTheServer) {
    for (const char* server : {ServerComNet, ServerCn, ServerJp, "", "whois.example.net"}) {
        EXPECT_TRUE(OnlyStatusChanges(server, "", Found, Error)) << "server \"" << server << "\"";
    }
}

TEST(ParseAnswerDispatch, RefusedQueryIsAnErrorNotARegisteredDomain) {
    const std::pair<const char*, const char*> refusals[] = {
        {ServerOrg, "WHOIS LIMIT EXCEEDED - SEE WWW.EXAMPLE.ORG/WHOIS FOR DETAILS^"},
        {ServerComNet, "You have exceeded your quota of queries.^^"},
        {ServerHk, "Please maintain at least 10-second time before starting another enquiry.^"},
        {ServerInfo, "TLD is not supported.^"},
        {"whois.nic.example", "Queried interval is too short.^"},
    };
    for (const auto& [server, answer] : refusals) {
        EXPECT_TRUE(OnlyStatusChanges(server, answer, Found, Error)) << answer;
    }
}

// An answer that names no label a recipe knows, not the domain and no word
// that the name is free is no answer about the name: Error, nothing else
// changed, on every endpoint and on any other server.
TEST(ParseAnswerDispatch, AnswerNamingNothingIsAnError) {
    const char* answers[] = {
        "nothing a recipe knows^",
        "Invalid query^",
        "% Welcome to the registry's WHOIS service^%^% Terms of use apply.^",
    };
    for (const char* server : {ServerComNet, ServerCc, ServerInfo, ServerTv, ServerJp, ServerHk,
                               ServerEdu, ServerBiz, ServerOrg, ServerCn, "whois.nic.example"}) {
        for (const char* answer : answers) {
            EXPECT_TRUE(OnlyStatusChanges(server, answer, Found, Error))
                << server << ": " << answer;
        }
    }
}

// The common labels' answers that carry the domain or any label they know
// stay Found, a redacted value included.
TEST(ParseAnswerDispatch, AnswerNamingTheDomainOrALabelIsFound) {
    const char* answers[] = {
        "% Registry WHOIS^domain:  OLD.EXAMPLE^",
        "Information about old.example follows.^",
        "Domain Name: X^",
        "Updated Date: 2024-01-02^",
        "Registrant Name: REDACTED FOR PRIVACY^",
    };
    for (const char* answer : answers) {
        EXPECT_EQ(ParsedOldRow("whois.nic.example", answer, Error).status, Found) << answer;
    }
}

// The country registries' refusals are refusals on any server, a "No entries
// found" beside one too; their not-found words mean "not registered".
TEST(ParseAnswerDispatch, CountryRegistriesRefusalsAndNotFoundWords) {
    const char* refusals[] = {
        "% Error: 55000000002 Connection refused; access control limit reached.^",
        "    The WHOIS query quota for 192.0.2.7 has been exceeded and will be replenished in "
        "143 seconds.^",
        "%%^%% Too many requests...^",
        "query_status: 440 Request Denied^",
        "%% No entries found.^%% Query rate limit exceeded^",
        "Requests of this client are not permitted. Please use the web form.^",
        "% Query rate limit exceeded. Reduced information.^",
    };
    for (const char* answer : refusals) {
        EXPECT_TRUE(OnlyStatusChanges("whois.nic.example", answer, Found, Error)) << answer;
    }
    const char* absent[] = {
        "There is no information available on the domain consulted.^",
        "No information available about domain name old.example in the Registry database.^",
        "Domain:             old.example^Status:             AVAILABLE^",
        "Domain:\told.example^Status:\tAVAILABLE^",
        "query_status: 220 Available^",
        "old.example: no existe^",
        "El dominio no se encuentra registrado en la base de datos.^",
        "% This query returned 0 objects.^",
        "We do not have an entry in our database matching your query.^",
        "% Query rate limit exceeded. Reduced information.^^Domain: old.example^Status: free^",
        "OLD.EXAMPLE is free^",
    };
    for (const char* answer : absent) {
        EXPECT_EQ(ParsedOldRow("whois.nic.example", answer, Found).status, NotRegistered) << answer;
    }
}

// ---------------------------------------------------------------------------

struct CutCase {
    const char* name;
    const char* server;
    std::string answer;
    const char* field; // which field to look at
    std::string want;
};

std::string FieldText(const DomainRecord& row, const std::string& field) {
    const std::pair<const char*, const char*> fields[] = {
        {"created", row.createdDate}, {"expiry", row.expiryDate}, {"updated", row.updatedDate},
        {"owner", row.owner},         {"email", row.email},       {"phone", row.phone},
        {"registrar", row.registrar},
    };
    for (const auto& [name, text] : fields) {
        if (field == name) {
            return text;
        }
    }
    ADD_FAILURE() << "no field " << field;
    return {};
}

const std::vector<CutCase> kCuts = {
    // .com expiry: today's label first, then the older ones; a label with
    // nothing after it gives way to the next.
    {"ComRegistryExpiryFirst", ServerComNet,
     "Expiration Date: 2027-01-02T03:04:05Z^Registry Expiry Date: 2030-01-01T00:00:00Z^", "expiry",
     "2030-01-01"},
    {"ComExpirationDate", ServerComNet, "   Expiration Date: 15-mar-2010^", "expiry", "2010-03-15"},
    {"ComEmptyLabelGivesWay", ServerComNet,
     "Registrar Registration Expiration Date:^Expiry Date: 2029-02-03T00:00:00Z^", "expiry",
     "2029-02-03"},
    {"ComBlankLabelGivesWay", ServerComNet,
     "Registry Expiry Date: ^Expiration Date: 2029-02-03T00:00:00Z^", "expiry", "2029-02-03"},
    {"ComNoExpiryLabelAtAll", ServerComNet, "Creation Date: 2001-01-01^", "expiry", ""},
    {"ComRegistrarColumn", ServerComNet, "   Registrar: NAMEWORKS LLC^", "registrar",
     "NAMEWORKS LLC"},
    {"ComRegistrarIsNoOwner", ServerComNet, "   Registrar: NAMEWORKS LLC^", "owner", ""},
    // A longer label is not the shorter one: "Registrar URL:" is no registrar.
    {"ComLongerLabelIsNotTheLabel", ServerComNet,
     "Registrar URL: http://r.example^Registrar: Real Registrar^", "registrar", "Real Registrar"},
    {"ComOrganisationBeforeName", ServerComNet,
     "Registrant Name: Ann Lee^Registrant Organization: Lee AB^", "owner", "Lee AB"},
    {"ComNameWhenNoOrganisation", ServerComNet,
     "Registrant Name: Ann Lee^Registrant Organization: ^", "owner", "Ann Lee"},
    {"ComBlockAfterRegistrant", ServerComNet,
     "Registrant:^   Lee Holdings AB^   Box 12^^Domain Name: A.COM^", "owner", "Lee Holdings AB"},
    // A label with nothing after it takes only a deeper-indented next line.
    {"ComEmptyLabelNotFollowedByBlock", ServerComNet,
     "Registrant:^Registrar: R^Domain Name: A.COM^", "owner", ""},
    {"ComDotLeaders", ServerComNet, "    Created on..............: 1999-03-15.^", "created",
     "1999-03-15"},
    {"ComLabelAnyCase", ServerComNet, "REGISTRY EXPIRY DATE: 2029-02-03^", "expiry", "2029-02-03"},
    // .cc: values trimmed and cleaned; line ends of either kind.
    {"CcCrLfLines", ServerCc, "Registrant Email: owner@x.cc\r\nRegistry Admin ID:\r\n", "email",
     "owner@x.cc"},
    {"CcUpdatedDate", ServerCc,
     "Updated Date: 2024-01-09T03:18:55Z^>>> Last update of WHOIS database: 2024-05-17T09:41:30Z "
     "<<<",
     "updated", "2024-01-09"},
    // Redaction texts are no values; an e-mail line without "@" is none.
    {"RedactedName", ServerBiz,
     "Registrant Name: REDACTED FOR PRIVACY^Registrant Organization: Lee "
     "AB^",
     "owner", "Lee AB"},
    {"RedactedAnyCase", ServerBiz, "Registrant Name: Redacted | EU Data Subject^", "owner", ""},
    {"NotDisclosed", ServerBiz, "Registrant Name: Not Disclosed^", "owner", ""},
    {"DataProtected", ServerOrg, "Registrant Name: Data Protected^", "owner", ""},
    {"GdprMasked", ServerOrg, "Registrant Name: GDPR Masked^", "owner", ""},
    {"StatutoryMasking", ServerInfo, "Registrant Name: Statutory Masking Enabled^", "owner", ""},
    {"PrivacyServiceIsAValue", ServerInfo, "Registrant Name: Withheld for Privacy ehf^", "owner",
     "Withheld for Privacy ehf"},
    {"ProxyServiceIsAValue", ServerComNet, "Registrant Organization: Domains By Proxy, LLC^",
     "owner", "Domains By Proxy, LLC"},
    {"EmailWebForm", ServerOrg, "Registrant Email: https://r.example/contact?d=a.org^", "email",
     ""},
    {"NotAvailableStays", ServerBiz, "Registrant Name: N/A^", "owner", "N/A"},
    // .edu: the expiry line alone, cleaned.
    {"EduExpiryLine", ServerEdu,
     "Domain expires:             31-Jul-2027^^% Consult the registry for more.^", "expiry",
     "2027-07-31"},
    // .jp: UTF-8 converted to GBK; "a. " indexes; "Connected (date)" only with a date.
    {"JpOwnerConvertedToGbk", ServerJp,
     "[Domain Name]  A.JP^[Registrant]  \xe3\x81\x95\xe3\x81\x8f\xe3\x82\x89^[Name Server]",
     "owner", "\xa4\xb5\xa4\xaf\xa4\xe9"},
    {"JpIndexLetters", ServerJp, "a. [Domain Name]  A.JP^g. [Organization]  Kawasemi Co.^", "owner",
     "Kawasemi Co."},
    {"JpStateWithoutDate", ServerJp, "[State]   Active^[Expires on] ^", "expiry", ""},
    {"JpStateWithDate", ServerJp, "[State]   Connected (2027/09/30)^", "expiry", "2027-09-30"},
    {"JpExpiryBeforeState", ServerJp, "[State]   Connected (2027/09/30)^[Expires on] 2028/01/31^",
     "expiry", "2028-01-31"},
    // .hk: day first; the e-mail of the registrant's block only.
    {"HkDayFirst", ServerHk, "Expiry Date: 05-11-2027 ^", "expiry", "2027-11-05"},
    {"HkRegistrarEmailIsNotTheHolders", ServerHk,
     "Registrar Contact Information: Email: r@registrar.example^Email: r2@registrar.example^"
     "Registrant Contact Information:^Email:  holder@a.hk ^",
     "email", "holder@a.hk"},
    {"HkHolderLine", ServerHk,
     "Registrant Contact Information:^Holder English Name: CHAN TAI MAN^Email: a@a.hk^", "owner",
     "CHAN TAI MAN"},
    // The record of the queried name first: an answer may list others before it.
    {"RecordOfTheQueriedName", ServerComNet,
     "   Server Name: OLD.EXAMPLE.ZZZ^   Registrar: WRONG INC.^^   Domain Name: OLD.EXAMPLE^"
     "   Registrar: RIGHT INC.^",
     "registrar", "RIGHT INC."},
    {"UnreadableDateKeptClean", ServerOrg, "Creation Date:   before 1995 ^^", "created",
     "before 1995"},
    // Control bytes in a value become blanks.
    {"ControlBytes", ServerOrg, "Registrant Name: Ann\x1b[1mLee\x07^", "owner", "Ann [1mLee"},
    // .cn: converted to GBK; a character GBK cannot hold becomes "?".
    {"CnConvertedAndUnmappableMarked", ServerCn,
     "Registrant: Caf\xc3\xa9 \xf0\x9f\x8c\xb8^Registrant Contact Email: a@b.cn^", "owner",
     "Caf\xa8\xa6 ?"},
    // A GBK answer (not UTF-8) is stored as it is; a trail byte 0x5E ("^")
    // neither ends the line nor is trimmed.
    {"GbkAnswerKept", "whois.nic.example", "Registrant Name: \xc4\xe3\x81\x5e^Registrar: R^",
     "owner", "\xc4\xe3\x81\x5e"},
};

void PrintTo(const CutCase& c, std::ostream* os) {
    *os << c.name;
}

class FieldCut : public ::testing::TestWithParam<CutCase> {};

TEST_P(FieldCut, StoresTheCutValue) {
    const CutCase& c = GetParam();
    const DomainRecord row = ParsedOldRow(c.server, c.answer);
    EXPECT_EQ(row.status, Found);
    EXPECT_EQ(FieldText(row, c.field), c.want);
}

INSTANTIATE_TEST_SUITE_P(Recipes, FieldCut, ::testing::ValuesIn(kCuts),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------

std::string Repeat(const std::string& unit, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) {
        out += unit;
    }
    return out;
}

const std::string kLanUtf8 = "\xe8\x93\x9d"; // 蓝
const std::string kLanGbk = "\xc0\xb6";

struct WidthCase {
    const char* name;
    std::string lead;  // ASCII in front of the Chinese characters
    bool owner;        // owner (251 bytes) or registrar (252 bytes)
    std::size_t bytes; // bytes stored
};

// A double-byte character that would straddle the field's last byte is left out.
TEST(ParseAnswerWidth, GbkCutNeverSplitsACharacter) {
    const std::vector<WidthCase> cases = {
        {"OwnerEven", "", true, 250},
        {"OwnerOdd", "A", true, 249},
        {"RegistrarEven", "", false, 250},
        {"RegistrarOdd", "A", false, 251},
    };
    for (const WidthCase& c : cases) {
        const std::string name = c.lead + Repeat(kLanUtf8, 140);
        const std::string answer = c.owner
                                       ? "Registrant: " + name + "^Registrant Contact Email: a@b^"
                                       : "Sponsoring Registrar:" + name + "^Name Server: ns1^";
        const DomainRecord row = ParsedOldRow(ServerCn, answer);
        const std::string stored = c.owner ? row.owner : row.registrar;
        const int chars = static_cast<int>((c.bytes - c.lead.size()) / 2);
        EXPECT_EQ(stored.size(), c.bytes) << c.name;
        EXPECT_EQ(stored, c.lead + Repeat(kLanGbk, chars)) << c.name;
    }
}

// ---------------------------------------------------------------------------
// The values whole and in UTF-8 beside the row's cut GBK copies.

// An address of exactly `bytes` bytes at `domain`.
std::string Address(std::size_t bytes, const std::string& domain) {
    return std::string(bytes - domain.size() - 1, 'a') + "@" + domain;
}

const std::string kThaiOwner = "บริษัท ตัวอย่าง จำกัด"; // no character of it is in GBK

TEST(ParseAnswerWhole, LongAndForeignValuesStayWholeWhileTheRowIsCut) {
    for (const std::size_t bytes : {std::size_t{64}, std::size_t{200}}) {
        SCOPED_TRACE(bytes);
        const std::string email = Address(bytes, "example.cn");
        DomainRecord row = OldRow(ServerCn);
        CheckValues whole;
        ParseAnswer(row, ServerCn,
                    "Registrant: " + kThaiOwner + "^Registrant Contact Email: " + email +
                        "^Sponsoring Registrar: Lanna Names^Expiration Time: 2030-01-02 03:04:05^",
                    whole);
        EXPECT_EQ(row.status, Found);
        EXPECT_EQ(whole.email, email);
        EXPECT_EQ(whole.owner, kThaiOwner);
        EXPECT_EQ(whole.registrar, "Lanna Names");
        EXPECT_EQ(whole.expiry, "2030-01-02");
        EXPECT_EQ(whole.updated, "N/A") << "what the recipe writes, as the row has it";
        EXPECT_EQ(std::string(row.email), email.substr(0, sizeof row.email - 1));
        EXPECT_EQ(std::string(row.owner), "?????? ???????? ?????");
    }
}

TEST(ParseAnswerWhole, GbkAnswerIsReadInUtf8) {
    // A .cn-like registry answering in GBK: 兰亭示例 and a GBK "^" trail byte.
    DomainRecord row = OldRow(ServerCn);
    CheckValues whole;
    ParseAnswer(row, ServerCn,
                "Registrant: \xc0\xbc\xcd\xa4\xca\xbe\xc0\xfd \x81\x5e^"
                "Registrant Contact Email: ops@example.cn^Sponsoring Registrar: "
                "\xd6\xd0\xce\xc4^",
                whole);
    EXPECT_EQ(row.status, Found);
    EXPECT_EQ(whole.owner, "兰亭示例 \xe4\xb9\x9b"); // U+4E5B is GBK 0x81 0x5E
    EXPECT_EQ(whole.registrar, "中文");
    EXPECT_EQ(whole.email, "ops@example.cn");
    EXPECT_EQ(std::string(row.owner), "\xc0\xbc\xcd\xa4\xca\xbe\xc0\xfd \x81\x5e");
    EXPECT_EQ(std::string(row.registrar), "\xd6\xd0\xce\xc4");
}

TEST(ParseAnswerWhole, NothingIsLeftFromAnEarlierRead) {
    DomainRecord row = OldRow(ServerCn);
    CheckValues whole;
    whole.owner = "left over";
    ParseAnswer(row, ServerCn, "no matching record^", whole);
    EXPECT_EQ(row.status, NotRegistered);
    EXPECT_EQ(whole, CheckValues{});
}

} // namespace
