// Raw HTTP exchanges and process figures for the service's hostile-client tests and benchmarks.
#include "RawHttp.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

int ConnectFrom(int port, const char *source, int receiveTimeoutMs, int receiveBuffer)
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return -1;
    if (receiveBuffer > 0)
        setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    inet_pton(AF_INET, source, &local.sin_addr);
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_port = htons(static_cast<uint16_t>(port));
    remote.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    timeval wait{receiveTimeoutMs / 1000, (receiveTimeoutMs % 1000) * 1000};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait);
    if (bind(fd, reinterpret_cast<sockaddr *>(&local), sizeof local) != 0 ||
        connect(fd, reinterpret_cast<sockaddr *>(&remote), sizeof remote) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

void SendAll(int fd, const std::string &bytes)
{
    for (std::size_t sent = 0; sent < bytes.size();) {
        ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return;
        sent += static_cast<std::size_t>(n);
    }
}

std::string ReadToClose(int fd)
{
    std::string response;
    char buffer[8192];
    for (;;) {
        ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n > 0) {
            response.append(buffer, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            response += "<open>";
        return response;
    }
}

std::string ExchangeFrom(int port, const char *source, const std::string &request, int timeoutMs)
{
    int fd = ConnectFrom(port, source, timeoutMs);
    if (fd < 0)
        return {};
    SendAll(fd, request);
    std::string response = ReadToClose(fd);
    close(fd);
    return response;
}

std::string SoapEnvelope(const std::string &operation)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><SOAP-ENV:Envelope "
           "xmlns:SOAP-ENV=\"http://www.w3.org/2003/05/soap-envelope\" xmlns:ns1=\"http://127.0.0.1/\">"
           "<SOAP-ENV:Body>" +
           operation + "</SOAP-ENV:Body></SOAP-ENV:Envelope>";
}

std::string SoapPost(const std::string &body, const std::string &extraHeaders)
{
    return "POST /iface/api.asmx HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/soap+xml; charset=utf-8\r\n"
           "Content-Length: " +
           std::to_string(body.size()) + "\r\n" + extraHeaders + "Connection: close\r\n\r\n" + body;
}

int HttpStatus(const std::string &response)
{
    return response.rfind("HTTP/1.", 0) == 0 && response.size() > 12 ? std::atoi(response.c_str() + 9) : 0;
}

std::string SoapResult(const std::string &response, const std::string &operation)
{
    const std::string open = operation + "Result>";
    auto start = response.find(open);
    if (start == std::string::npos)
        return "(no result)";
    start += open.size();
    return response.substr(start, response.find('<', start) - start);
}

double ProcessCpuMilliseconds(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto nameEnd = stat.rfind(')');
    if (nameEnd == std::string::npos)
        return 0;
    std::istringstream fields(stat.substr(nameEnd + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    // Fields after the name start at the third (state); utime and stime are the 14th and 15th.
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14)
            utime = std::stoull(field);
        if (i == 15)
            stime = std::stoull(field);
    }
    return 1000.0 * static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

long ProcessResidentKib(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return 0;
}
