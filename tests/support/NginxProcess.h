// Test support: nginx in front of service processes, running the deployment example
// (server/deploy/nginx-platform.conf) with only its marked values set, as the test's own child.
//
//   auto site = PlatformSiteConfig(port, first->Port(), second->Port(), certificates.SelfSigned());
//   NginxProcess nginx(NginxPath(), site, port);   // throws std::runtime_error with nginx's log
//   TlsExchangeFrom(nginx.Port(), "127.0.0.41", request, certificates.SelfSigned().certificate);
#pragma once

#include "TestCertificates.h"

#include <sys/types.h>

#include <string>
#include <vector>

// The nginx executable, or "" when it is not installed (a test then exits 77, a skip).
std::string NginxPath();

// A port on 127.0.0.1 nobody listens on right now.
int FreePort();
// Whether something accepts connections on 127.0.0.1:port.
bool AcceptsConnections(int port);

// The deployment example with its marked values set: nginx listening on 127.0.0.1:port with
// the certificate, in front of the processes on 127.0.0.1:firstProcessPort and
// 127.0.0.1:secondProcessPort. Throws when the example's marked lines are not the ones known
// here: only those values are ever changed.
std::string PlatformSiteConfig(int port, int firstProcessPort, int secondProcessPort, const CertificateFiles &tls);

// nginx running a site file inside a main configuration that keeps its pid file, logs and
// temporary files in a temporary folder of its own. Stopped with the object, and with the test
// process should that die first.
class NginxProcess
{
public:
    // port: the one the site file listens on. Waits until nginx accepts connections there.
    NginxProcess(const std::string &nginx, const std::string &siteConfig, int port);
    ~NginxProcess();
    NginxProcess(const NginxProcess &) = delete;
    NginxProcess &operator=(const NginxProcess &) = delete;

    int Port() const { return m_port; }
    std::string ErrorLog() const;
    // One line per request: "POST /iface/api.asmx 200 [127.0.0.1:P1, 127.0.0.1:P2]", with the
    // processes tried in turn.
    std::string AccessLog() const;
    // The master process and its workers.
    std::vector<pid_t> Processes() const;

private:
    void Spawn(const std::string &nginx);
    void WaitUntilListening();

    int m_port;
    std::string m_prefix;
    pid_t m_pid = -1;
};

// One request over TLS to 127.0.0.1:port from the given local address (127/8), the server's
// certificate checked against caFile; what came back until the close ("" when no TLS session
// was made). Send "Connection: close".
std::string TlsExchangeFrom(int port, const char *source, const std::string &request, const std::string &caFile);
