// The rules around the recipes: not-registered markers, the choice of recipe,
// empty answers, second cuts, trims, code-page conversion and field widths.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "engine/answerparser.h"
#include "engine/whoisservers.h"
#include "parserfixture.h"

using parsertest::OldRow;
using parsertest::SameRow;
using parsertest::Snapshot;

namespace {

struct MarkerCase {
    const char* name;
    const char* server;
    const char* answer; // already with "^" line ends
    bool notRegistered;
};

const std::vector<MarkerCase> kMarkers = {
    {"ComExact", ServerComNet, "No match for \"NOBODY.COM\".^>>> Last update <<<^", true},
    {"ComUpperCase", ServerComNet, "NO MATCH FOR \"NOBODY.COM\".^", false},
    {"ComMarkerInsideRecord", ServerComNet, "   Domain Name: A.COM^   Remark: No match for B^",
     true},
    {"CcExact", ServerCc, "No match for \"NOBODY.CC\".^", true},
    {"CcLowerCase", ServerCc, "no match for \"NOBODY.CC\".^", false},
    {"InfoExact", ServerInfo, "NOT FOUND^", true},
    {"InfoMixedCase", ServerInfo, "Not found^", false},
    {"InfoToday", ServerInfo, "Domain not found.^>>> Last update <<<^", true},
    {"InfoTodayLowerCase", ServerInfo, "domain not found.^", false},
    {"TvInsideCut", ServerTv,
     "Go to http://x/ for detailed information.^^No match for \"N.TV\".^^NOTICE: terms^", true},
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
    {"JpOtherCase", ServerJp, "No Match!!^", false},
    {"HkExact", ServerHk, "Domain Not Found^", true},
    {"HkLowerCase", ServerHk, "Domain not found^", false},
    {"HkToday", ServerHk, "The domain has not been registered.^", true},
    {"EduExact", ServerEdu, "--------^^No Match^^", true},
    {"EduToday", ServerEdu, "NO MATCH: nobody.edu^", true},
    {"EduUpperCaseWithoutColon", ServerEdu, "NO MATCH nobody.edu^", false},
    {"BizExact", ServerBiz, "Not found: nobody.biz^", true},
    {"BizUpperCase", ServerBiz, "NOT FOUND^", false},
    {"BizToday", ServerBiz, "No Data Found^URL of the ICANN Whois Inaccuracy Complaint Form^",
     true},
    {"BizTodayOtherCase", ServerBiz, "No data found^", false},
    {"OrgExact", ServerOrg, "NOT FOUND^", true},
    // Tested on the whole answer, before the .org cut narrows it.
    {"OrgOutsideLaterCut", ServerOrg,
     "you agree to abide by this policy.^Domain ID:D1^Tech Email:a@b.org^NOT FOUND^", true},
    {"OrgToday", ServerOrg, "Domain not found.^>>> Last update <<<^", true},
    {"OrgTodayLowerCase", ServerOrg, "domain not found.^", false},
    {"CnExact", ServerCn, "no matching record^", true},
    {"CnToday", ServerCn, "No matching record.^", true},
    {"CnTodayWithoutPeriod", ServerCn, "No matching record^", false},
};

void PrintTo(const MarkerCase& c, std::ostream* os) {
    *os << c.name;
}

class NotRegisteredMarker : public ::testing::TestWithParam<MarkerCase> {};

TEST_P(NotRegisteredMarker, IsMatchedExactlyAsWritten) {
    const MarkerCase& c = GetParam();
    DomainRecord row = OldRow(c.server);
    ParseAnswer(row, c.answer);
    if (c.notRegistered) {
        DomainRecord want = OldRow(c.server);
        want.status = NotRegistered;
        EXPECT_TRUE(SameRow(row, want)) << "a not-registered answer changes only the status";
    } else {
        EXPECT_EQ(row.status, Found);
    }
}

INSTANTIATE_TEST_SUITE_P(Recipes, NotRegisteredMarker, ::testing::ValuesIn(kMarkers),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------

const char* const kComAnswer = "   Creation Date: 2001-02-03T04:05:06Z^   Registrar: R Inc.^";

TEST(ParseAnswerDispatch, ServerOutsideTheTenLeavesTheRowAlone) {
    const std::vector<std::string> servers = {
        "",
        "whois.example.net",
        "WHOIS.VERISIGN-GRS.COM",  // compared byte for byte
        "whois.verisign-grs.com ", // whole string, no trimming
        "whois.verisign-grs",      // not a prefix match
    };
    for (const std::string& server : servers) {
        DomainRecord row = OldRow(server.c_str(), NotRegistered);
        const DomainRecord before = Snapshot(row);
        ParseAnswer(row, kComAnswer);
        EXPECT_TRUE(SameRow(row, before)) << "server \"" << server << "\"";
    }
}

TEST(ParseAnswerDispatch, EmptyAnswerIsAnErrorWhateverTheServer) {
    for (const char* server : {ServerComNet, ServerCn, ServerJp, "", "whois.example.net"}) {
        DomainRecord row = OldRow(server, Found);
        DomainRecord want = Snapshot(row);
        want.status = Error;
        ParseAnswer(row, "");
        EXPECT_TRUE(SameRow(row, want)) << "server \"" << server << "\"";
    }
}

TEST(ParseAnswerDispatch, RefusedQueryIsAnErrorNotARegisteredDomain) {
    const std::pair<const char*, const char*> refusals[] = {
        {ServerOrg, "WHOIS LIMIT EXCEEDED - SEE WWW.EXAMPLE.ORG/WHOIS FOR DETAILS^"},
        {ServerComNet, "You have exceeded your quota of queries.^^"},
    };
    for (const auto& [server, answer] : refusals) {
        DomainRecord row = OldRow(server, Found);
        DomainRecord want = Snapshot(row);
        want.status = Error;
        ParseAnswer(row, answer);
        EXPECT_TRUE(SameRow(row, want)) << answer;
    }
}

TEST(ParseAnswerDispatch, EveryEndpointHasItsRecipe) {
    for (const char* server : {ServerComNet, ServerCc, ServerInfo, ServerTv, ServerJp, ServerHk,
                               ServerEdu, ServerBiz, ServerOrg, ServerCn}) {
        DomainRecord row = OldRow(server, Error);
        ParseAnswer(row, "nothing a recipe knows^");
        EXPECT_EQ(row.status, Found) << server;
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
    if (field == "created")
        return row.createdDate;
    if (field == "expiry")
        return row.expiryDate;
    if (field == "updated")
        return row.updatedDate;
    if (field == "owner")
        return row.owner;
    if (field == "email")
        return row.email;
    if (field == "phone")
        return row.phone;
    if (field == "registrar")
        return row.registrar;
    ADD_FAILURE() << "no field " << field;
    return {};
}

const std::vector<CutCase> kCuts = {
    // .com expiry: "Expiration Date:" first, "Expiry Date:" only when that cut is empty.
    {"ComExpirationWins", ServerComNet,
     "Expiration Date: 2027-01-02T03:04:05Z^Registry Expiry Date: 2030-01-01T00:00:00Z^", "expiry",
     "2027-01-02 03:04:05"},
    {"ComExpiryDateWhenNoExpirationLabel", ServerComNet,
     "   Registry Expiry Date: 2029-02-03T00:00:00Z^", "expiry", "2029-02-03 00:00:00"},
    {"ComExpiryDateWhenExpirationEmpty", ServerComNet,
     "Registrar Registration Expiration Date:^Registry Expiry Date: 2029-02-03T00:00:00Z^",
     "expiry", "2029-02-03 00:00:00"},
    // A blank after the label is a non-empty first cut: no second cut, and
    // CleanDate trims it to nothing.
    {"ComExpirationOnlyBlank", ServerComNet,
     "Expiration Date: ^Registry Expiry Date: 2029-02-03T00:00:00Z^", "expiry", ""},
    {"ComNoExpiryLabelAtAll", ServerComNet, "Creation Date: 2001-01-01^", "expiry", ""},
    {"ComRegistrarAfterBlank", ServerComNet, "   Sponsoring Registrar NAMEWORKS LLC^", "registrar",
     "NAMEWORKS LLC"},
    {"ComRegistrarNameGoesToOwner", ServerComNet, "   Registrar: NAMEWORKS LLC^", "owner",
     " NAMEWORKS LLC"},
    // .cc: trim left takes blanks and tabs but not "^".
    {"CcUpdatedTrimmed", ServerCc, ">>> Last update of WHOIS database:\t 2024-05-17T09:41:30Z <<<",
     "updated", "2024-05-17"},
    {"CcCaretIsNotWhiteSpace", ServerCc, "Registrant Email:^owner@x.cc^Registry Admin ID:^",
     "email", "^owner@x.cc^"},
    {"CcCreatedKeepsItsBlank", ServerCc, "Creation Date: 2015-08-26T11:47:02Z^", "created",
     " 2015-08-26"},
    {"CcRegistrarStopsAtNextRegistrar", ServerCc,
     "Registrar: Sample Registrar Co.^Registrar IANA ID: 1^", "registrar", "Sample "},
    // .edu: the expiry runs to the end of the answer, cut to 40 bytes.
    {"EduExpiryToEndCutAt40", ServerEdu,
     "Domain expires:             31-Jul-2027^^% Consult the registry for more.^", "expiry",
     "             31-Jul-2027^^% Consult the "},
    // .jp: the text after "[Domain Name]" is converted from UTF-8.
    {"JpOwnerConvertedToGbk", ServerJp,
     "[Domain Name]  A.JP^[Registrant]  \xe3\x81\x95\xe3\x81\x8f\xe3\x82\x89^[Name Server]",
     "owner", "  \xa4\xb5\xa4\xaf\xa4\xe9^"},
    // .jp: a label before "[Domain Name]" is cut away with the header.
    {"JpLabelBeforeDomainName", ServerJp, "[Email] early@a.jp[Web Page]^[Domain Name] A.JP^",
     "email", ""},
    // .tv: without "NOTICE:" the cut runs to the end of the answer.
    {"TvWithoutNotice", ServerTv,
     "for detailed information.^   Registrar: KITE LLC^   Whois Server: w^", "registrar",
     " KITE LLC^   "},
    // Old or today's layout, by the registry's old anchor in the answer.
    {"InfoAnchorKeepsOldTable", ServerInfo,
     "Created On:03-Apr-2006^Last Updated On:x^Creation Date: 2001-01-01T00:00:00Z^", "created",
     "03-Apr-2006^"},
    {"InfoWithoutAnchorReadsToday", ServerInfo, "Creation Date: 2001-01-01T00:00:00Z^", "created",
     "2001-01-01T00:00:00Z"},
    {"BizAnchorKeepsOldTable", ServerBiz,
     "Domain Registration Date: D1^Domain Expiration Date: D2^Creation Date: C^", "created",
     " D1^"},
    {"OrgAnchorKeepsOldTable", ServerOrg,
     "you agree to abide by this policy.^Created On:14-Jan-2003^Last Updated On:x^Creation Date: "
     "C^Tech Email:t^",
     "created", "14-Jan-2003^"},
    {"TvBannerKeepsOldTable", ServerTv,
     "for detailed information.^   Registrar: KITE LLC^   Whois Server: w^NOTICE: x^", "registrar",
     " KITE LLC^   "},
    {"TvWithoutBannerReadsToday", ServerTv, "   Registrar: KITE LLC^   Registrar IANA ID: 9^",
     "registrar", "KITE LLC"},
    // Today's table: name, else organisation; a name of blanks counts as none.
    {"TodayNameWins", ServerBiz, "Registrant Name: Ann Lee^Registrant Organization: Lee AB^",
     "owner", "Ann Lee"},
    {"TodayOrganisationWithoutName", ServerBiz,
     "Registry Registrant ID: ^Registrant Organization: Lee AB^Registrant Country: SE^", "owner",
     "Lee AB"},
    {"TodayBlankNameGivesWay", ServerBiz, "Registrant Name: \t ^Registrant Organization: Lee AB^",
     "owner", "Lee AB"},
    {"TodayNeitherNameNorOrganisation", ServerOrg, "Registrant Country: GB^", "owner", ""},
    // A registrar's own answer has no registry expiry line.
    {"TodayRegistryExpiryWins", ServerInfo,
     "Registry Expiry Date: 2027-04-03T11:02:17Z^Registrar Registration Expiration Date: "
     "2028-01-01T00:00:00Z^",
     "expiry", "2027-04-03T11:02:17Z"},
    {"TodayRegistrarExpiryWhenNoRegistryExpiry", ServerTv,
     "Registrar Registration Expiration Date: 2028-05-11T00:00:00-0700^", "expiry",
     "2028-05-11T00:00:00-0700"},
    {"TodayLabelWithoutValue", ServerBiz, "Updated Date:^Creation Date: 2002-03-13T10:22:41Z^",
     "updated", ""},
    {"TodayValueTrimmed", ServerOrg, "Registrar:\t Kestrel Domains Ltd. \t^", "registrar",
     "Kestrel Domains Ltd."},
    {"TodayValueAtTheEnd", ServerInfo, "Registrant Email: a@b.info", "email", "a@b.info"},
    // .cn: converted to GBK; a character GBK cannot hold becomes "?".
    {"CnConvertedAndUnmappableMarked", ServerCn,
     "Registrant: Caf\xc3\xa9 \xf0\x9f\x8c\xb8^Registrant Contact Email: a@b.cn^", "owner",
     "Caf\xa8\xa6 ?^"},
};

void PrintTo(const CutCase& c, std::ostream* os) {
    *os << c.name;
}

class FieldCut : public ::testing::TestWithParam<CutCase> {};

TEST_P(FieldCut, StoresTheCutValue) {
    const CutCase& c = GetParam();
    DomainRecord row = OldRow(c.server);
    ParseAnswer(row, c.answer);
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
        DomainRecord row = OldRow(ServerCn);
        ParseAnswer(row, answer);
        const std::string stored = c.owner ? row.owner : row.registrar;
        const int chars = static_cast<int>((c.bytes - c.lead.size()) / 2);
        EXPECT_EQ(stored.size(), c.bytes) << c.name;
        EXPECT_EQ(stored, c.lead + Repeat(kLanGbk, chars)) << c.name;
    }
}

// ---------------------------------------------------------------------------

TEST(CleanDate, TurnsTimestampsIntoPlainText) {
    struct Case {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {" 1997-09-15T04:00:00Z", "1997-09-15 04:00:00"},
        {" 2028-09-13T00:00:00-0700", "2028-09-13 00:00:00-0700"},
        {" 15-mar-2010", "15-mar-2010"},
        {"\t 15-mar-2010 \r\n", "15-mar-2010"},
        {"", ""},
        {"   ", ""},
        {"2010-03-23t00:00:00z", "2010-03-23t00:00:00z"}, // only capitals change
        {" 2010-03-23^^", "2010-03-23^^"},                // "^" is not white space
        {"TZ", ""},                                       // whole text, not only dates
        {"Tuesday Zone", "uesday one"},
        {"T2010-01-01", "2010-01-01"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CleanDate(c.in), c.out) << "input \"" << c.in << "\"";
    }
}

} // namespace
