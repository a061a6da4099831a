// SPDX-License-Identifier: MIT
#include "engine/whois/domainquery.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "engine/whois/answerparser.h"
#include "engine/whois/whoisclient.h"
#include "engine/whois/whoisservers.h"

namespace {

constexpr const char* kFirstServer = "whois.registry.example";
constexpr const char* kReferral = "whois.registrar.example";

struct Question {
    std::string server;
    std::string domain;
    QueryHop hop;
};

// Answers by server name and remembers every question, in order.
class ScriptedTransport {
public:
    void Answer(const std::string& server, std::string result) { m_answers[server] = result; }
    [[nodiscard]] WhoisTransport AsTransport() {
        return [this](const std::string& server, const std::string& domain, QueryHop hop) {
            m_asked.push_back({server, domain, hop});
            const auto found = m_answers.find(server);
            return found == m_answers.end() ? std::string(kMarkerConnect) : found->second;
        };
    }
    [[nodiscard]] const std::vector<Question>& asked() const { return m_asked; }

private:
    std::map<std::string, std::string> m_answers;
    std::vector<Question> m_asked;
};

using Texts = std::vector<std::string>;

class DomainQuery : public testing::Test {
protected:
    DomainQuery() {
        std::memset(&row, 0, sizeof row);
        SetField(row.domain, "example.com");
    }

    // With a parser that records its texts and reads every answer as a
    // registered name's, so that referrals are asked.
    RowOutcome Run() {
        return QueryRow(row, server, transport.AsTransport(),
                        [this](DomainRecord& r, std::string_view recipeServer, std::string answer,
                               CheckValues&) {
                            EXPECT_EQ(recipeServer, server) << "the registry's recipe, always";
                            r.status = Found;
                            parsed.push_back(std::move(answer));
                        });
    }
    [[nodiscard]] Texts ServersAsked() const {
        Texts out;
        for (const Question& q : transport.asked()) {
            EXPECT_EQ(q.domain, "example.com");
            EXPECT_EQ(q.hop, out.empty() ? QueryHop::Registry : QueryHop::Referral) << q.server;
            out.push_back(q.server);
        }
        return out;
    }

