// SPDX-License-Identifier: MIT
#pragma once

// A throwaway certificate authority made at test time: a CA certificate and
// server certificates it signs for given host names (and 127.0.0.1), all
// with fresh P-256 keys that live only in memory. Nothing is read from disk.

#include <memory>
#include <string>
#include <vector>

struct evp_pkey_st;
struct x509_st;

class TestCertificateAuthority {
public:
    // Throws std::runtime_error when OpenSSL cannot make the keys or certificates.
    explicit TestCertificateAuthority(const std::string& commonName = "zentrix test CA");
    ~TestCertificateAuthority();
    TestCertificateAuthority(const TestCertificateAuthority&) = delete;
    TestCertificateAuthority& operator=(const TestCertificateAuthority&) = delete;

    struct Issued {
        std::shared_ptr<x509_st> certificate;
        std::shared_ptr<evp_pkey_st> key;
    };
    // A server certificate for `hostNames` (and the address 127.0.0.1).
    [[nodiscard]] Issued Issue(const std::vector<std::string>& hostNames) const;

    // The CA certificate in PEM, for a client's trusted-CA file.
    [[nodiscard]] std::string caPem() const;

private:
    std::shared_ptr<evp_pkey_st> m_key;
    std::shared_ptr<x509_st> m_certificate;
};
