// SPDX-License-Identifier: MIT
#pragma once

// A scripted HTTPS server on 127.0.0.1 for RDAP tests and benchmarks.
//
//     FakeRdapServer server({"rdap.example"});   // its own throwaway CA
//     server.SetReply("/rdap/domain/example.com", FakeRdapReply::Json(200, body));
//     RdapClientOptions options;
//     options.connectTo = server.OverridesFor({"rdap.example"});
//     options.caFile = server.caFile();
//     RdapClient client(options);
//     ... client.Get({"https://rdap.example/rdap/domain/example.com"}) ...
//     EXPECT_EQ(server.ConnectionCount(), 1u);
//
// HTTP/1.1 with keep-alive: a connection serves requests until the client
// closes it or a reply says to close. Replies are chosen by the request
// target (path and query); every request is recorded with the connection
// it came on, its Host header and the name the client asked for in TLS.
// Stop() and the destructor end every connection promptly, stalled ones too.

#include <chrono>
#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/fakeserverloop.h"
#include "tests/support/replysequences.h"
#include "tests/support/testca.h"

struct ssl_ctx_st;

struct FakeRdapReply {
    enum class Action {
        Answer, // send the status, headers and body
        Stall,  // send nothing and keep the connection open
        Close,  // close the connection without an answer
    };

    Action action = Action::Answer;
    int status = 200;
    std::string contentType = "application/rdap+json";
    std::vector<std::pair<std::string, std::string>> headers; // further headers
    std::string body;
    int delayMs = 0;         // waited before acting
    bool chunked = false;    // send the body chunked, without Content-Length
    bool closeAfter = false; // "Connection: close", then close

    [[nodiscard]] static FakeRdapReply Json(int status, std::string body);
    [[nodiscard]] static FakeRdapReply Status(int status);
    [[nodiscard]] static FakeRdapReply Redirect(int status, std::string location);
    [[nodiscard]] static FakeRdapReply Stall();
    [[nodiscard]] static FakeRdapReply Close();
    FakeRdapReply&& WithHeader(std::string name, std::string value) &&;
};

struct FakeRdapRequest {
    std::size_t connection = 0; // 0-based, in the order of accept
    std::string method;
    std::string target;                            // path and query
    std::string host;                              // the Host header
    std::string sni;                               // the name asked for in the TLS handshake
    std::map<std::string, std::string> headers;    // names lower-case
    std::chrono::steady_clock::time_point arrived; // when its whole header was read
};

class FakeRdapServer : public FakeServerLoop {
public:
    // Certificates for `hostNames` from a CA of its own. Throws
    // std::runtime_error when it cannot listen or make certificates.
    explicit FakeRdapServer(std::vector<std::string> hostNames);
    ~FakeRdapServer() override;

    // A PEM file with the CA certificate, removed with the server.
    [[nodiscard]] const std::string& caFile() const { return m_caFile; }
    [[nodiscard]] std::string caPem() const { return m_ca.caPem(); }

    void SetReply(const std::string& target, FakeRdapReply reply);
    // One reply per request to that target, in order; the last one repeats.
    void SetReplySequence(const std::string& target, std::vector<FakeRdapReply> replies);
    // For targets without a reply of their own. Initially a 404.
    void SetDefaultReply(FakeRdapReply reply);

    [[nodiscard]] std::vector<FakeRdapRequest> Requests() const;
    // True once `count` requests have arrived (whole header); false at the deadline.
    [[nodiscard]] bool WaitForRequests(std::size_t count, std::chrono::milliseconds timeout) const;
    // True once `count` connections have ended; false at the deadline.
    [[nodiscard]] bool WaitForClosedConnections(std::size_t count,
                                                std::chrono::milliseconds timeout) const {
        return WaitForFinishedConnections(count, timeout);
    }

private:
    void Serve(Connection& connection) override;
    [[nodiscard]] FakeRdapReply ReplyFor(const std::string& target);

    TestCertificateAuthority m_ca;
    std::shared_ptr<ssl_ctx_st> m_context;
    std::string m_caFile;
    ReplySequences<FakeRdapReply> m_replies;
    FakeRdapReply m_default;
    std::vector<FakeRdapRequest> m_requests;
};
