// Test support: a throw-away certificate authority and server certificates, made at test time
// with the openssl command into a temporary folder (deleted with the object).
//
//   TestCertificates certificates;                 // throws std::runtime_error on failure
//   ServiceProcess::Start({"--tls-cert", certificates.Server().certificate,
//                          "--tls-key", certificates.Server().key});
//   SetServiceCAFile(certificates.AuthorityFile());
#pragma once

#include <string>

struct CertificateFiles
{
    std::string certificate; // PEM
    std::string key;         // PEM
};

class TestCertificates
{
public:
    TestCertificates();
    ~TestCertificates();
    TestCertificates(const TestCertificates &) = delete;
    TestCertificates &operator=(const TestCertificates &) = delete;

    // The authority's certificate: the trust a client is given.
    const std::string &AuthorityFile() const { return m_authority.certificate; }
    // Signed by the authority for IP address 127.0.0.1 and the name "localhost".
    const CertificateFiles &Server() const { return m_server; }
    // Signed by the authority, for the name "elsewhere.example" only.
    const CertificateFiles &OtherName() const { return m_otherName; }
    // For 127.0.0.1 and "localhost", signed by its own key.
    const CertificateFiles &SelfSigned() const { return m_selfSigned; }

private:
    CertificateFiles Issue(const std::string &name, const std::string &altNames);

    std::string m_directory;
    CertificateFiles m_authority;
    CertificateFiles m_server;
    CertificateFiles m_otherName;
    CertificateFiles m_selfSigned;
};
