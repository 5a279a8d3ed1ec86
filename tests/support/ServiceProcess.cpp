// Starts and stops the reference service for integration tests, and talks plain HTTP to it.
#include "ServiceProcess.h"


#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

#ifndef PLATFORM_SERVICE_PATH
#error "PLATFORM_SERVICE_PATH must name the platform-service executable"
#endif
#ifndef PLATFORM_DATA_DIR
#error "PLATFORM_DATA_DIR must name the seed folder"
#endif

namespace {

// Reads the first line the child prints, waiting at most until the deadline.
std::string ReadFirstLine(int fd, std::chrono::steady_clock::time_point deadline)
{
    std::string line;
    while (std::chrono::steady_clock::now() < deadline) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count()) + 1) <= 0)
            continue;
        char c;
        ssize_t got = read(fd, &c, 1);
        if (got <= 0)
            break;
        if (c == '\n')
            return line;
        line.push_back(c);
    }
    return {};
}

// A fresh temporary folder for one service's database.
std::string MakeServiceFolder()
{
    std::string folder = (std::filesystem::temp_directory_path() / "platform-service-XXXXXX").string();
    if (!mkdtemp(folder.data()))
        throw std::runtime_error("cannot create a temporary folder");
    return folder;
}

struct SpawnedService
{
    pid_t pid;
    int output; // the read end of the child's childStream
};

// Starts platform-service with the database in folder, its seed and the extra arguments; the
// child's childStream (standard output or error) is a pipe the caller reads. Standard error,
// when it is not that pipe, goes to errorFile if one is named (the service logs a line per
// request there: a pipe nobody reads would fill and stop it). The service ends with the test
// process, even when a test crashes.
SpawnedService SpawnService(const std::string &database, std::vector<std::string> extraArgs, int childStream,
                            const std::string &errorFile = {})
{
    std::vector<std::string> args = {PLATFORM_SERVICE_PATH, "--port", "0", "--db", database,
                                     "--data", PLATFORM_DATA_DIR};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    std::vector<char *> argv;
    for (std::string &arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        throw std::runtime_error("pipe failed");
    const pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (!errorFile.empty()) {
            const int errors = open(errorFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
            if (errors >= 0)
                dup2(errors, STDERR_FILENO);
        }
        dup2(pipeEnds[1], childStream);
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(pipeEnds[1]);
    return {pid, pipeEnds[0]};
}

} // namespace

std::unique_ptr<ServiceProcess> ServiceProcess::Start(const std::vector<std::string> &extraArgs, bool testControls)
{
    // A service that closes a connection must not end the test process.
    signal(SIGPIPE, SIG_IGN);
    std::unique_ptr<ServiceProcess> service(new ServiceProcess);
    service->m_directory = MakeServiceFolder();
    service->m_database = std::make_unique<TestDatabase>(service->m_directory);
    service->m_databasePath = service->m_database->Target();
    // Tests stop services all the time and have no load balancer to warn: no grace before the
    // listening socket closes (a test that wants one passes --drain-grace itself, later wins).
    std::vector<std::string> args = {"--drain-grace", "0"};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    if (testControls)
        args.insert(args.begin(), "--test-controls");
    const SpawnedService spawned =
        SpawnService(service->m_databasePath, args, STDOUT_FILENO, service->ErrorFile());
    service->m_pid = spawned.pid;
    std::string line = ReadFirstLine(spawned.output, std::chrono::steady_clock::now() + std::chrono::seconds(30));
    close(spawned.output); // the service prints nothing more on standard output
    auto colon = line.rfind(':');
    if ((line.rfind("http://", 0) != 0 && line.rfind("https://", 0) != 0) || colon == std::string::npos || line.back() != '/')
        throw std::runtime_error("platform-service did not start (first line: \"" + line + "\"; standard error: " +
                                 service->ErrorOutput() + ")");
    service->m_baseAddress = line;
    service->m_port = std::atoi(line.c_str() + colon + 1);
    return service;
}

ServiceProcess::~ServiceProcess()
{
    Stop();
    m_database.reset();
    if (!m_directory.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(m_directory, ignored);
    }
}

int ServiceProcess::Stop()
{
    if (m_pid <= 0)
        return -1;
    kill(m_pid, SIGTERM);
    int status = 0;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (waitpid(m_pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    m_pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

ServiceProcess::Exit ServiceProcess::RunToExit(const std::vector<std::string> &extraArgs)
{
    const std::string folder = MakeServiceFolder();
    const TestDatabase database(folder);
    const SpawnedService spawned = SpawnService(database.Target(), extraArgs, STDERR_FILENO);
    const int err = spawned.output;
    const pid_t pid = spawned.pid;
    Exit result;
    // Standard error until the service closes it (it exits) or the time is up.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    bool timedOut = true;
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd p{err, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0)
            continue;
        char buffer[512];
        const ssize_t got = read(err, buffer, sizeof buffer);
        if (got <= 0) {
            timedOut = false;
            break;
        }
        result.errorOutput.append(buffer, static_cast<std::size_t>(got));
    }
    close(err);
    if (timedOut)
        kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    result.status = !timedOut && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return result;
}

std::string ServiceProcess::ErrorFile() const
{
    return m_directory + "/service-stderr.log";
}

std::string ServiceProcess::ErrorOutput() const
{
    std::ifstream in(ErrorFile(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ServiceProcess::Control(const std::string &control, int *status) const
{
    return Get("/test/" + control, status);
}

std::string ServiceProcess::Get(const std::string &target, int *status) const
{
    std::string response = RawHttpExchange(m_port, "GET " + target + " HTTP/1.0\r\nHost: 127.0.0.1:" +
                                                        std::to_string(m_port) + "\r\n\r\n");
    if (status)
        *status = 0;
    auto headerEnd = response.find("\r\n\r\n");
    if (response.rfind("HTTP/1.", 0) != 0 || headerEnd == std::string::npos)
        return {};
    if (status)
        *status = std::atoi(response.c_str() + 9);
    std::string body = response.substr(headerEnd + 4);
    while (!body.empty() && body.back() == '\n')
        body.pop_back();
    return body;
}

std::string RawHttpExchange(int port, const std::string &request, int timeoutSeconds)
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return {};
    timeval wait{timeoutSeconds, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string response;
    if (connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0) {
        std::size_t sent = 0;
        while (sent < request.size()) {
            ssize_t n = send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
            if (n <= 0)
                break;
            sent += static_cast<std::size_t>(n);
        }
        // No half-close: the service answers nothing to a client that has stopped reading.
        char buffer[8192];
        ssize_t n;
        while ((n = recv(fd, buffer, sizeof buffer, 0)) > 0)
            response.append(buffer, static_cast<std::size_t>(n));
    }
    close(fd);
    return response;
}

std::string UrlEncode(const std::string &text)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
            c == '.' || c == '~') {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 0x0F]);
        }
    }
    return out;
}

