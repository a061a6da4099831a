// SPDX-License-Identifier: MIT
#include "tests/support/testca.h"

#include <atomic>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <stdexcept>

namespace {

std::shared_ptr<EVP_PKEY> NewKey() {
    EVP_PKEY* key = EVP_EC_gen("P-256");
    if (key == nullptr) {
        throw std::runtime_error("test CA: cannot make a key");
    }
    return {key, EVP_PKEY_free};
}

void AddExtension(X509* certificate, X509* issuer, int nid, const char* value) {
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
    if (extension == nullptr || X509_add_ext(certificate, extension, -1) != 1) {
        X509_EXTENSION_free(extension);
        throw std::runtime_error(std::string("test CA: cannot add extension ") + value);
    }
    X509_EXTENSION_free(extension);
}

// A certificate valid from an hour ago for two days, named as issued by
// `issuer` (itself when null); extensions and the signature come after.
std::shared_ptr<X509> NewCertificate(const std::string& commonName, EVP_PKEY* key, X509* issuer) {
    static std::atomic<long> serial{1};
    std::shared_ptr<X509> certificate(X509_new(), X509_free);
    if (!certificate) {
        throw std::runtime_error("test CA: out of memory");
    }
    X509* raw = certificate.get();
    X509_set_version(raw, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(raw), serial++);
    X509_gmtime_adj(X509_getm_notBefore(raw), -3600);
    X509_gmtime_adj(X509_getm_notAfter(raw), 2 * 24 * 3600);
    X509_set_pubkey(raw, key);
    X509_NAME* name = X509_get_subject_name(raw);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>(commonName.c_str()), -1, -1,
                               0);
    X509_set_issuer_name(raw, issuer != nullptr ? X509_get_subject_name(issuer) : name);
    return certificate;
}

void Sign(X509* certificate, EVP_PKEY* key) {
    if (X509_sign(certificate, key, EVP_sha256()) <= 0) {
        throw std::runtime_error("test CA: cannot sign");
    }
}

} // namespace

TestCertificateAuthority::TestCertificateAuthority(const std::string& commonName)
    : m_key(NewKey()) {
    m_certificate = NewCertificate(commonName, m_key.get(), nullptr);
    X509* raw = m_certificate.get();
    AddExtension(raw, raw, NID_basic_constraints, "critical,CA:TRUE");
    AddExtension(raw, raw, NID_key_usage, "critical,keyCertSign,cRLSign");
    AddExtension(raw, raw, NID_subject_key_identifier, "hash");
    AddExtension(raw, raw, NID_authority_key_identifier, "keyid:always");
    Sign(raw, m_key.get());
}

TestCertificateAuthority::~TestCertificateAuthority() = default;

TestCertificateAuthority::Issued
TestCertificateAuthority::Issue(const std::vector<std::string>& hostNames) const {
    Issued issued;
    issued.key = NewKey();
    const std::string commonName = hostNames.empty() ? "localhost" : hostNames.front();
    issued.certificate = NewCertificate(commonName, issued.key.get(), m_certificate.get());
    X509* raw = issued.certificate.get();
    std::string names = "IP:127.0.0.1";
    for (const std::string& host : hostNames) {
        names += ",DNS:" + host;
    }
    AddExtension(raw, m_certificate.get(), NID_basic_constraints, "critical,CA:FALSE");
    AddExtension(raw, m_certificate.get(), NID_key_usage, "critical,digitalSignature");
    AddExtension(raw, m_certificate.get(), NID_ext_key_usage, "serverAuth");
    AddExtension(raw, m_certificate.get(), NID_subject_alt_name, names.c_str());
    AddExtension(raw, m_certificate.get(), NID_subject_key_identifier, "hash");
    AddExtension(raw, m_certificate.get(), NID_authority_key_identifier, "keyid:always");
    Sign(raw, m_key.get());
    return issued;
}

std::string TestCertificateAuthority::caPem() const {
    BIO* bio = BIO_new(BIO_s_mem());
    if (bio == nullptr || PEM_write_bio_X509(bio, m_certificate.get()) != 1) {
        BIO_free(bio);
        throw std::runtime_error("test CA: cannot write PEM");
    }
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    std::string pem(data, static_cast<std::size_t>(size));
    BIO_free(bio);
    return pem;
}
