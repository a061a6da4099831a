// SPDX-License-Identifier: MIT
#pragma once

// What a batch needs to ask each row by the protocol chosen: the RDAP
// client, the RDAP bootstrap, IANA's directory of port-43 servers and the
// hosts found down. Opened once when the batch starts, on the batch's own
// thread (the bootstrap cache may be refreshed over the network), then
// shared by the workers; each piece guards its own state.

#include <atomic>
#include <memory>
#include <optional>
#include <string>

#include "engine/batch/downhosts.h"
#include "engine/batch/queryoptions.h"
#include "engine/rdap/rdapbootstrap.h"
#include "engine/rdap/rdapbootstrapstore.h"
#include "engine/rdap/rdapclient.h"
#include "engine/whois/ianawhois.h"

// The longest a refresh of the bootstrap cache may hold up the start of a
// batch; a slower one keeps the last good copy.
inline constexpr int kBootstrapRefreshTimeoutMs = 15'000;

struct BatchProtocolSetup {
    ProtocolChoice protocol = ProtocolChoice::Auto;
    std::string bootstrapFile; // used as it is, never refreshed; "": the cache or the bundled copy
    std::string dataFolder;    // where the caches live, ending in '/'; "": nothing kept
    std::string refreshUrl;    // where the bootstrap cache is refreshed from; "": never
    RdapClientOptions client;  // its CA file, connect-to overrides and time limits
};

// The setup of a batch run with `options`: the bootstrap and CA files named
// there, else those named by $ZENTRIX_RDAP_BOOTSTRAP and $ZENTRIX_CACERT;
// the data folder named there, else the core's program folder; the refresh
// address of RdapBootstrapUrlFromEnvironment; the WHOIS client's connect-to
// overrides and time limits.
[[nodiscard]] BatchProtocolSetup ProtocolSetupFor(const QueryOptions& options);

// Why a file the setup names cannot be used, "" when every one can: for the
// command line to refuse before a batch starts.
[[nodiscard]] std::string CheckProtocolFiles(const BatchProtocolSetup& setup);

class BatchProtocols {
public:
    // nullptr, with `error` set, when a file the setup names cannot be used
    // (a CA file that cannot be read, a bootstrap file that is not one):
    // trusting fewer CAs, or asking other servers, than the user asked for
    // would be wrong. `stop` cuts a refresh of the bootstrap short.
    [[nodiscard]] static std::unique_ptr<BatchProtocols>
    Open(const BatchProtocolSetup& setup, const std::atomic<bool>* stop, std::string& error);

    BatchProtocols(const BatchProtocols&) = delete;
    BatchProtocols& operator=(const BatchProtocols&) = delete;

    [[nodiscard]] ProtocolChoice protocol() const { return m_protocol; }
    // None when the batch asks port 43 only.
    [[nodiscard]] const RdapBootstrap* bootstrap() const {
        return m_bootstrap ? &*m_bootstrap : nullptr;
    }
    [[nodiscard]] RdapBootstrapOrigin bootstrapOrigin() const { return m_origin; }
    [[nodiscard]] RdapClient& client() { return *m_client; }
    [[nodiscard]] IanaWhoisDirectory& iana() { return *m_iana; }
    // RDAP servers that could not be reached, with the failure to answer in their stead.
    [[nodiscard]] DownHosts<RdapHttpResult>& downRdap() { return m_downRdap; }
    // whois.iana.org when it could not be reached, with the client's marker.
    [[nodiscard]] DownHosts<std::string>& downWhois() { return m_downWhois; }

private:
    BatchProtocols() = default;

    ProtocolChoice m_protocol = ProtocolChoice::Auto;
    std::unique_ptr<RdapClient> m_client;
    std::optional<RdapBootstrap> m_bootstrap;
    RdapBootstrapOrigin m_origin = RdapBootstrapOrigin::Bundled;
    std::unique_ptr<IanaWhoisDirectory> m_iana;
    DownHosts<RdapHttpResult> m_downRdap;
    DownHosts<std::string> m_downWhois;
};
