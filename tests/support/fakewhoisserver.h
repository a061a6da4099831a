// SPDX-License-Identifier: MIT
#pragma once

// A scripted WHOIS server on 127.0.0.1 for tests and benchmarks.
//
//     FakeWhoisServer server;                       // listens on an ephemeral port
//     server.SetScript("example.com", FakeWhoisScript::Answer("Domain Name: EXAMPLE.COM\r\n"));
//     server.SetDefaultScript(FakeWhoisScript::CloseAtOnce());
//     options.connectTo = server.OverridesFor(FakeWhoisServer::AllEndpoints());
//     ... run queries ...
//     server.WaitForFinishedConnections(1, std::chrono::seconds(5));
//     EXPECT_EQ(server.ReceivedBytes()[0], "example.com\r\n");
//
// Each connection is served on its own thread: the server reads the request
// line (up to CR LF), looks up the script by the request without its CR LF
// (falling back to the default script) and acts it out. Every byte the client
// sends on a connection, also after the request line, is recorded, and so
// are the times of each connection (to check how many were open at once and
// how close together they came). Stop() and the destructor end every
// connection promptly, stalled ones too.

#include <chrono>
#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/whois/whoisclient.h"
#include "tests/support/fakeserverloop.h"
#include "tests/support/replysequences.h"

struct FakeWhoisScript {
    enum class Action {
        Answer,           // send `bytes`, then close normally
        CloseAtOnce,      // close without sending anything (an empty answer)
        PartialThenReset, // send `bytes`, wait until the client has them, then RST
        Stall,            // send nothing and keep the connection open
        Drip,             // send `bytes` in pieces of `dripBytes` every `dripIntervalMs`
    };

    Action action = Action::CloseAtOnce;
    std::string bytes;
    std::size_t dripBytes = 1;
    int dripIntervalMs = 10;
    int delayMs = 0; // waited after the request line, before acting

    [[nodiscard]] static FakeWhoisScript Answer(std::string bytes, int delayMs = 0);
    [[nodiscard]] static FakeWhoisScript CloseAtOnce();
    [[nodiscard]] static FakeWhoisScript PartialThenReset(std::string bytes);
    [[nodiscard]] static FakeWhoisScript Stall();
    [[nodiscard]] static FakeWhoisScript Drip(std::string bytes, std::size_t piece, int intervalMs);
};

class FakeWhoisServer : public FakeServerLoop {
public:
    // When a connection was accepted, when its request line was complete
    // (max() if never), and when the server let go of it: sent its last
    // byte and shut its side, reset it, or saw the client leave (max() while
    // it holds on).
    struct Times {
        Clock::time_point accepted;
        Clock::time_point request = Clock::time_point::max();
        Clock::time_point released = Clock::time_point::max();
    };

    // Binds 127.0.0.1:0 (or [::1]:0) and starts accepting; throws
    // std::runtime_error when the socket cannot be set up.
    explicit FakeWhoisServer(Family family = Family::IPv4);
    ~FakeWhoisServer() override;

    // `request` is the request line without its CR LF, usually the domain.
    // A script set for a request replaces the one set before.
    void SetScript(const std::string& request, FakeWhoisScript script);
    // One script per connection for that request, in order; the last one
    // repeats (e.g. a first answer, then a failure for the second query).
    void SetScriptSequence(const std::string& request, std::vector<FakeWhoisScript> scripts);
    // Used for requests without a script of their own. Initially CloseAtOnce.
    void SetDefaultScript(FakeWhoisScript script);
    // A registry's rate limit: a request line that arrives less than `gap`
    // after the one before it (refused or not) is answered with `refusal`
    // instead of its script.
    void RefuseFasterThan(std::chrono::milliseconds gap, std::string refusal);

    // The bytes received on each connection so far, in the order of accept.
    [[nodiscard]] std::vector<std::string> ReceivedBytes() const;
    // True once `count` connections have sent their whole request line (CR LF
    // included); false at the deadline.
    [[nodiscard]] bool WaitForRequests(std::size_t count, std::chrono::milliseconds timeout) const;
    // The times of each connection, in the order of accept.
    [[nodiscard]] std::vector<Times> ConnectionTimes() const;
    // The most connections that were open at once (from accept to release).
    [[nodiscard]] std::size_t MostOpenAtOnce() const;
    // The shortest time between two accepts; max() with fewer than two.
    [[nodiscard]] Clock::duration ShortestGapBetweenAccepts() const;
    // How many requests RefuseFasterThan refused.
    [[nodiscard]] std::size_t RefusedCount() const;

    // The same as OverridesFor as text for ZENTRIX_CONNECT_TO / --connect-to:
    // "h1=127.0.0.1:P,h2=..." ("h1=[::1]:P" for IPv6).
    [[nodiscard]] std::string ConnectToFor(const std::vector<std::string>& hosts) const;
    // The ten endpoint host names of engine/whois/whoisservers.h.
    [[nodiscard]] static std::vector<std::string> AllEndpoints();

private:
    struct WhoisConnection;

    [[nodiscard]] std::unique_ptr<Connection> NewConnection() override;
    void Serve(Connection& connection) override;
    [[nodiscard]] FakeWhoisScript ScriptFor(const std::string& request, Clock::time_point arrived);

    ReplySequences<FakeWhoisScript> m_scripts;
    FakeWhoisScript m_default;
    std::chrono::milliseconds m_refuseGap{0};
    std::string m_refusal;
    Clock::time_point m_lastRequest = Clock::time_point::min();
    std::size_t m_refused = 0;
};
