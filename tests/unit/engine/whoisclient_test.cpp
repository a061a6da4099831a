#include "engine/whoisclient.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <cstdlib>
#include <future>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

#include "tests/support/fakewhoisserver.h"

namespace {

using namespace std::chrono_literals;

constexpr auto kDeadline = 10s;

class WhoisClient : public testing::Test {
protected:
    // Asks the fake server as the host "whois.test.example".
    std::string Ask(const std::string& domain) {
        return WhoisQuery("whois.test.example", domain, options, &stop);
    }

    FakeWhoisServer server;
    WhoisClientOptions options{.connectTo = server.OverridesFor({"whois.test.example"})};
    std::atomic<bool> stop{false};
};

TEST_F(WhoisClient, SendsExactlyTheDomainAndCrLf) {
    server.SetScript("abc.com", FakeWhoisScript::Answer("ok\r\n"));
    EXPECT_EQ(Ask("abc.com"), "ok\r\n");
    ASSERT_TRUE(server.WaitForFinishedConnections(1, kDeadline));
    const auto received = server.ReceivedBytes();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0], "abc.com\r\n");
    EXPECT_EQ(received[0].size(), 9u);
}

struct AnswerCase {
    const char* name;
    FakeWhoisScript script;
    std::string expected;
};
// Names the row in test listings instead of dumping its bytes.
void PrintTo(const AnswerCase& c, std::ostream* os) {
    *os << c.name;
}

std::string LongAnswer() {
    std::string text;
    for (int line = 0; text.size() < 200'000; ++line) {
        text += "Line " + std::to_string(line) + ": value\r\n";
    }
    return text;
}

const AnswerCase kAnswerCases[] = {
    {"closedAtOnceIsEmptyAnswer", FakeWhoisScript::CloseAtOnce(), ""},
    {"lineEndsKept", FakeWhoisScript::Answer("A: 1\r\nB: 2\nC: 3\r"), "A: 1\r\nB: 2\nC: 3\r"},
    {"partialThenResetKeepsPart", FakeWhoisScript::PartialThenReset("Domain Name: PART"),
     "Domain Name: PART"},
    {"longAnswerWhole", FakeWhoisScript::Answer(LongAnswer()), LongAnswer()},
    {"drippedAnswerWhole", FakeWhoisScript::Drip("dripped in small pieces\r\n", 3, 1),
     "dripped in small pieces\r\n"},
    {"nulBytesDropped", FakeWhoisScript::Answer(std::string("ab\0cd\0\0e", 8)), "abcde"},
    {"gbkBytesUnchanged", FakeWhoisScript::Answer("\xD6\xD0\xCE\xC4\r\n"), "\xD6\xD0\xCE\xC4\r\n"},
};

class WhoisClientAnswers : public WhoisClient, public testing::WithParamInterface<AnswerCase> {};

