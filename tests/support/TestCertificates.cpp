// A certificate authority and server certificates for TLS tests, made by the openssl command.
#include "TestCertificates.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace {

void Run(const std::string &command)
{
    if (std::system((command + " >/dev/null 2>&1").c_str()) != 0)
        throw std::runtime_error("certificate command failed: " + command);
}

// EC keys: quick to make, accepted everywhere.
const char kNewKey[] = "-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";

} // namespace

TestCertificates::TestCertificates()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "test-certificates-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary folder");
    m_directory = pattern;
    m_authority = {m_directory + "/authority.pem", m_directory + "/authority.key"};
    Run(std::string("openssl req -x509 ") + kNewKey + " -keyout " + m_authority.key + " -out " + m_authority.certificate +
        " -days 2 -subj /CN=Penlark-Test-Authority -addext basicConstraints=critical,CA:TRUE"
        " -addext keyUsage=critical,keyCertSign,cRLSign");
    m_server = Issue("server", "IP:127.0.0.1,DNS:localhost");
    m_otherName = Issue("other-name", "DNS:elsewhere.example");
    m_selfSigned = {m_directory + "/self-signed.pem", m_directory + "/self-signed.key"};
    Run(std::string("openssl req -x509 ") + kNewKey + " -keyout " + m_selfSigned.key + " -out " + m_selfSigned.certificate +
        " -days 2 -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1,DNS:localhost");
}

TestCertificates::~TestCertificates()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_directory, ignored);
}

CertificateFiles TestCertificates::Issue(const std::string &name, const std::string &altNames)
{
    const std::string base = m_directory + "/" + name;
    CertificateFiles files{base + ".pem", base + ".key"};
    std::ofstream(base + ".ext") << "basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\n"
                                    "extendedKeyUsage=serverAuth\nsubjectAltName="
                                 << altNames << "\n";
    Run(std::string("openssl req ") + kNewKey + " -keyout " + files.key + " -out " + base + ".csr -subj /CN=" + name);
    Run("openssl x509 -req -in " + base + ".csr -CA " + m_authority.certificate + " -CAkey " + m_authority.key +
        " -CAcreateserial -days 2 -extfile " + base + ".ext -out " + files.certificate);
    return files;
}
