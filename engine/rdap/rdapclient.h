// SPDX-License-Identifier: MIT
#pragma once

// The HTTPS side of RDAP: GET one URL and return the status, the body and
// the headers that matter, failures in-band (engine/rdap/rdaphttp.h).
//
// Each origin (scheme, host, port) keeps a few idle handles, each holding
// at most one open connection, so a later query to the same host reuses it
// (keep-alive) and as many queries to one host can be open at once as the
// caller allows. The idle handles of all origins together are capped, the
// least recently used closed first, so a batch touching thousands of
// registrars' servers holds a bounded number of descriptors (about three
// per idle handle: its connection and its wake-up pair). HTTP/2 is used
// where the server offers it. Redirects are not followed here: a 3xx comes
// back with its `location`, for the caller to check like a referral.
// TLS is verified against the system's CA store, plus the CAs of `caFile`.
//
// A request may leave through a proxy. A host it must check (`publicOnly`)
// is then looked up here and checked, and the proxy is asked to connect to
// the checked address, never to the name; a connect-to mapping is likewise
// handed to the proxy as the address to connect to.

#include <atomic>
#include <cstddef>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/net/connectto.h"
#include "engine/rdap/rdaphttp.h"

struct sockaddr;

struct RdapClientOptions {
    std::vector<ConnectOverride> connectTo; // the same mapping as for WHOIS
    std::string caFile;                     // PEM file of further trusted CAs; "" none
    // The system's CA bundle, still trusted beside `caFile`; "": the one
    // libcurl was built with, else the Debian path.
    std::string systemCaFile;
    int connectTimeoutMs = 10'000;
    int totalTimeoutMs = 60'000; // the whole query
    std::size_t maxAnswerBytes = 4u << 20;
    std::size_t idleHandlesPerOrigin = 4; // kept for reuse; more may be open at once
    std::size_t maxIdleHandles = 64;      // of all origins together
    // Whether an address is public, checked when a `publicOnly` request
    // connects (after the look-up, so a name cannot change its answer in
    // between); empty: every address passes.
    std::function<bool(const sockaddr& address)> isPublicAddress;
    // Whether a request without a proxy of its own may use the one the
    // environment names (http_proxy, https_proxy, ALL_PROXY); off: never.
    bool proxyFromEnvironment = false;
};

class RdapClient {
public:
    explicit RdapClient(RdapClientOptions options);
    ~RdapClient();
    RdapClient(const RdapClient&) = delete;
    RdapClient& operator=(const RdapClient&) = delete;

    // Thread-safe. Returns within 250 ms of `stop` becoming true (failure
    // Stopped) and within the time limit (failure TimedOut).
    [[nodiscard]] RdapHttpResult Get(const RdapRequest& request,
                                     const std::atomic<bool>* stop = nullptr);

    // Why `caFile`, or the system's bundle beside it, could not be used (""
    // when they could); every Get then fails with RdapFailure::Tls, since
    // trusting other CAs than asked would be wrong.
    [[nodiscard]] const std::string& caError() const { return m_caError; }

    [[nodiscard]] const RdapClientOptions& options() const { return m_options; }

private:
    struct Handle;

    [[nodiscard]] std::unique_ptr<Handle> Acquire(const std::string& origin);
    void Release(const std::string& origin, std::unique_ptr<Handle> handle);
    // For a request through a proxy: `host` looked up and checked, `entry`
    // the CURLOPT_CONNECT_TO line that sends the connection to the checked
    // address; else why not.
    [[nodiscard]] RdapFailure PinCheckedAddress(const std::string& host, const std::string& origin,
                                                std::string& entry,
                                                const std::atomic<bool>* stop) const;

    RdapClientOptions m_options;
    std::string m_caBundle; // system CAs and `caFile`, when `caFile` is set
    std::string m_caError;
    struct Idle {
        std::string origin;
        std::unique_ptr<Handle> handle;
    };

    std::mutex m_mutex;
    std::list<Idle> m_idle; // least recently used first
};
