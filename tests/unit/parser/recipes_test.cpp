// Each registry's recipe on answers shaped like that registry's, old and
// today's: every field the recipe writes, and the old content of every field
// it must leave alone.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "engine/answerparser.h"
#include "engine/whoisservers.h"
#include "parserfixture.h"

using parsertest::CaretAnswer;
using parsertest::OldRow;

namespace {

using Want = std::optional<std::string>; // nullopt: the field keeps its old text
const Want kKeep = std::nullopt;

std::string Blanks(std::size_t n, const std::string& then) {
    return std::string(n, ' ') + then;
}

struct RecipeCase {
    const char* name;
    const char* server;
    const char* file;
    int32_t status;
    Want created, expiry, updated, owner, email, phone, registrar;
};

void PrintTo(const RecipeCase& c, std::ostream* os) {
    *os << c.name;
}

// GBK bytes of the Chinese names in the .cn answers.
const std::string kLanqiaoGbk =
    "\xba\xbc\xd6\xdd\xc0\xb6\xc7\xc5\xc8\xed\xbc\xfe\xb9\xa4\xd7\xf7\xca\xd2";
const std::string kRegistrarGbk =
    "\xca\xbe\xc0\xfd\xcd\xf8\xc2\xe7\xbf\xc6\xbc\xbc\xd3\xd0\xcf\xde\xb9\xab\xcb\xbe";

const std::string kHkOwner2010 =
    "  HKDNR ^^^^^^^Administrative Contact Information:^^^Given name: WING    ^Family name: "
    "CHAN  ^Company name: JADE FERRY TRADING LIMITED^Address: 18/F HARBOUR VIEW TOWER  88 "
    "CONNAUGHT ROAD  CENTRAL^Country: HK^Phone: +852-55501234^Fax: ^Email: wing.cha";

const std::vector<RecipeCase> kCases = {
    // .com/.net: the thin registry's own answer, 2009 and today.
    {"ComThin2009", ServerComNet, "comnet/thin-2009.txt", Found, "11-may-2004", "11-may-2012",
     "02-jun-2009", " BLUEFIN NAMES, INC.", kKeep, kKeep, ""},
    {"ComThinToday", ServerComNet, "comnet/thin-today.txt", Found, "2006-03-21 17:40:09",
     "2027-03-21 17:40:09", "2023-11-02 08:14:27", " Bluefin Names, Inc.", kKeep, kKeep, ""},
    // The registrar's answer that a referral adopts, still read by the .com recipe.
    {"ComRegistrarReferral", ServerComNet, "comnet/registrar-today.txt", Found,
     "2004-05-11 09:21:33-0700", "2028-05-11 00:00:00-0700", "2023-04-11 05:12:40-0700",
     " Bluefin Names, Inc.", kKeep, kKeep, ""},
    {"ComNotRegistered", ServerComNet, "comnet/notregistered.txt", NotRegistered, kKeep, kKeep,
     kKeep, kKeep, kKeep, kKeep, kKeep},

    // .cc through the registrar's server: dates stop at the timestamp's "T".
    {"CcRegistered", ServerCc, "cc/registered.txt", Found, " 2015-08-26", " 2026-08-26",
     "2024-05-17", " Lin Qiaoyun^^", "owner@pebblecove.cc^^", "+86.5925551234^^",
     "Xiamen Sample Network Co., Ltd.^^"},
    {"CcNotRegistered", ServerCc, "cc/notregistered.txt", NotRegistered, kKeep, kKeep, kKeep, kKeep,
     kKeep, kKeep, kKeep},

    // .info: the 2009 "Label:Value" shape by its own table; today's shape,
    // without "Created On:", by today's table.
    {"Info2009", ServerInfo, "info/afilias-2009.txt", Found, "03-Apr-2006 11:02:17 UTC^^",
     "03-Apr-2011 11:02:17 UTC^^", "19-Feb-2009 08:30:44 UTC^^", "Tobias Ferrant^^",
     "tobias@ferrantmaps.info^^Admin ID:C4411-LRMS^^Admi", kKeep,
     "Kestrel Domains Ltd. (R288-LRMS)^^"},
    {"InfoToday", ServerInfo, "info/today.txt", Found, "2006-04-03T11:02:17Z",
     "2027-04-03T11:02:17Z", "2023-03-01T08:30:44Z", "Tobias Ferrant", "tobias@ferrantmaps.info",
     kKeep, "Kestrel Domains Ltd."},
    {"InfoNotRegistered2009", ServerInfo, "info/notregistered-2009.txt", NotRegistered, kKeep,
     kKeep, kKeep, kKeep, kKeep, kKeep, kKeep},
    {"InfoNotRegistered2019", ServerInfo, "info/notregistered-2019.txt", NotRegistered, kKeep,
     kKeep, kKeep, kKeep, kKeep, kKeep, kKeep},
    {"InfoNotRegisteredToday", ServerInfo, "info/notregistered-today.txt", NotRegistered, kKeep,
     kKeep, kKeep, kKeep, kKeep, kKeep, kKeep},

    // .tv: with the banner, only the part between it and "NOTICE:" is read;
    // today's answers have no banner and are read whole.
    {"Tv2009", ServerTv, "tv/thin-2009.txt", Found, " 21-jun-2007^   ", " 21-jun-2011^^^",
     " 14-oct-2009^   ", "N/A", "N/A", kKeep, " HARBORLIGHT NAMES, LLC^   "},
    {"TvNotRegistered2009", ServerTv, "tv/notregistered-2009.txt", NotRegistered, kKeep, kKeep,
     kKeep, kKeep, kKeep, kKeep, kKeep},
    {"TvToday", ServerTv, "tv/today.txt", Found, "2007-06-21T14:43:36Z", "2027-06-21T14:43:36Z",
     "2023-06-01T09:25:47Z", "", "", kKeep, "Harborlight Names, LLC"},
    {"TvNotRegisteredToday", ServerTv, "tv/notregistered-today.txt", NotRegistered, kKeep, kKeep,
     kKeep, kKeep, kKeep, kKeep, kKeep},

    // .jp: the date labels are found by their ISO-2022-JP bytes only.
    {"JpIso2022", ServerJp, "jp/registered-iso2022jp.txt", Found, Blanks(20, "2008/04/15^"),
     Blanks(22, "2027/04/30^"), Blanks(22, "2026/05/01 01:05:1"),
     Blanks(20, "Sakuramori Shobo Co., Ltd.^^"), Blanks(25, "hostmaster@sakuramori.jp^"), kKeep,
     "N/A"},
    {"JpUtf8Labels", ServerJp, "jp/registered-utf8.txt", Found, "", "", "",
     Blanks(20, "Sakuramori Shobo Co., Ltd.^^"), Blanks(25, "hostmaster@sakuramori.jp^"), kKeep,
     "N/A"},
    {"JpEnglish", ServerJp, "jp/registered-en.txt", Found, "", "", "",
     Blanks(20, "Sakuramori Shobo Co., Ltd.^^"), Blanks(25, "hostmaster@sakuramori.jp^"), kKeep,
     "N/A"},
    {"JpWithoutDomainNameLabel", ServerJp, "jp/organisation-utf8.txt", Found, "", "", "", "", "",
     kKeep, "N/A"},
    {"JpNotRegistered", ServerJp, "jp/notregistered.txt", NotRegistered, kKeep, kKeep, kKeep, kKeep,
     kKeep, kKeep, kKeep},

    // .hk: the registrar's name goes to owner; the values run to far-off labels.
    {"Hk2010", ServerHk, "hk/hkdnr-2010.txt", Found, " 05-11-2005^Expiry Date: 05-11-2011 ^Re-",
     " 05-11-2011 ^", "N/A", kHkOwner2010, " admin@jadeferry.hk ^", kKeep, "N/A"},
    {"HkToday", ServerHk, "hk/today.txt", Found, " 05-11-2005^Expiry Date: 05-11-2027 ^Re-",
     " 05-11-2027 ^", "N/A", "", " support@harbourside.example^^Reseller: ^^CDN Vari", kKeep,
     "N/A"},
    {"HkNotRegistered2010", ServerHk, "hk/notregistered-2010.txt", NotRegistered, kKeep, kKeep,
     kKeep, kKeep, kKeep, kKeep, kKeep},
    {"HkNotRegisteredToday", ServerHk, "hk/notregistered-today.txt", NotRegistered, kKeep, kKeep,
     kKeep, kKeep, kKeep, kKeep, kKeep},

    // .edu: LF lines with a few CR LF ones, and today's tab-indented shape.
    {"Edu2009", ServerEdu, "edu/2009.txt", Found, "    19-Aug-1996^", Blanks(13, "31-Jul-2010^^^^"),
     " 07-Jul-2009^", "N/A", "N/A", kKeep, "N/A"},
    {"EduToday", ServerEdu, "edu/today.txt", Found, "    19-Aug-1996^", Blanks(13, "31-Jul-2027^"),
     " 12-Jun-2026^", "N/A", "N/A", kKeep, "N/A"},
    {"EduNotRegistered2009", ServerEdu, "edu/notregistered-2009.txt", NotRegistered, kKeep, kKeep,
     kKeep, kKeep, kKeep, kKeep, kKeep},
    {"EduNotRegisteredToday", ServerEdu, "edu/notregistered-today.txt", NotRegistered, kKeep, kKeep,
     kKeep, kKeep, kKeep, kKeep, kKeep},

    // .biz: labels padded to column 46, so long dates lose their tail at 40 bytes.
    {"Biz2009", ServerBiz, "biz/neustar-2009.txt", Found, Blanks(20, "Wed Mar 13 10:22:41 "),
     Blanks(22, "Sat Mar 12 23:59:5"), Blanks(20, "Mon Apr 06 09:15:30 "),
     Blanks(29, "Oskar Lindqvist^"), Blanks(28, "oskar@willowbridge.biz"), kKeep,
     Blanks(24, "KESTREL DOMAINS LTD.^")},
    {"BizToday", ServerBiz, "biz/today.txt", Found, "2002-03-13T10:22:41Z", "2027-03-12T23:59:59Z",
     "2023-03-05T09:15:30Z", "Oskar Lindqvist", "oskar@willowbridge.biz", kKeep,
     "Kestrel Domains Ltd."},
    {"BizNotRegistered2009", ServerBiz, "biz/notregistered-2009.txt", NotRegistered, kKeep, kKeep,
     kKeep, kKeep, kKeep, kKeep, kKeep},
    {"BizNotRegisteredToday", ServerBiz, "biz/notregistered-today.txt", NotRegistered, kKeep, kKeep,
     kKeep, kKeep, kKeep, kKeep, kKeep},

    // .org: in 2009 the record lies between the terms' last sentence and
    // "Tech Email:"; since then the terms come last and today's table reads
    // the record, also in the transitional "Label:value" years.
    {"Org2009", ServerOrg, "org/afilias-2009.txt", Found, "14-Jan-2003 16:20:05 UTC^^",
     "14-Jan-2013 16:20:05 UTC^^", "02-Dec-2008 10:01:59 UTC^^", "Agnes Pell^^",
     "secretary@weirfriends.org^^", kKeep, "Kestrel Domains Ltd. (R61-LROR)^^"},
    // The registry writes "REDACTED" as the name: stored as written. The
    // e-mail line is a sentence, cut to the field's 50 bytes.
    {"OrgToday", ServerOrg, "org/today.txt", Found, "2003-01-14T16:20:05Z", "2029-01-14T16:20:05Z",
     "2024-02-02T10:01:59Z", "REDACTED", "Please query the RDDS service of the Registrar of ",
     kKeep, "Kestrel Domains Ltd."},
    // No registrant lines at all, and a sentence before the record.
    {"OrgTodayRegistryLock", ServerOrg, "org/today-registry-lock.txt", Found,
     "2003-01-14T16:20:05Z", "2030-01-14T16:20:05Z", "2025-09-02T10:01:59Z", "", "", kKeep,
     "Kestrel Domains Ltd."},
    {"OrgTransitional", ServerOrg, "org/transitional.txt", Found, "2003-01-14T16:20:05Z",
     "2015-01-14T16:20:05Z", "2013-12-02T10:01:59Z", "Agnes Pell", "secretary@weirfriends.org",
     kKeep, "Kestrel Domains Ltd. (R61-LROR)"},
    {"OrgNotRegistered2009", ServerOrg, "org/notregistered-2009.txt", NotRegistered, kKeep, kKeep,
     kKeep, kKeep, kKeep, kKeep, kKeep},
    {"OrgNotRegisteredToday", ServerOrg, "org/notregistered-today.txt", NotRegistered, kKeep, kKeep,
     kKeep, kKeep, kKeep, kKeep, kKeep},

    // .cn: converted from UTF-8 before the cuts, so Chinese names arrive as GBK.
    {"Cn2015", ServerCn, "cn/2015.txt", Found, "2009-06-02 10:41:27", "2016-06-02 10:41:27", "N/A",
     "Lanqiao Software Studio^", "admin@lanqiao.cn", kKeep,
     " Sample Network Technology Co., Ltd.^"},
    {"CnTodayChinese", ServerCn, "cn/today.txt", Found, "2009-06-02 10:41:27",
     "2027-06-02 10:41:27", "N/A", kLanqiaoGbk + "^", "admin@lanqiao.cn", kKeep,
     " " + kRegistrarGbk + "^"},
    {"CnNotRegistered2010", ServerCn, "cn/notregistered-2010.txt", NotRegistered, kKeep, kKeep,
     kKeep, kKeep, kKeep, kKeep, kKeep},
    {"CnNotRegisteredToday", ServerCn, "cn/notregistered-today.txt", NotRegistered, kKeep, kKeep,
     kKeep, kKeep, kKeep, kKeep, kKeep},
};

class RecipeOnAnswer : public ::testing::TestWithParam<RecipeCase> {};

void ExpectField(const char* field, const char* old, const Want& want, const char* what) {
    EXPECT_EQ(std::string(field), want.value_or(old)) << what;
}

TEST_P(RecipeOnAnswer, FillsItsFieldsAndNoOthers) {
    const RecipeCase& c = GetParam();
    DomainRecord row = OldRow(c.server);
    ParseAnswer(row, CaretAnswer(c.file));

    EXPECT_EQ(row.status, c.status);
    ExpectField(row.createdDate, "old-created", c.created, "createdDate");
    ExpectField(row.expiryDate, "old-expiry", c.expiry, "expiryDate");
    ExpectField(row.updatedDate, "old-updated", c.updated, "updatedDate");
    ExpectField(row.owner, "old-owner", c.owner, "owner");
    ExpectField(row.email, "old-email", c.email, "email");
    ExpectField(row.phone, "old-phone", c.phone, "phone");
    ExpectField(row.registrar, "old-registrar", c.registrar, "registrar");
    // Never written by the parser.
    EXPECT_STREQ(row.whoisServer, c.server);
    EXPECT_STREQ(row.domain, "old.example");
    EXPECT_EQ(row.answered, 1);
}

INSTANTIATE_TEST_SUITE_P(Registries, RecipeOnAnswer, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