    DomainRecord row;
    std::string server = kFirstServer;
    ScriptedTransport transport;
    Texts parsed;
};

TEST_F(DomainQuery, ReferralLabelsAreFoundAndCutToTheirHost) {
    const std::pair<const char*, const char*> answers[] = {
        {"old layout", "Domain Name: EXAMPLE.COM\r\n"
                       "   Whois Server: whois.registrar.example \t\r\n"
                       "   Referral URL: http://registrar.example\r\n"},
        {"without Referral URL", "   Whois Server: whois.registrar.example\r\n"},
        {"today's label", "   Registrar WHOIS Server: whois.registrar.example\r\n"},
        {"any case", "registrar whois server:whois.registrar.example\n"},
        {"a web address", "Registrar WHOIS Server: http://whois.registrar.example/\n"},
        {"upper-case host", "Registrar WHOIS Server: WHOIS.Registrar.Example\n"},
        {"empty first label", "WHOIS Server: \nRegistrar WHOIS Server: whois.registrar.example\n"},
        {"in the record of the name",
         "   Server Name: EXAMPLE.COM.ZZZ\r\n   Whois Server: whois.other.example\r\n\r\n"
         "   Domain Name: EXAMPLE.COM\r\n   Whois Server: whois.registrar.example\r\n"},
    };
    for (const auto& [name, answer] : answers) {
        SCOPED_TRACE(name);
        ScriptedTransport fresh;
        transport = fresh;
        transport.Answer(kFirstServer, answer);
        transport.Answer(kReferral, std::string(300, 'r'));
        Run();
        EXPECT_EQ(ServersAsked(), (Texts{kFirstServer, kReferral}));
        EXPECT_EQ(row.answered, 1);
    }
}

TEST_F(DomainQuery, ReferralOfAtMost200BytesIsNotRead) {
    const std::string first = "Whois Server: whois.registrar.example\r\nReferral URL: x\r\n";
    for (const auto& [size, adopted] : {std::pair{200u, false}, std::pair{201u, true}}) {
        SCOPED_TRACE(size);
        parsed.clear();
        std::string second = "Registrar: R\r\n";
        second += std::string(size - second.size(), 'z');
        transport.Answer(kFirstServer, first);
        transport.Answer(kReferral, second);
        const RowOutcome outcome = Run();
        Texts want{"Whois Server: whois.registrar.example^^Referral URL: x^^"};
        if (adopted) {
            // Both are read, in the same line-end form.
            want.push_back("Registrar: R^^" + std::string(size - 14, 'z'));
        }
        EXPECT_EQ(parsed, want);
        EXPECT_EQ(outcome.answer, adopted ? second : first) << "the last answer read is kept";
    }
}

TEST_F(DomainQuery, ErrInsideAnAnswerIsNotAFailure) {
    transport.Answer(kFirstServer, "Note: Err_ codes are listed at the end.\r\n");
    Run();
    EXPECT_EQ(row.answered, 1);
    EXPECT_NE(row.status, Error);
    EXPECT_EQ(parsed, (Texts{"Note: Err_ codes are listed at the end.^^"}));
}

class DomainQueryFirstFailure : public DomainQuery,
                                public testing::WithParamInterface<const char*> {};

TEST_P(DomainQueryFirstFailure, EveryMarkerMakesTheRowErrorAndLeavesTheRestAlone) {
    transport.Answer(kFirstServer, GetParam());
    SetField(row.expiryDate, "2030-01-01");
    row.status = Found;
    const RowOutcome outcome = Run();
    EXPECT_EQ(row.status, Error);
    EXPECT_EQ(outcome.reason, FailReasonForMarker(GetParam()));
    EXPECT_NE(outcome.reason, FailReason::None);
    EXPECT_EQ(outcome.protocol, QueryProtocol::Whois);
    EXPECT_EQ(row.answered, 0);
    EXPECT_STREQ(row.expiryDate, "2030-01-01");
    EXPECT_TRUE(parsed.empty());
    EXPECT_EQ(ServersAsked().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Markers, DomainQueryFirstFailure,
                         testing::Values(kMarkerInvalidSocket, kMarkerSocketErr, kMarkerInvalidAddr,
                                         kMarkerConnect, kMarkerSend, kMarkerSend2, kMarkerRecv,
                                         kMarkerTimeout));

// Whatever becomes of the referral, the row is what the registry's answer
// alone makes it: never Error for the referral's sake.
TEST_F(DomainQuery, FailedReferralKeepsTheRegistrysRow) {
    const std::string first = "Registrar WHOIS Server: whois.registrar.example\r\n";
    const std::pair<const char*, std::string> referrals[] = {
        {"address refused", kMarkerAddressRefused},
        {"unresolvable", kMarkerInvalidAddr},
        {"unreachable", kMarkerConnect},
        {"timed out", kMarkerTimeout},
        {"reset", kMarkerRecv},
        {"empty", ""},
        {"rate limited", "WHOIS LIMIT EXCEEDED" + std::string(300, ' ')},
        {"go away", "Please go away for 13 Seconds\r\n" + std::string(300, '%')},
        {"short", "Registrar: R\r\n"},
    };
    for (const auto& [name, second] : referrals) {
        SCOPED_TRACE(name);
        parsed.clear();
        ScriptedTransport fresh;
        transport = fresh;
        transport.Answer(kFirstServer, first);
        transport.Answer(kReferral, second);
        row.status = Error;
        row.answered = 0;
        const RowOutcome outcome = Run();
        EXPECT_EQ(ServersAsked(), (Texts{kFirstServer, kReferral}));
        EXPECT_EQ(row.status, Found);
        EXPECT_EQ(row.answered, 1);
        EXPECT_EQ(outcome.reason, FailReason::None);
        EXPECT_EQ(outcome.answer, first);
        EXPECT_EQ(parsed, (Texts{"Registrar WHOIS Server: whois.registrar.example^^"}));
    }
}

// The name rule: what the answer names is asked only when it is a plain
// public host name other than the registry itself.
TEST_F(DomainQuery, ReferralNamesThatAreNeverAsked) {
    const char* names[] = {
        "127.0.0.1",   "127.1",  "2130706433",       "0x7f000001",  "::1",
        "0.0.0.0",     "[::1]",  "localhost",        "not defined", "intranet",
        "10.1.2.3",    "a..b.c", "whois.localhost.", kFirstServer,  "WHOIS.REGISTRY.EXAMPLE",
        "x_y.example",
    };
    for (const char* name : names) {
        SCOPED_TRACE(name);
        parsed.clear();
        ScriptedTransport fresh;
        transport = fresh;
        transport.Answer(kFirstServer, std::string("Registrar WHOIS Server: ") + name + "\r\n");
        const RowOutcome outcome = Run();
        EXPECT_EQ(ServersAsked(), (Texts{kFirstServer}));
        EXPECT_EQ(row.status, Found);
        EXPECT_EQ(outcome.reason, FailReason::None);
        EXPECT_EQ(parsed.size(), 1u);
    }
}

TEST_F(DomainQuery, RowWithoutServerIsAskedNothing) {
    server.clear();
    row.status = Error;
    const RowOutcome outcome = Run();
    EXPECT_EQ(row.status, NoServer);
    EXPECT_EQ(row.answered, 0);
    EXPECT_EQ(outcome.reason, FailReason::NoServer);
    EXPECT_EQ(outcome.protocol, QueryProtocol::None);
    EXPECT_TRUE(transport.asked().empty());
    EXPECT_TRUE(parsed.empty());
}

struct SecondFormCase {
    const char* name;
    std::string first;
    Texts asked;
    std::string parsedText; // the first answer as handed on (referral answers are short)
};
// Names the row in test listings instead of dumping its bytes.
void PrintTo(const SecondFormCase& c, std::ostream* os) {
    *os << c.name;
}

const SecondFormCase kSecondFormCases[] = {
    {"followedAfterMarkerRemoval",
     "Registered.\r\nMORE.INFO.AT.WWW.TV.COM\r\nMORE.INFO.AT.whois.registrar.example\r\nEnd\r\n",
     {kFirstServer, kReferral},
     "Registered.^^^^MORE.INFO.AT.whois.registrar.example^^End^^"},
    {"onlyTheMarkerMeansNoReferral",
     "Registered.\r\nMORE.INFO.AT.WWW.TV.COM\r\nEnd\r\n",
     {kFirstServer},
     "Registered.^^^^End^^"},
    {"restOfLineTrimmed",
     "MORE.INFO.AT.whois.registrar.example  ",
     {kFirstServer, kReferral},
     "MORE.INFO.AT.whois.registrar.example  "},
    {"ignoredWhenFirstFormFound",
     "Whois Server: whois.registrar.example\r\nReferral URL: x\r\n"
     "MORE.INFO.AT.WWW.TV.COM\r\nMORE.INFO.AT.whois.other.example\r\n",
     {kFirstServer, kReferral},
     "Whois Server: whois.registrar.example^^Referral URL: x^^"
     "MORE.INFO.AT.WWW.TV.COM^^MORE.INFO.AT.whois.other.example^^"},
    {"emptyAnswerIsStillAnAnswer", "", {kFirstServer}, ""},
};

class DomainQuerySecondForm : public DomainQuery,
                              public testing::WithParamInterface<SecondFormCase> {};

TEST_P(DomainQuerySecondForm, FindsReferralAndHandsOnTheFirstAnswer) {
    const SecondFormCase& c = GetParam();
    transport.Answer(kFirstServer, c.first);
    transport.Answer(kReferral, "short");
    Run();
    EXPECT_EQ(ServersAsked(), c.asked);
    EXPECT_EQ(row.answered, 1);
    EXPECT_EQ(parsed, (Texts{c.parsedText}));
}

INSTANTIATE_TEST_SUITE_P(Answers, DomainQuerySecondForm, testing::ValuesIn(kSecondFormCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// With the real parser, on .com rows.

class DomainQueryParsed : public testing::Test {
protected:
    DomainQueryParsed() {
        std::memset(&row, 0, sizeof row);
        SetField(row.domain, "lanternfield.com");
    }
    RowOutcome Run() { return QueryRow(row, ServerComNet, transport.AsTransport()); }

    DomainRecord row;
    ScriptedTransport transport;
};

const std::string kRegistryAnswer = "   Domain Name: LANTERNFIELD.COM\r\n"
                                    "   Registrar WHOIS Server: whois.registrar.example\r\n"
                                    "   Updated Date: 2024-05-06T07:08:09Z\r\n"
                                    "   Creation Date: 2004-05-11T09:21:33Z\r\n"
                                    "   Registry Expiry Date: 2027-05-11T09:21:33Z\r\n"
                                    "   Registrar: Bluefin Names, Inc.\r\n";

TEST_F(DomainQueryParsed, RegistrarAnswerGivesTheOwnerAndTheRegistryFillsTheRest) {
    std::string registrar = "Domain Name: lanternfield.com\n"
                            "Registrar Registration Expiration Date: 2028-05-11T00:00:00-0700\n"
                            "Registrar: Bluefin Names, Inc.\n"
                            "Registrant Name: REDACTED FOR PRIVACY\n"
                            "Registrant Organization: Lanternfield Studio\n"
                            "Registrant Email: mira@lanternfield.example\n";
    registrar += std::string(200, '%') + "\n";
    transport.Answer(ServerComNet, kRegistryAnswer);
    transport.Answer(kReferral, registrar);
    const RowOutcome outcome = Run();
    EXPECT_EQ(row.status, Found);
    EXPECT_STREQ(row.owner, "Lanternfield Studio");
    EXPECT_STREQ(row.email, "mira@lanternfield.example");
    EXPECT_STREQ(row.registrar, "Bluefin Names, Inc.");
    EXPECT_STREQ(row.expiryDate, "2028-05-11") << "the registrar's own expiry";
    EXPECT_STREQ(row.createdDate, "2004-05-11") << "from the registry's answer";
    EXPECT_STREQ(row.updatedDate, "2024-05-06");
    EXPECT_EQ(outcome.answer, registrar);
    ASSERT_EQ(transport.asked().size(), 2u);
    EXPECT_EQ(transport.asked()[1].hop, QueryHop::Referral);
}

TEST_F(DomainQueryParsed, AdoptedReferralKeepsItsValuesWholeAndNamesItsServer) {
    const std::string email = std::string(180, 'c') + "@lanternfield.example"; // 200 bytes
    const std::string owner = "สตูดิโอ ลานเทิร์นฟิลด์";
    std::string registrar = "Domain Name: lanternfield.com\n"
                            "Registrar: Bluefin Names, Inc.\n"
                            "Registrant Organization: " +
                            owner + "\nRegistrant Email: " + email + "\n";
    registrar += std::string(200, '%') + "\n";
    transport.Answer(ServerComNet, kRegistryAnswer);
    transport.Answer(kReferral, registrar);
    const RowOutcome outcome = Run();
    EXPECT_EQ(row.status, Found);
    EXPECT_EQ(outcome.server, kReferral);
    EXPECT_EQ(outcome.otherAnswer, kRegistryAnswer) << "the registry's answer stays beside it";
    EXPECT_EQ(outcome.otherServer, ServerComNet);
    EXPECT_TRUE(outcome.otherCameFirst);
    EXPECT_EQ(outcome.values.email, email);
    EXPECT_EQ(outcome.values.owner, owner);
    EXPECT_EQ(outcome.values.expiry, "2027-05-11")
        << "the registry's, where the registrar has none";
    EXPECT_EQ(outcome.values.registrar, "Bluefin Names, Inc.");
    EXPECT_EQ(FieldText(row.email), email.substr(0, sizeof row.email - 1));
    EXPECT_EQ(FieldText(row.owner).find_first_not_of("? "), std::string_view::npos);
}

TEST_F(DomainQueryParsed, RegistrarThatKnowsNothingLeavesTheRegistrysRow) {
    transport.Answer(ServerComNet, kRegistryAnswer);
    transport.Answer(kReferral, "No match for \"LANTERNFIELD.COM\".\n" + std::string(300, '%'));
    const RowOutcome outcome = Run();
    EXPECT_EQ(row.status, Found);
    EXPECT_EQ(outcome.server, ServerComNet) << "the registry's answer is the one kept";
    EXPECT_EQ(outcome.otherAnswer, "");
    EXPECT_EQ(outcome.values.registrar, "Bluefin Names, Inc.");
    EXPECT_STREQ(row.expiryDate, "2027-05-11");
    EXPECT_STREQ(row.registrar, "Bluefin Names, Inc.");
    EXPECT_STREQ(row.owner, "");
}

TEST_F(DomainQueryParsed, NoReferralForANameThatIsNotRegistered) {
    transport.Answer(ServerComNet, "No match for \"LANTERNFIELD.COM\".\r\n"
                                   "Registrar WHOIS Server: whois.registrar.example\r\n");
    const RowOutcome outcome = Run();
    EXPECT_EQ(row.status, NotRegistered);
    EXPECT_EQ(transport.asked().size(), 1u);
    EXPECT_EQ(outcome.reason, FailReason::None);
}

TEST_F(DomainQueryParsed, AnswersThatAreNoRecordSayWhy) {
    const std::tuple<const char*, std::string, FailReason> cases[] = {
        {"empty", "", FailReason::EmptyAnswer},
        {"limit", "WHOIS LIMIT EXCEEDED - SEE WWW.EXAMPLE.ORG/WHOIS FOR DETAILS\n",
         FailReason::RateLimited},
        {"not served", "TLD is not supported.\n", FailReason::NotServed},
        {"unrecognised", "Invalid query\n", FailReason::Unrecognised},
        {"country limit", "%% Too many requests...\n", FailReason::RateLimited},
        {"address blocked", "% Your IP address has been blocked.\n", FailReason::NotServed},
    };
    for (const auto& [name, answer, reason] : cases) {
        SCOPED_TRACE(name);
        transport.Answer(ServerComNet, answer);
        const RowOutcome outcome = Run();
        EXPECT_EQ(row.status, Error);
        EXPECT_EQ(row.answered, 1);
        EXPECT_EQ(outcome.reason, reason);
        EXPECT_EQ(outcome.answer, answer);
    }
}

// An answer cut off by a time-out is no record, however much of one came:
// the row is Error "timed out" and the text is kept to be shown.
TEST_F(DomainQueryParsed, CutOffAnswerIsATimeOutKeepingItsText) {
    const std::string part = kRegistryAnswer.substr(0, 120);
    transport.Answer(ServerComNet, CutOffAnswer(part));
    SetField(row.owner, "kept");
    const RowOutcome outcome = Run();
    EXPECT_EQ(row.status, Error);
    EXPECT_EQ(outcome.reason, FailReason::TimedOut);
    EXPECT_EQ(outcome.answer, part);
    EXPECT_STREQ(row.owner, "kept");
    EXPECT_STREQ(row.registrar, "");
    EXPECT_EQ(transport.asked().size(), 1u) << "no referral from a cut-off answer";
}

TEST(DomainQueryOverTcp, RowWithoutServerConnectsNowhere) {
    DomainRecord row{};
    SetField(row.domain, "example.de");
    int asked = 0;
    const RowOutcome outcome =
        QueryRow(row, "", [&asked](const std::string& server, const std::string& domain, QueryHop) {
            ++asked;
            return WhoisQuery(server, domain, WhoisClientOptions{});
        });
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(row.status, NoServer);
    EXPECT_EQ(row.answered, 0);
    EXPECT_EQ(outcome.reason, FailReason::NoServer);
}

} // namespace
