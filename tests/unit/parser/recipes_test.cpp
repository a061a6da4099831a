// SPDX-License-Identifier: MIT
// Each registry's recipe on answers shaped like that registry's, old and
// today's: every field the recipe writes, and the old content of every field
// it must leave alone.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/ccore.h"
#include "engine/whois/answerparser.h"
#include "engine/whois/whoisservers.h"
#include "parserfixture.h"

using parsertest::CaretAnswer;
using parsertest::OldRow;

namespace {

using Want = std::optional<std::string>; // nullopt: the field keeps its old text
const Want kKeep = std::nullopt;

// GBK bytes of a UTF-8 text: what the table stores for it.
std::string Gbk(std::string utf8) {
    CCore::UTF8_ANSI(utf8);
    return utf8;
}

struct RecipeCase {
    const char* name;
    const char* server;
    const char* file;
    int32_t status;
    Want created, expiry, updated, owner, email, phone, registrar;
};

// An answer saying the name is free: only the status changes.
RecipeCase NotRegisteredCase(const char* name, const char* server, const char* file) {
    return {name, server, file, NotRegistered, kKeep, kKeep, kKeep, kKeep, kKeep, kKeep, kKeep};
}

void PrintTo(const RecipeCase& c, std::ostream* os) {
    *os << c.name;
}

const std::vector<RecipeCase> kCases = {
    // .com/.net: the thin registry's own answer, 2009 and today. "Registrar:"
    // names the registrar; the registry names no registrant.
    {"ComThin2009", ServerComNet, "comnet/thin-2009.txt", Found, "2004-05-11", "2012-05-11",
     "2009-06-02", "", "", kKeep, "BLUEFIN NAMES, INC."},
    {"ComThinToday", ServerComNet, "comnet/thin-today.txt", Found, "2006-03-21", "2027-03-21",
     "2023-11-02", "", "", kKeep, "Bluefin Names, Inc."},
    // The registrar's answer that a referral adopts: the organisation first.
    {"ComRegistrarReferral", ServerComNet, "comnet/registrar-today.txt", Found, "2004-05-11",
     "2028-05-11", "2023-04-11", "Lanternfield Studio", "mira@lanternfield.com", kKeep,
     "Bluefin Names, Inc."},
    // An older registrar layout: a "Registrant:" block, dot leaders.
    {"ComRegistrar2011", ServerComNet, "comnet/registrar-2011.txt", Found, "2004-05-11",
     "2012-05-11", "2011-02-11", "Mira Holloway", "", kKeep, "Bluefinnames.example"},
    // Name redacted, organisation blank, e-mail a web form: all empty.
    {"ComRegistrarRedacted", ServerComNet, "comnet/registrar-redacted.txt", Found, "2004-05-11",
     "2029-05-11", "2025-04-11", "", "", kKeep, "Bluefin Names, Inc."},
    NotRegisteredCase("ComNotRegistered", ServerComNet, "comnet/notregistered.txt"),

    // .cc through the registrar's server; the only recipe that writes the phone.
    {"CcRegistered", ServerCc, "cc/registered.txt", Found, "2015-08-26", "2026-08-26", "2024-01-09",
     "Lin Qiaoyun", "owner@pebblecove.cc", "+86.5925551234", "Xiamen Sample Network Co., Ltd."},
    {"CcRegistryExpiry", ServerCc, "cc/registry-today.txt", Found, "2015-08-26", "2027-08-26",
     "2025-01-09", "", "", "", "Xiamen Sample Network Co., Ltd."},
    NotRegisteredCase("CcNotRegistered", ServerCc, "cc/notregistered.txt"),

    // .info: the 2009 "Label:Value" shape and today's.
    {"Info2009", ServerInfo, "info/afilias-2009.txt", Found, "2006-04-03", "2011-04-03",
     "2009-02-19", "Tobias Ferrant", "tobias@ferrantmaps.info", kKeep,
     "Kestrel Domains Ltd. (R288-LRMS)"},
    {"InfoToday", ServerInfo, "info/today.txt", Found, "2006-04-03", "2027-04-03", "2023-03-01",
     "Tobias Ferrant", "tobias@ferrantmaps.info", kKeep, "Kestrel Domains Ltd."},
    NotRegisteredCase("InfoNotRegistered2009", ServerInfo, "info/notregistered-2009.txt"),
    NotRegisteredCase("InfoNotRegistered2019", ServerInfo, "info/notregistered-2019.txt"),
    NotRegisteredCase("InfoNotRegisteredToday", ServerInfo, "info/notregistered-today.txt"),

    // .tv: under the old banner the thin table (no registrant: "N/A"); today's
    // answers name none either.
    {"Tv2009", ServerTv, "tv/thin-2009.txt", Found, "2007-06-21", "2011-06-21", "2009-10-14", "N/A",
     "N/A", kKeep, "HARBORLIGHT NAMES, LLC"},
    NotRegisteredCase("TvNotRegistered2009", ServerTv, "tv/notregistered-2009.txt"),
    {"TvToday", ServerTv, "tv/today.txt", Found, "2007-06-21", "2027-06-21", "2023-06-01", "", "",
     kKeep, "Harborlight Names, LLC"},
    NotRegisteredCase("TvNotRegisteredToday", ServerTv, "tv/notregistered-today.txt"),

    // .jp: three layouts; the Japanese one in ISO-2022-JP and in UTF-8. The
    // registrant's name in the registry's own language comes first.
    {"JpIso2022", ServerJp, "jp/registered-iso2022jp.txt", Found, "2008-04-15", "2027-04-30",
     "2026-05-01", Gbk("さくら森書房株式会社"), "hostmaster@sakuramori.jp", kKeep, "N/A"},
    {"JpUtf8", ServerJp, "jp/registered-utf8.txt", Found, "2008-04-15", "2027-04-30", "2026-05-01",
     Gbk("さくら森書房株式会社"), "hostmaster@sakuramori.jp", kKeep, "N/A"},
    {"JpEnglish", ServerJp, "jp/registered-en.txt", Found, "2008-04-15", "2010-04-30", "2009-05-01",
     "Sakuramori Shobo Co., Ltd.", "hostmaster@sakuramori.jp", kKeep, "N/A"},
    // An organisation's name: it stays connected until the date in [State].
    {"JpOrganisationUtf8", ServerJp, "jp/organisation-utf8.txt", Found, "2001-01-12", "2027-01-31",
     "2026-02-01", Gbk("かわせみ工業株式会社"), "", kKeep, "N/A"},
    {"JpOrganisationIso2022", ServerJp, "jp/organisation-iso2022jp.txt", Found, "2001-01-12",
     "2027-01-31", "2026-02-01", Gbk("かわせみ工業株式会社"), "", kKeep, "N/A"},
    {"JpOrganisationEnglish", ServerJp, "jp/organisation-en.txt", Found, "2001-01-12", "2027-01-31",
     "2026-02-01", "Kawasemi Kogyo Co., Ltd.", "", kKeep, "N/A"},
    NotRegisteredCase("JpNotRegistered", ServerJp, "jp/notregistered.txt"),

    // .hk: dates day first; the holder from the registrant's block, the
    // registrar's e-mail never taken for the holder's.
    {"Hk2010", ServerHk, "hk/hkdnr-2010.txt", Found, "2005-11-05", "2011-11-05", "N/A",
     "JADE FERRY TRADING LIMITED", "admin@jadeferry.hk", kKeep, "HKDNR"},
    {"HkToday", ServerHk, "hk/today.txt", Found, "2005-11-05", "2027-11-05", "N/A",
     "JADE FERRY TRADING LIMITED", "admin@jadeferry.hk", kKeep, "HARBOURSIDE DOMAINS LIMITED"},
    NotRegisteredCase("HkNotRegistered2010", ServerHk, "hk/notregistered-2010.txt"),
    NotRegisteredCase("HkNotRegisteredToday", ServerHk, "hk/notregistered-today.txt"),

    // .edu: the registrant is the first line of its block (indented with
    // blanks in 2009, with a TAB today).
    {"Edu2009", ServerEdu, "edu/2009.txt", Found, "1996-08-19", "2010-07-31", "2009-07-07",
     "Northridge State College", "N/A", kKeep, "N/A"},
    {"EduToday", ServerEdu, "edu/today.txt", Found, "1996-08-19", "2027-07-31", "2026-06-12",
     "Northridge State College", "N/A", kKeep, "N/A"},
    NotRegisteredCase("EduNotRegistered2009", ServerEdu, "edu/notregistered-2009.txt"),
    NotRegisteredCase("EduNotRegisteredToday", ServerEdu, "edu/notregistered-today.txt"),

    // .biz: labels padded to column 46 in 2009.
    {"Biz2009", ServerBiz, "biz/neustar-2009.txt", Found, "2002-03-13", "2011-03-12", "2009-04-06",
     "Oskar Lindqvist", "oskar@willowbridge.biz", kKeep, "KESTREL DOMAINS LTD."},
    {"BizToday", ServerBiz, "biz/today.txt", Found, "2002-03-13", "2027-03-12", "2023-03-05",
     "Oskar Lindqvist", "oskar@willowbridge.biz", kKeep, "Kestrel Domains Ltd."},
    // The name redacted: the organisation; the e-mail a sentence: empty.
    {"BizTodayRedacted", ServerBiz, "biz/today-redacted.txt", Found, "2002-03-13", "2028-03-12",
     "2025-03-05", "Willow Bridge Rowing Club", "", kKeep, "Kestrel Domains Ltd."},
    NotRegisteredCase("BizNotRegistered2009", ServerBiz, "biz/notregistered-2009.txt"),
    NotRegisteredCase("BizNotRegisteredToday", ServerBiz, "biz/notregistered-today.txt"),

    // .org: the 2009 record after the terms, the transitional "Label:value"
    // years, today's layout.
    {"Org2009", ServerOrg, "org/afilias-2009.txt", Found, "2003-01-14", "2013-01-14", "2008-12-02",
     "Agnes Pell", "secretary@weirfriends.org", kKeep, "Kestrel Domains Ltd. (R61-LROR)"},
    {"OrgToday", ServerOrg, "org/today.txt", Found, "2003-01-14", "2029-01-14", "2024-02-02",
     "Friends of the Weir", "", kKeep, "Kestrel Domains Ltd."},
    // No registrant lines at all, and a sentence before the record.
    {"OrgTodayRegistryLock", ServerOrg, "org/today-registry-lock.txt", Found, "2003-01-14",
     "2030-01-14", "2025-09-02", "", "", kKeep, "Kestrel Domains Ltd."},
    {"OrgTransitional", ServerOrg, "org/transitional.txt", Found, "2003-01-14", "2015-01-14",
     "2013-12-02", "Agnes Pell", "secretary@weirfriends.org", kKeep,
     "Kestrel Domains Ltd. (R61-LROR)"},
    NotRegisteredCase("OrgNotRegistered2009", ServerOrg, "org/notregistered-2009.txt"),
    NotRegisteredCase("OrgNotRegisteredToday", ServerOrg, "org/notregistered-today.txt"),

    // .cn: UTF-8 answers, Chinese names stored as GBK.
    {"Cn2015", ServerCn, "cn/2015.txt", Found, "2009-06-02", "2016-06-02", "N/A",
     "Lanqiao Software Studio", "admin@lanqiao.cn", kKeep, "Sample Network Technology Co., Ltd."},
    {"CnTodayChinese", ServerCn, "cn/today.txt", Found, "2009-06-02", "2027-06-02", "N/A",
     Gbk("杭州蓝桥软件工作室"), "admin@lanqiao.cn", kKeep, Gbk("示例网络科技有限公司")},
    NotRegisteredCase("CnNotRegistered2010", ServerCn, "cn/notregistered-2010.txt"),
    NotRegisteredCase("CnNotRegisteredToday", ServerCn, "cn/notregistered-today.txt"),

    // Any other server: today's common labels.
    {"OtherBlocks", "whois.nic.uk", "generic/blocks-uk.txt", Found, "2004-05-11", "2027-05-11",
     "2026-04-02", "Lanternfield Studio Ltd", "", kKeep,
     "Bluefin Names Ltd t/a Bluefin [Tag = BLUEFIN]"},
    {"OtherKeyValue", "whois.tcinet.ru", "generic/keyvalue-ru.txt", Found, "2004-05-11",
     "2027-05-11", "", "Lanternfield Studio LLC", "", kKeep, "BLUEFIN-RU"},
    {"OtherTodayLayout", "whois.nic.example", "org/today.txt", Found, "2003-01-14", "2029-01-14",
     "2024-02-02", "Friends of the Weir", "", kKeep, "Kestrel Domains Ltd."},
    NotRegisteredCase("OtherStatusFree", "whois.denic.de", "generic/notregistered-de.txt"),
    NotRegisteredCase("OtherNotFound", "whois.nic.fr", "generic/notregistered-fr.txt"),
    NotRegisteredCase("OtherNoMatchFor", "whois.nic.example", "comnet/notregistered.txt"),
};

class RecipeOnAnswer : public ::testing::TestWithParam<RecipeCase> {};

void ExpectField(const char* field, const char* old, const Want& want, const char* what) {
    EXPECT_EQ(std::string(field), want.value_or(old)) << what;
}

TEST_P(RecipeOnAnswer, FillsItsFieldsAndNoOthers) {
    const RecipeCase& c = GetParam();
    DomainRecord row = OldRow(c.server);
    ParseAnswer(row, c.server, CaretAnswer(c.file));

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