TEST_P(WhoisClientAnswers, ReturnsTheBytesReceived) {
    server.SetDefaultScript(GetParam().script);
    EXPECT_EQ(Ask("example.com"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Shapes, WhoisClientAnswers, testing::ValuesIn(kAnswerCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WhoisClient, AnswerIsCappedAtOneMebibyte) {
    const std::size_t cap = std::size_t{1} << 20;
    std::string huge(cap + 4096, 'x');
    huge[cap - 1] = 'L';
    server.SetDefaultScript(FakeWhoisScript::Answer(huge));
    const std::string answer = Ask("example.com");
    ASSERT_EQ(answer.size(), cap);
    EXPECT_EQ(answer.back(), 'L');
}

TEST_F(WhoisClient, DottedAddressIsUsedDirectly) {
    server.SetDefaultScript(FakeWhoisScript::Answer("direct"));
    WhoisClientOptions direct;
    direct.port = server.port();
    EXPECT_EQ(WhoisQuery("127.0.0.1", "example.com", direct), "direct");
}

TEST_F(WhoisClient, HostNameIsLookedUp) {
    server.SetDefaultScript(FakeWhoisScript::Answer("by name"));
    WhoisClientOptions byName;
    byName.port = server.port();
    EXPECT_EQ(WhoisQuery("localhost", "example.com", byName), "by name");
}

TEST_F(WhoisClient, OverrideMatchesHostNameWhateverItsCase) {
    server.SetDefaultScript(FakeWhoisScript::Answer("redirected"));
    EXPECT_EQ(WhoisQuery("WHOIS.Test.Example", "example.com", options), "redirected");
}

TEST_F(WhoisClient, EmptyHostFailsWithoutTouchingTheNetwork) {
    WhoisClientOptions local;
    local.port = server.port(); // were the empty name taken for this machine, it would land here
    EXPECT_EQ(WhoisQuery("", "example.com", local), kMarkerConnect);
    EXPECT_EQ(server.ConnectionCount(), 0u);
}

TEST_F(WhoisClient, HostOfMoreThan127BytesIsRefused) {
    server.SetDefaultScript(FakeWhoisScript::Answer("reached"));
    const std::string longest = std::string(115, 'h') + ".example.net"; // 127 bytes
    const std::string tooLong = longest + "t";
    options.connectTo = server.OverridesFor({longest, tooLong});
    EXPECT_EQ(WhoisQuery(longest, "example.com", options), "reached");
    EXPECT_EQ(WhoisQuery(tooLong, "example.com", options), kMarkerInvalidAddr);
    EXPECT_EQ(server.ConnectionCount(), 1u);
}

TEST_F(WhoisClient, RefusedConnectionIsErrConnect) {
    // A bound socket that does not listen: connecting to it is refused.
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof addr;
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length), 0);
    WhoisClientOptions refused;
    refused.port = ntohs(addr.sin_port);
    EXPECT_EQ(WhoisQuery("127.0.0.1", "example.com", refused), kMarkerConnect);
    ::close(fd);
}

TEST_F(WhoisClient, StallBeforeFirstByteIsErrTimeout) {
    server.SetDefaultScript(FakeWhoisScript::Stall());
    options.idleTimeoutMs = 200;
    EXPECT_EQ(Ask("example.com"), kMarkerTimeout);
}

TEST_F(WhoisClient, StallAfterSomeBytesGivesWhatArrived) {
    // Five bytes, then the next piece only after the client has given up.
    server.SetDefaultScript(FakeWhoisScript::Drip("first second", 5, 60'000));
    options.idleTimeoutMs = 1'000; // room for a loaded machine to deliver the first piece
    EXPECT_EQ(Ask("example.com"), "first");
}

TEST_F(WhoisClient, WholeQueryTimeOutEndsASteadyDrip) {
    server.SetDefaultScript(FakeWhoisScript::Drip(std::string(100'000, 'd'), 1, 20));
    options.idleTimeoutMs = 5'000;
    options.totalTimeoutMs = 1'000;
    const std::string answer = Ask("example.com");
    EXPECT_FALSE(answer.empty());
    EXPECT_LT(answer.size(), 100'000u);
    EXPECT_EQ(answer.find_first_not_of('d'), std::string::npos);
}

TEST_F(WhoisClient, StopRequestReachesAStalledQuery) {
    server.SetDefaultScript(FakeWhoisScript::Stall());
    auto query = std::async(std::launch::async, [this] { return Ask("example.com"); });
    ASSERT_TRUE(server.WaitForRequests(1, kDeadline));
    const auto stoppedAt = std::chrono::steady_clock::now();
    stop = true;
    // Generous bound: the client looks at the flag at least every 250 ms.
    ASSERT_EQ(query.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(query.get(), kMarkerTimeout);
    RecordProperty("stopLatencyMs",
                   static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now() - stoppedAt)
                                        .count()));
}

TEST(FailureMarker, OnlyTheWholeMarkerCounts) {
    for (const char* marker :
         {kMarkerInvalidSocket, kMarkerSocketErr, kMarkerInvalidAddr, kMarkerConnect, kMarkerSend,
          kMarkerSend2, kMarkerRecv, kMarkerTimeout}) {
        EXPECT_TRUE(IsFailureMarker(marker)) << marker;
        EXPECT_FALSE(IsFailureMarker(std::string(marker) + "\r\n")) << marker;
        EXPECT_FALSE(IsFailureMarker(std::string("x") + marker)) << marker;
    }
    EXPECT_FALSE(IsFailureMarker(""));
    EXPECT_FALSE(IsFailureMarker("Err_"));
    EXPECT_FALSE(IsFailureMarker("Error codes: Err_Recv means ..."));
}

struct ConnectToCase {
    const char* name;
    const char* text;
    bool ok;
    std::vector<ConnectOverride> expected;
};
// Names the row in test listings instead of dumping its bytes.
void PrintTo(const ConnectToCase& c, std::ostream* os) {
    *os << c.name;
}

const ConnectToCase kConnectToCases[] = {
    {"empty", "", true, {}},
    {"one", "whois.a=127.0.0.1:4343", true, {{"whois.a", "127.0.0.1", 4343}}},
    {"two",
     "whois.a=127.0.0.1:1,whois.b=10.0.0.2:65535",
     true,
     {{"whois.a", "127.0.0.1", 1}, {"whois.b", "10.0.0.2", 65535}}},
    {"blanksAndEmptyEntries",
     " whois.a = 127.0.0.1 : 43 ,, ",
     true,
     {{"whois.a", "127.0.0.1", 43}}},
    {"noEquals", "whois.a127.0.0.1:43", false, {}},
    {"noPort", "whois.a=127.0.0.1", false, {}},
    {"portZero", "whois.a=127.0.0.1:0", false, {}},
    {"portTooBig", "whois.a=127.0.0.1:65536", false, {}},
    {"portNotNumber", "whois.a=127.0.0.1:4x", false, {}},
    {"addressIsName", "whois.a=localhost:43", false, {}},
    {"emptyHost", "=127.0.0.1:43", false, {}},
    {"badSecondEntry", "whois.a=127.0.0.1:43,whois.b=", false, {}},
};

class ConnectTo : public testing::TestWithParam<ConnectToCase> {};

TEST_P(ConnectTo, Parses) {
    const ConnectToCase& c = GetParam();
    std::vector<ConnectOverride> out{{"stale", "1.2.3.4", 5}};
    std::string error;
    EXPECT_EQ(ParseConnectTo(c.text, out, &error), c.ok);
    if (c.ok) {
        EXPECT_EQ(out, c.expected);
    } else {
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(out.size(), 1u) << "a refused list leaves the output alone";
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, ConnectTo, testing::ValuesIn(kConnectToCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ConnectToEnvironment, KeepsGoodEntriesAndSkipsBadOnes) {
    ::setenv("ZENTRIX_CONNECT_TO", "whois.a=127.0.0.1:4343,broken,whois.b=127.0.0.2:43", 1);
    const auto overrides = ConnectToFromEnvironment();
    ::unsetenv("ZENTRIX_CONNECT_TO");
    ASSERT_EQ(overrides.size(), 2u);
    EXPECT_EQ(overrides[0], (ConnectOverride{"whois.a", "127.0.0.1", 4343}));
    EXPECT_EQ(overrides[1], (ConnectOverride{"whois.b", "127.0.0.2", 43}));
    EXPECT_TRUE(ConnectToFromEnvironment().empty());
}

} // namespace
