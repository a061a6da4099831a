// SPDX-License-Identifier: MIT
#include "engine/rdap/rdapdomain.h"

#include <gtest/gtest.h>
#include <string>

#include "core/readfile.h"

namespace {

std::string Fixture(const std::string& name) {
    std::string text;
    EXPECT_TRUE(ReadSmallFile(std::string(RDAP_DATA_DIR) + "/" + name, text)) << name;
    return text;
}

struct FieldsCase {
    const char* file;
    const char* queried;
    const char* expiry;
    const char* created;
    const char* updated;
    const char* registrar;
    bool hasRegistrant;
    const char* owner;
    const char* email;
    const char* phone;
    const char* registrarUrl;
};

// Each fixture stands for one shape of answer that registries and
// registrars give.
const FieldsCase kFieldCases[] = {
    // A thin registry: dates and registrar, a link to the registrar's answer,
    // and a snapshot event that must not count as "updated".
    {"registry-thin.json", "lanternfish-trading.com", "2027-04-17", "2009-04-17", "2024-03-18",
     "Harbor Names, Inc.", false, "", "", "",
     "https://rdap.registrar.test/rdap/domain/LANTERNFISH-TRADING.COM"},
    // The registrar's answer: a redacted name gives way to the published
    // organisation, a contact form in place of the e-mail leaves it empty,
    // the voice number wins over the fax, "registrar expiration" is the expiry.
    {"registrar-full.json", "lanternfish-trading.com", "2027-04-17", "2009-04-17", "2024-03-18",
     "Harbor Names, Inc.", true, "Lanternfish Trading Ltd", "", "+64.35550100", ""},
    // Redacted by RFC 9537 paths; a privacy service's name is a real value;
    // roles and fn compared loosely; dates with fractions and zones.
    {"registry-redacted.json", "quietmeadow-society.org", "2026-07-01", "2003-07-01", "2025-06-02",
     "Meadow Registrar GmbH", true, "Withheld for Privacy ehf", "", "", ""},
    // A ccTLD: the registrant nested in the registrar, roles in capitals, an
    // "org" with several parts, dates without zone, alone, in basic form.
    {"cctld-nested.json", "xn--bcher-kva.test", "2026-03-04", "2019-03-04", "2025-02-01",
     "Büchermarkt Registrar AG", true, "Jörg Müller", "joerg@buecher.test", "+49 30 5550123", ""},
    // A proxy service's published contact is kept; the registrar found by
    // its IANA Registrar ID when no entity has the registrar role.
    {"privacy-proxy.json", "maple-harbor.net", "2026-10-09", "2012-10-09", "",
     "Proxy Friendly Registrar LLC", true, "Registration Private",
     "maple-harbor.net@domainsbyproxy.test", "+1.4806242599", ""},
    // Everything withheld; an unreadable and an impossible date skipped.
    {"all-redacted.json", "hidden-owner.info", "2028-02-29", "", "", "Northwind Domains Ltd", true,
     "", "", "", ""},
};

TEST(RdapDomainReader, ReadsTheFieldsOfEachAnswerShape) {
    for (const FieldsCase& c : kFieldCases) {
        SCOPED_TRACE(c.file);
        const RdapDomainFields fields = ReadRdapDomain(Fixture(c.file), c.queried);
        ASSERT_TRUE(fields.ok) << fields.error;
        EXPECT_EQ(fields.expiry, c.expiry);
        EXPECT_EQ(fields.created, c.created);
        EXPECT_EQ(fields.updated, c.updated);
        EXPECT_EQ(fields.registrar, c.registrar);
        EXPECT_EQ(fields.hasRegistrant, c.hasRegistrant);
        EXPECT_EQ(fields.owner, c.owner);
        EXPECT_EQ(fields.email, c.email);
        EXPECT_EQ(fields.phone, c.phone);
        EXPECT_EQ(fields.registrarUrl, c.registrarUrl);
    }
}

TEST(RdapDomainReader, RefusesWhatIsNoDomainObject) {
    const struct {
        const char* name;
        std::string json;
        const char* error;
    } cases[] = {
        {"entity", Fixture("not-domain.json"), "not a domain object (\"entity\")"},
        {"error object", Fixture("error-404.json"), "error object 404"},
        {"truncated", R"({"objectClassName":"domain","ldhName":"a.b")", "malformed JSON"},
        {"empty", "", "malformed JSON"},
        {"array", "[]", "not a JSON object"},
        {"bare object", "{}", "not a domain object"},
        {"invalid UTF-8", "{\"objectClassName\":\"domain\",\"ldhName\":\"\xff\"}",
         "malformed JSON"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const RdapDomainFields fields = ReadRdapDomain(c.json);
        EXPECT_FALSE(fields.ok);
        EXPECT_EQ(fields.error, c.error);
    }
}

TEST(RdapDomainReader, OddShapesGiveEmptyValuesNotFailures) {
    // Wrong types where strings and arrays belong, a vCard cut short.
    const std::string json = R"({
        "objectClassName": "domain", "ldhName": "odd.test",
        "events": [{"eventAction": 5, "eventDate": "2025-01-01"}, "x",
                   {"eventAction": "expiration", "eventDate": 20250101}],
        "entities": [{"roles": "registrar", "vcardArray": ["vcard"]},
                     {"roles": ["registrant"], "vcardArray": ["vcard", [["fn"], ["fn", {}, "text", 7],
                                 ["email", {}, "text", ["a@b.test"]]]]},
                     7, null],
        "links": [{"rel": "related", "type": "application/rdap+json", "href": 3},
                  {"rel": "related", "type": "text/html", "href": "https://x.test/domain/odd.test"},
                  {"rel": "related", "type": "application/rdap+json", "href": "ftp://x.test/domain/odd.test"}],
        "redacted": [7, {"name": 3}, {"name": {"type": 4}, "prePath": ["x"]}]
    })";
    const RdapDomainFields fields = ReadRdapDomain(json);
    ASSERT_TRUE(fields.ok) << fields.error;
    EXPECT_EQ(fields.expiry, "");
    EXPECT_EQ(fields.registrar, "");
    EXPECT_TRUE(fields.hasRegistrant);
    EXPECT_EQ(fields.owner, "");
    EXPECT_EQ(fields.email, "a@b.test");
    EXPECT_EQ(fields.registrarUrl, "");
}

