#include "engine/domainquery.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "engine/whoisservers.h"

namespace {

constexpr const char* kFirstServer = "whois.registry.example";
constexpr const char* kReferral = "whois.registrar.example";

// Answers by server name and remembers every question, in order.
class ScriptedTransport {
public:
    void Answer(const std::string& server, std::string result) { m_answers[server] = result; }
    [[nodiscard]] WhoisTransport AsTransport() {
        return [this](const std::string& server, const std::string& domain, QueryHop) {
            m_asked.emplace_back(server, domain);
            const auto found = m_answers.find(server);
            return found == m_answers.end() ? std::string(kMarkerConnect) : found->second;
        };
    }
    [[nodiscard]] const std::vector<std::pair<std::string, std::string>>& asked() const {
        return m_asked;
    }

private:
    std::map<std::string, std::string> m_answers;
    std::vector<std::pair<std::string, std::string>> m_asked;
};

class DomainQuery : public testing::Test {
protected:
    DomainQuery() {
        std::memset(&row, 0, sizeof row);
        SetField(row.whoisServer, kFirstServer);
        SetField(row.domain, "example.com");
    }

    void Run() {
        QueryRow(row, transport.AsTransport(), [this](DomainRecord&, std::string answer) {
            parsed.push_back(std::move(answer));
        });
    }
    [[nodiscard]] std::vector<std::string> ServersAsked() const {
        std::vector<std::string> out;
        for (const auto& [server, domain] : transport.asked()) {
            EXPECT_EQ(domain, "example.com");
            out.push_back(server);
        }
        return out;
    }

    DomainRecord row;
    ScriptedTransport transport;
    std::vector<std::string> parsed;
};

using Servers = std::vector<std::string>;

TEST_F(DomainQuery, FirstFormReferralIsTrimmedAndFollowed) {
    transport.Answer(kFirstServer, "Domain Name: EXAMPLE.COM\r\n"
                                   "   Whois Server: whois.registrar.example \t\r\n"
                                   "   Referral URL: http://registrar.example\r\n");
    Run();
    EXPECT_EQ(ServersAsked(), (Servers{kFirstServer, kReferral}));
    EXPECT_EQ(row.answered, 1);
}

TEST_F(DomainQuery, ReferralOfAtMost200BytesLeavesTheFirstAnswerWithCaretLineEnds) {
    const std::string first = "Whois Server: whois.registrar.example\r\nReferral URL: x\r\n";
    for (const auto& [size, adopted] : {std::pair{200u, false}, std::pair{201u, true}}) {
        SCOPED_TRACE(size);
        parsed.clear();
        std::string second = "Registrar: R\r\n";
        second += std::string(size - second.size(), 'z');
        transport.Answer(kFirstServer, first);
        transport.Answer(kReferral, second);
        Run();
        ASSERT_EQ(parsed.size(), 1u);
        if (adopted) {
            EXPECT_EQ(parsed[0], "Registrar: R^^" + std::string(size - 14, 'z'))
                << "an adopted referral gets the same line-end form as the first answer";
        } else {
            EXPECT_EQ(parsed[0], "Whois Server: whois.registrar.example^^Referral URL: x^^");
        }
    }
}

TEST_F(DomainQuery, ErrInsideAnAnswerIsNotAFailure) {
    transport.Answer(kFirstServer, "Note: Err_ codes are listed at the end.\r\n");
    Run();
    EXPECT_EQ(row.answered, 1);
    EXPECT_NE(row.status, Error);
    EXPECT_EQ(parsed, (Servers{"Note: Err_ codes are listed at the end.^^"}));
}

class DomainQueryFirstFailure : public DomainQuery,
                                public testing::WithParamInterface<const char*> {};

TEST_P(DomainQueryFirstFailure, EveryMarkerMakesTheRowErrorAndLeavesTheRestAlone) {
    transport.Answer(kFirstServer, GetParam());
    SetField(row.expiryDate, "2030-01-01");
    row.status = Found;
    Run();
    EXPECT_EQ(row.status, Error);
    EXPECT_EQ(row.answered, 0);
    EXPECT_STREQ(row.expiryDate, "2030-01-01");
    EXPECT_TRUE(parsed.empty());
    EXPECT_EQ(ServersAsked().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Markers, DomainQueryFirstFailure,
                         testing::Values(kMarkerInvalidSocket, kMarkerSocketErr, kMarkerInvalidAddr,
                                         kMarkerConnect, kMarkerSend, kMarkerSend2, kMarkerRecv,
                                         kMarkerTimeout));

TEST_F(DomainQuery, FailedReferralKeepsAnsweredAndFields) {
    transport.Answer(kFirstServer, "Whois Server: whois.registrar.example\r\nReferral URL: x\r\n");
    transport.Answer(kReferral, kMarkerInvalidAddr);
    SetField(row.owner, "Earlier Owner");
    Run();
    EXPECT_EQ(row.status, Error);
    EXPECT_EQ(row.answered, 1);
    EXPECT_STREQ(row.owner, "Earlier Owner");
    EXPECT_TRUE(parsed.empty());
}

struct SecondFormCase {
    const char* name;
    std::string first;
    Servers asked;
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
    {"untrimmedRestOfLine",
     "MORE.INFO.AT.whois.registrar.example",
     {kFirstServer, kReferral},
     "MORE.INFO.AT.whois.registrar.example"},
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
    EXPECT_EQ(parsed, (Servers{c.parsedText}));
}

INSTANTIATE_TEST_SUITE_P(Answers, DomainQuerySecondForm, testing::ValuesIn(kSecondFormCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DomainQueryOverTcp, RowWithoutServerEndsInErrorWithoutAnAnswer) {
    DomainRecord row{};
    SetField(row.domain, "example.de");
    QueryRow(row, [](const std::string& server, const std::string& domain, QueryHop) {
        return WhoisQuery(server, domain, WhoisClientOptions{});
    });
    EXPECT_EQ(row.status, Error);
    EXPECT_EQ(row.answered, 0);
}

} // namespace
