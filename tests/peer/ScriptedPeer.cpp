// The scripted test peer: one thread, one connection at a time.
#include "ScriptedPeer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <stdexcept>

namespace {

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::string EscapeXml(const std::string &text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '&': out += "&amp;"; break;
        default: out += c;
        }
    }
    return out;
}

bool WaitReadable(int fd, int milliseconds)
{
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, milliseconds) > 0;
}

}  // namespace

std::string PeerRequest::Path() const
{
    std::size_t first = head.find(' ');
    std::size_t second = head.find(' ', first + 1);
    if (first == std::string::npos || second == std::string::npos)
        return {};
    return head.substr(first + 1, second - first - 1);
}

std::string PeerRequest::Header(const std::string &name) const
{
    const std::string wanted = Lower(name) + ":";
    std::size_t start = 0;
    while (start < head.size()) {
        std::size_t end = head.find("\r\n", start);
        if (end == std::string::npos)
            end = head.size();
        std::string line = head.substr(start, end - start);
        if (Lower(line).rfind(wanted, 0) == 0) {
            std::string value = line.substr(wanted.size());
            value.erase(0, value.find_first_not_of(' '));
            return value;
        }
        start = end + 2;
    }
    return {};
}

ScriptedPeer::ScriptedPeer()
{
    m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
    int yes = 1;
    ::setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (::bind(m_listener, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 || ::listen(m_listener, 16) != 0)
        throw std::runtime_error("scripted peer: cannot listen on 127.0.0.1");
    socklen_t length = sizeof address;
    ::getsockname(m_listener, reinterpret_cast<sockaddr *>(&address), &length);
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { Serve(); });
}

ScriptedPeer::~ScriptedPeer()
{
    m_stopping = true;
    m_stopped.notify_all();
    m_thread.join();
    ::close(m_listener);
}

std::string ScriptedPeer::BaseAddress() const
{
    return "http://" + HostName() + "/";
}

std::string ScriptedPeer::HostName() const
{
    return "127.0.0.1:" + std::to_string(m_port);
}

void ScriptedPeer::Push(Reply reply)
{
    std::lock_guard lock(m_mutex);
    m_replies.push_back(std::move(reply));
}

void ScriptedPeer::PushResult(const std::string &operation, const std::string &utf8Text)
{
    Push({HttpResponse(SoapResultEnvelope(operation, utf8Text)), false});
}

void ScriptedPeer::SetResponder(Responder responder)
{
    std::lock_guard lock(m_mutex);
    m_responder = std::move(responder);
}

std::vector<PeerRequest> ScriptedPeer::Requests() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

std::string ScriptedPeer::HttpResponse(const std::string &body, const std::string &status)
{
    return "HTTP/1.1 " + status + "\r\nContent-Type: application/soap+xml; charset=utf-8\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

std::string ScriptedPeer::SoapResultEnvelope(const std::string &operation, const std::string &utf8Text)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
           "<soap:Envelope xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\" "
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\">"
           "<soap:Body><" + operation + "Response xmlns=\"http://tempuri.org/\"><" + operation + "Result>" +
           EscapeXml(utf8Text) + "</" + operation + "Result></" + operation + "Response></soap:Body></soap:Envelope>";
}

void ScriptedPeer::Serve()
{
    while (!m_stopping) {
        if (!WaitReadable(m_listener, 50))
            continue;
        int client = ::accept(m_listener, nullptr, nullptr);
        if (client >= 0)
            Handle(client);
    }
}

void ScriptedPeer::Handle(int client)
{
    PeerRequest request;
    std::string data;
    char buffer[4096];
    std::size_t contentLength = 0;
    std::size_t headEnd = std::string::npos;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline) {
        if (headEnd != std::string::npos && data.size() >= headEnd + 4 + contentLength)
            break;
        if (!WaitReadable(client, 50))
            continue;
        ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        data.append(buffer, static_cast<std::size_t>(n));
        if (headEnd == std::string::npos && (headEnd = data.find("\r\n\r\n")) != std::string::npos) {
            request.head = data.substr(0, headEnd);
            std::string length = request.Header("Content-Length");
            contentLength = length.empty() ? 0 : std::stoul(length);
        }
    }
    if (headEnd != std::string::npos)
        request.body = data.substr(headEnd + 4);

    Reply reply;
    {
        std::lock_guard lock(m_mutex);
        m_requests.push_back(request);
        if (!m_replies.empty()) {
            m_lastReply = m_replies.front();
            m_replies.pop_front();
            reply = m_lastReply;
        } else {
            reply = m_responder ? m_responder(request) : m_lastReply;
        }
    }
    if (reply.silent) {
        std::unique_lock lock(m_mutex);
        m_stopped.wait(lock, [this] { return m_stopping.load(); });
    } else {
        std::size_t sent = 0;
        while (sent < reply.raw.size()) {
            ssize_t n = ::send(client, reply.raw.data() + sent, reply.raw.size() - sent, MSG_NOSIGNAL);
            if (n <= 0)
                break;
            sent += static_cast<std::size_t>(n);
        }
    }
    ::close(client);
}