TEST(RdapDomainReader, DeeplyNestedEntitiesAreReadToASaneDepthOnly) {
    std::string json = R"({"objectClassName":"domain","ldhName":"deep.test")";
    std::string tail;
    for (int i = 0; i < 2000; ++i) {
        json += R"(,"entities":[{"roles":["x"])";
        tail += "}]";
    }
    json += tail + "}";
    const RdapDomainFields fields = ReadRdapDomain(json);
    EXPECT_TRUE(fields.ok) << fields.error;
    EXPECT_FALSE(fields.hasRegistrant);
}

TEST(RdapDomainReader, RelatedLinkMustNameTheQueriedDomain) {
    const std::string json = R"({"objectClassName":"domain","ldhName":"asked.test","links":[
        {"rel":"related","type":"application/rdap+json","href":"https://r.test/domain/other.test"},
        {"rel":"Related","type":"application/rdap+json; charset=utf-8","href":"https://r.test/v1/domain/ASKED.test/"}]})";
    EXPECT_EQ(ReadRdapDomain(json, "asked.test").registrarUrl,
              "https://r.test/v1/domain/ASKED.test/");
    EXPECT_EQ(ReadRdapDomain(json, "unrelated.test").registrarUrl, "");
}

TEST(RdapDomainReader, RegistrarAnswerFillsOnlyWhatTheRegistryLacks) {
    RdapDomainFields registry = ReadRdapDomain(Fixture("registry-thin.json"));
    RdapDomainFields registrar = ReadRdapDomain(Fixture("registrar-full.json"));
    registrar.expiry = "2030-01-01"; // the registry's own date stands
    FillMissingRdapFields(registry, registrar);
    EXPECT_EQ(registry.expiry, "2027-04-17");
    EXPECT_EQ(registry.owner, "Lanternfish Trading Ltd");
    EXPECT_EQ(registry.phone, "+64.35550100");
    EXPECT_TRUE(registry.hasRegistrant);
}

TEST(RdapDate, EveryIso8601FormSeenBecomesTheWrittenDate) {
    for (const char* text :
         {"2025-01-02T03:04:05Z", "2025-01-02T03:04:05.123Z", "2025-01-02T03:04:05.123456789Z",
          "2025-01-02T03:04:05+0000", "2025-01-02T03:04:05.000+0000", "2025-01-02T23:04:05-07:00",
          "2025-01-02T03:04:05", "2025-01-02t03:04:05z", "2025-01-02 03:04:05", "2025-01-02",
          " 2025-01-02T03:04:05Z ", "20250102T030405Z"}) {
        EXPECT_EQ(RdapDate(text), "2025-01-02") << text;
    }
    EXPECT_EQ(RdapDate("2024-02-29T00:00:00Z"), "2024-02-29");
    // Impossible dates and text that holds none.
    for (const char* text :
         {"2025-02-29T00:00:00Z", "2025-13-01T00:00:00Z", "2025-01-02X", "", "soon"}) {
        EXPECT_EQ(RdapDate(text), "") << text;
    }
}

} // namespace
