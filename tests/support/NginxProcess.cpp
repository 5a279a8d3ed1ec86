// Runs nginx with the deployment example in front of service processes, and talks TLS to it.
#include "NginxProcess.h"

#include "RawHttp.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/ssl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <utility>

#ifndef NGINX_SITE_CONFIG
#error "NGINX_SITE_CONFIG must name the deployment example"
#endif

namespace {

using Clock = std::chrono::steady_clock;

std::string ReadFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The example with its marked values (the lines ending in "# SET: ...") set. Each value to
// replace must stand on exactly one marked line, and every marked line must be set: what runs is
// the file as an operator runs it after setting those values, nothing else changed.
std::string SetMarkedValues(const std::string &example, const std::vector<std::pair<std::string, std::string>> &values)
{
    std::istringstream lines(example);
    std::string line, result;
    std::vector<int> uses(values.size(), 0);
    while (std::getline(lines, line)) {
        const bool marked = line.find("# SET:") != std::string::npos;
        int matched = 0;
        for (std::size_t i = 0; i < values.size(); ++i) {
            auto at = line.find(values[i].first);
            if (at == std::string::npos)
                continue;
            if (!marked)
                throw std::runtime_error("\"" + values[i].first + "\" is on an unmarked line: " + line);
            line.replace(at, values[i].first.size(), values[i].second);
            ++uses[i];
            ++matched;
        }
        if (marked && matched != 1)
            throw std::runtime_error("a marked line the test does not set exactly once: " + line);
        result += line + "\n";
    }
    for (std::size_t i = 0; i < values.size(); ++i)
        if (uses[i] != 1)
            throw std::runtime_error("\"" + values[i].first + "\" is not in the example once");
    return result;
}

} // namespace

std::string NginxPath()
{
    for (const char *candidate : {"/usr/sbin/nginx", "/usr/local/sbin/nginx", "/usr/bin/nginx"})
        if (access(candidate, X_OK) == 0)
            return candidate;
    return {};
}

int FreePort()
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    const bool bound = fd >= 0 && bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0 &&
                       getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) == 0;
    if (fd >= 0)
        close(fd);
    if (!bound)
        throw std::runtime_error("no free port");
    return ntohs(address.sin_port);
}

bool AcceptsConnections(int port)
{
    int fd = ConnectFrom(port, "127.0.0.1", 1000);
    if (fd < 0)
        return false;
    close(fd);
    return true;
}

std::string PlatformSiteConfig(int port, int firstProcessPort, int secondProcessPort, const CertificateFiles &tls)
{
    return SetMarkedValues(ReadFile(NGINX_SITE_CONFIG),
                           {{"server 10.0.0.11:8089", "server 127.0.0.1:" + std::to_string(firstProcessPort)},
                            {"server 10.0.0.12:8089", "server 127.0.0.1:" + std::to_string(secondProcessPort)},
                            {"listen 443 ssl", "listen 127.0.0.1:" + std::to_string(port) + " ssl"},
                            {"server_name school.example", "server_name 127.0.0.1"},
                            {"/etc/ssl/platform/fullchain.pem", tls.certificate},
                            {"/etc/ssl/platform/privkey.pem", tls.key}});
}

NginxProcess::NginxProcess(const std::string &nginx, const std::string &siteConfig, int port) : m_port(port)
{
    m_prefix = (std::filesystem::temp_directory_path() / "platform-nginx-XXXXXX").string();
    if (!mkdtemp(m_prefix.data()))
        throw std::runtime_error("cannot create a temporary folder");
    // Started as root, nginx runs its workers as an unprivileged user, who must reach the
    // temporary files it keeps here.
    chmod(m_prefix.c_str(), 0711);
    std::ofstream(m_prefix + "/platform.conf") << siteConfig;
    std::ofstream(m_prefix + "/nginx.conf") << "worker_processes 1;\npid " << m_prefix << "/nginx.pid;\nerror_log " << m_prefix
                                            << "/error.log notice;\n"
                                            << "events { worker_connections 1024; }\nhttp {\n"
                                            << "  log_format upstreams '$request_method $uri $status [$upstream_addr]';\n"
                                            << "  access_log " << m_prefix << "/access.log upstreams;\n"
                                            << "  client_body_temp_path " << m_prefix << "/body;\n  proxy_temp_path " << m_prefix
                                            << "/proxy;\n"
                                            << "  fastcgi_temp_path " << m_prefix << "/fastcgi;\n  uwsgi_temp_path " << m_prefix
                                            << "/uwsgi;\n"
                                            << "  scgi_temp_path " << m_prefix << "/scgi;\n  include " << m_prefix
                                            << "/platform.conf;\n}\n";
    Spawn(nginx);
    WaitUntilListening();
}

NginxProcess::~NginxProcess()
{
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        int status = 0;
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        while (waitpid(m_pid, &status, WNOHANG) == 0) {
            if (Clock::now() > deadline) {
                kill(m_pid, SIGKILL);
                waitpid(m_pid, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    std::error_code ignored;
    std::filesystem::remove_all(m_prefix, ignored);
}

std::string NginxProcess::ErrorLog() const
{
    return ReadFile(m_prefix + "/error.log");
}

std::string NginxProcess::AccessLog() const
{
    return ReadFile(m_prefix + "/access.log");
}

std::vector<pid_t> NginxProcess::Processes() const
{
    std::vector<pid_t> pids = {m_pid};
    std::istringstream children(ReadFile("/proc/" + std::to_string(m_pid) + "/task/" + std::to_string(m_pid) + "/children"));
    for (pid_t child; children >> child;)
        pids.push_back(child);
    return pids;
}

void NginxProcess::Spawn(const std::string &nginx)
{
    const std::string configuration = m_prefix + "/nginx.conf";
    const std::string errorLog = m_prefix + "/error.log";
    m_pid = fork();
    if (m_pid < 0)
        throw std::runtime_error("fork failed");
    if (m_pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        execl(nginx.c_str(), nginx.c_str(), "-p", m_prefix.c_str(), "-c", configuration.c_str(), "-e", errorLog.c_str(), "-g",
              "daemon off;", static_cast<char *>(nullptr));
        _exit(127);
    }
}

void NginxProcess::WaitUntilListening()
{
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (!AcceptsConnections(m_port)) {
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            throw std::runtime_error("nginx did not start:\n" + ErrorLog());
        }
        if (Clock::now() > deadline)
            throw std::runtime_error("nginx did not listen within 20 s:\n" + ErrorLog());
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

std::string TlsExchangeFrom(int port, const char *source, const std::string &request, const std::string &caFile)
{
    const int fd = ConnectFrom(port, source, 30000);
    if (fd < 0)
        return {};
    std::unique_ptr<SSL_CTX, decltype(&SSL_CTX_free)> context(SSL_CTX_new(TLS_client_method()), SSL_CTX_free);
    SSL_CTX_load_verify_locations(context.get(), caFile.c_str(), nullptr);
    SSL_CTX_set_verify(context.get(), SSL_VERIFY_PEER, nullptr);
    std::unique_ptr<SSL, decltype(&SSL_free)> tls(SSL_new(context.get()), SSL_free);
    SSL_set_fd(tls.get(), fd);
    std::string response;
    if (SSL_connect(tls.get()) == 1) {
        // A refusal may come before the whole request is taken: read it whatever the write did.
        SSL_write(tls.get(), request.data(), static_cast<int>(request.size()));
        char buffer[8192];
        int n;
        while ((n = SSL_read(tls.get(), buffer, sizeof buffer)) > 0)
            response.append(buffer, static_cast<std::size_t>(n));
    }
    close(fd);
    return response;
}
