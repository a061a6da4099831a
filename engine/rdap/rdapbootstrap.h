// SPDX-License-Identifier: MIT
#pragma once

// IANA's RDAP bootstrap for domain names: which RDAP service answers for a
// TLD. The file lists services as [[labels...], [base URLs...]]; a name is
// served by the entry whose label matches the most of its trailing labels.
// Only HTTPS base URLs are used.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

class RdapBootstrap {
public:
    // The services of a bootstrap file; nullopt (and `error` set) when the
    // text is not JSON or holds no "services" list.
    [[nodiscard]] static std::optional<RdapBootstrap> Parse(std::string_view json,
                                                            std::string* error = nullptr);

    // The base URL (ending in '/') of the service for an ASCII domain name,
    // "" when the bootstrap lists none of its trailing labels.
    [[nodiscard]] std::string BaseUrlFor(std::string_view domain) const;

    // The file's "publication" text, e.g. "2025-11-06T23:00:01Z".
    [[nodiscard]] const std::string& publication() const { return m_publication; }
    // How many labels (TLDs) have a service.
    [[nodiscard]] std::size_t size() const { return m_services.size(); }

private:
    std::unordered_map<std::string, std::string> m_services; // lower-case label -> base URL
    std::string m_publication;
};

// "{base}domain/{name}": the base keeps its path, a missing '/' is added.
[[nodiscard]] std::string RdapDomainUrl(std::string_view baseUrl, std::string_view asciiName);

// The snapshot of IANA's file compiled into the program: the offline default.
[[nodiscard]] std::string_view BundledRdapBootstrapJson();
