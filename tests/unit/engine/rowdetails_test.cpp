// SPDX-License-Identifier: MIT
// Row details: answers kept compressed and cut, given back whole, and shown
// as valid UTF-8 whatever their code page.

#include "engine/rowdetails.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/answertext.h"

namespace {

RowOutcome Outcome(std::string answer, FailReason reason = FailReason::None) {
    RowOutcome outcome;
    outcome.reason = reason;
    outcome.protocol = QueryProtocol::Whois;
    outcome.answer = std::move(answer);
    return outcome;
}

TEST(RowDetails, GivesBackWhatWasSet) {
    RowDetails details;
    details.Reset(3);
    std::string answer;
    for (int i = 0; i < 200; ++i) {
        answer += "Domain Status: clientTransferProhibited https://icann.org/epp#x\r\n";
    }
    answer += std::string("\0\xff\x80 binary", 10);
    details.Set(0, Outcome(answer, FailReason::TimedOut));
    details.Set(2, Outcome(""));
    EXPECT_EQ(details.Answer(0), answer);
    EXPECT_EQ(details.Reason(0), FailReason::TimedOut);
    EXPECT_EQ(details.Protocol(0), QueryProtocol::Whois);
    EXPECT_EQ(details.Answer(1), "");
    EXPECT_EQ(details.Protocol(1), QueryProtocol::None);
    EXPECT_EQ(details.Answer(2), "");
    // Out of range: nothing, and no harm.
    details.Set(3, Outcome("x"));
    details.Set(-1, Outcome("x"));
    EXPECT_EQ(details.Answer(3), "");
    EXPECT_EQ(details.Reason(-1), FailReason::None);
}

TEST(RowDetails, CutsLongAnswersAt64KiB) {
    RowDetails details;
    details.Reset(1);
    std::string answer(RowDetails::kMaxAnswerBytes + 5000, 'x');
    answer[RowDetails::kMaxAnswerBytes - 1] = 'y';
    details.Set(0, Outcome(answer));
    const std::string kept = details.Answer(0);
    ASSERT_EQ(kept.size(), RowDetails::kMaxAnswerBytes);
    EXPECT_EQ(kept.back(), 'y');
}

// A row with two answers keeps both, each with its host; a second answer
// left empty keeps no host either.
TEST(RowDetails, KeepsTheOtherAnswerBesideTheFirst) {
    RowDetails details;
    details.Reset(2);
    RowOutcome two = Outcome("Registrar answer\r\n");
    two.server = "whois.registrar.example";
    two.otherAnswer = std::string(RowDetails::kMaxAnswerBytes + 10, 'r');
    two.otherServer = "whois.registry.example";
    two.otherCameFirst = true;
    details.Set(0, std::move(two));
    RowOutcome one = Outcome("Only answer\r\n");
    one.otherServer = "whois.nobody.example";
    details.Set(1, std::move(one));

    EXPECT_EQ(details.Answer(0), "Registrar answer\r\n");
    EXPECT_EQ(details.Server(0), "whois.registrar.example");
    EXPECT_EQ(details.OtherAnswerUtf8(0), std::string(RowDetails::kMaxAnswerBytes, 'r'));
    EXPECT_EQ(details.OtherServer(0), "whois.registry.example");
    EXPECT_TRUE(details.OtherCameFirst(0));
    EXPECT_EQ(details.OtherAnswerUtf8(1), "");
    EXPECT_EQ(details.OtherServer(1), "");
    // The whole outcome at once, and the list's part of it.
    const RowOutcome whole = details.Outcome(0);
    EXPECT_EQ(whole.answer, "Registrar answer\r\n");
    EXPECT_EQ(whole.otherServer, "whois.registry.example");
    EXPECT_TRUE(whole.otherCameFirst);
    const RowOutcome shown = details.Outcome(0, false);
    EXPECT_EQ(shown.server, "whois.registrar.example");
    EXPECT_EQ(shown.protocol, QueryProtocol::Whois);
    EXPECT_TRUE(shown.answer.empty() && shown.otherAnswer.empty() && shown.otherServer.empty());
    EXPECT_FALSE(shown.otherCameFirst);
    // Rows erased before it move the answers up with the row.
    details.EraseRows({0});
    EXPECT_EQ(details.OtherAnswerUtf8(0), "");
    EXPECT_EQ(details.Answer(0), "Only answer\r\n");
}

TEST(AnswerForDisplay, MakesValidUtf8) {
    struct Case {
        const char* name;
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"ascii", "Domain Name: A.JP\r\n", "Domain Name: A.JP\r\n"},
        {"utf8 kept", "Registrant: \xe8\x93\x9d\n", "Registrant: \xe8\x93\x9d\n"},
        {"gbk converted", "Registrant: \xc0\xb6\n", "Registrant: \xe8\x93\x9d\n"},
        // [有効期限] in ISO-2022-JP.
        {"iso-2022-jp converted", "[\x1b$BM-8z4|8B\x1b(B] 2027/08/31\n",
         "[\xe6\x9c\x89\xe5\x8a\xb9\xe6\x9c\x9f\xe9\x99\x90] 2027/08/31\n"},
        {"invalid bytes replaced",
         "A\xff"
         "B",
         "A\xef\xbf\xbd"
         "B"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AnswerForDisplay(c.in), c.out) << c.name;
    }
    RowDetails details;
    details.Reset(1);
    details.Set(0, Outcome("Registrant: \xc0\xb6\n"));
    EXPECT_EQ(details.AnswerUtf8(0), "Registrant: \xe8\x93\x9d\n");
}

} // namespace
