// SPDX-License-Identifier: MIT
#include "engine/batch/batchprotocols.h"

#include <algorithm>
#include <cstdlib>

#include "core/ccore.h"
#include "engine/net/addressrules.h"

namespace {

std::string FromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

std::string WithSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/') {
        folder += '/';
    }
    return folder;
}

} // namespace

BatchProtocolSetup ProtocolSetupFor(const QueryOptions& options) {
    BatchProtocolSetup setup;
    setup.protocol = options.protocol;
    setup.bootstrapFile = !options.rdapBootstrapFile.empty()
                              ? options.rdapBootstrapFile
                              : FromEnvironment("ZENTRIX_RDAP_BOOTSTRAP");
    std::string folder = options.dataFolder;
    if (folder.empty() && options.core != nullptr) {
        folder = options.core->getAppPath();
    }
    setup.dataFolder = WithSlash(std::move(folder));
    setup.refreshUrl = RdapBootstrapUrlFromEnvironment();

    RdapClientOptions& client = setup.client;
    client.caFile = !options.caFile.empty() ? options.caFile : FromEnvironment("ZENTRIX_CACERT");
    client.connectTo = options.client.connectTo;
    client.connectTimeoutMs = options.client.connectTimeoutMs;
    client.totalTimeoutMs = options.client.totalTimeoutMs;
    // Enough idle connections for every query a host may have open at once.
    client.idleHandlesPerOrigin = std::max<std::size_t>(client.idleHandlesPerOrigin,
                                                        static_cast<std::size_t>(options.perHost));
    client.isPublicAddress = [](const sockaddr& address) { return IsPublicAddress(&address); };
    client.proxyFromEnvironment = options.proxyFromEnvironment;
    return setup;
}

std::string CheckProtocolFiles(const BatchProtocolSetup& setup) {
    if (!setup.client.caFile.empty()) {
        RdapClientOptions options;
        options.caFile = setup.client.caFile;
        const RdapClient client(options);
        if (!client.caError().empty()) {
            return "CA file " + client.caError();
        }
    }
    if (setup.protocol != ProtocolChoice::Whois && !setup.bootstrapFile.empty()) {
        RdapBootstrapSource source;
        source.file = setup.bootstrapFile;
        const RdapBootstrapLoad load = LoadRdapBootstrap(source, {});
        if (!load.bootstrap) {
            return "RDAP bootstrap " + load.error;
        }
    }
    return {};
}

std::unique_ptr<BatchProtocols> BatchProtocols::Open(const BatchProtocolSetup& setup,
                                                     const std::atomic<bool>* stop,
                                                     std::string& error) {
    std::unique_ptr<BatchProtocols> protocols(new BatchProtocols());
    protocols->m_protocol = setup.protocol;
    protocols->m_client = std::make_unique<RdapClient>(setup.client);
    if (!protocols->m_client->caError().empty()) {
        error = "CA file " + protocols->m_client->caError();
        return nullptr;
    }
    if (setup.protocol != ProtocolChoice::Whois) {
        RdapBootstrapSource source;
        source.file = setup.bootstrapFile;
        source.dataFolder = setup.dataFolder;
        source.refreshUrl = setup.refreshUrl;
        RdapClient& client = *protocols->m_client;
        RdapBootstrapLoad load = LoadRdapBootstrap(source, [&client, stop](RdapRequest request) {
            request.timeoutMs = kBootstrapRefreshTimeoutMs;
            return client.Get(request, stop);
        });
        if (!load.bootstrap) {
            error = "RDAP bootstrap " + load.error;
            return nullptr;
        }
        protocols->m_bootstrap = std::move(load.bootstrap);
        protocols->m_origin = load.origin;
    }
    protocols->m_iana = std::make_unique<IanaWhoisDirectory>(
        setup.dataFolder.empty() ? std::string() : setup.dataFolder + kIanaWhoisCacheName);
    return protocols;
}
