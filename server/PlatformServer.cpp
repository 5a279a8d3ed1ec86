// Accept loop and worker pool of the reference service.
#include "PlatformServer.h"

#include "SeedLoader.h"
#include "WebPages.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>

namespace {

// Accepted connections waiting for a worker; when full, accepting pauses (the kernel backlog
// holds the rest).
constexpr std::size_t kQueueCapacity = 256;
constexpr int kBacklog = 128;

int BoundPort(SOAP_SOCKET socket)
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (getsockname(socket, reinterpret_cast<sockaddr *>(&address), &length) != 0)
        return 0;
    if (address.ss_family == AF_INET)
        return ntohs(reinterpret_cast<sockaddr_in *>(&address)->sin_port);
    return ntohs(reinterpret_cast<sockaddr_in6 *>(&address)->sin6_port);
}

} // namespace

void ConfigureServingContext(struct soap *soap, const ServerOptions &options)
{
    soap_set_namespaces(soap, namespaces);
    soap->recv_timeout = options.recvTimeoutSeconds;
    soap->send_timeout = options.sendTimeoutSeconds;
    soap->transfer_timeout = 2 * options.sendTimeoutSeconds;
    soap->recv_maxlength = options.maxRequestBytes;
    soap->maxlevel = 16;
    soap->maxoccurs = 1000;
    soap->fget = ServeHttpGet;
}

void ServeConnection(PlatformService &service)
{
    struct soap *soap = service.soap;
    // A request that fails before dispatch (malformed XML, too large, not SOAP) still gets
    // a fault; faults sent after dispatch have closed the socket already.
    service.ServeRequest();
    soap_destroy(soap);
    soap_end(soap);
    soap->keep_alive = 0; // one request per connection: a worker never waits on an idle client
    soap_closesock(soap);
    soap->socket = SOAP_INVALID_SOCKET;
}

PlatformServer::PlatformServer(ServerOptions options) : m_options(std::move(options)) {}

PlatformServer::~PlatformServer()
{
    Shutdown();
    m_services.clear();
    // soap_free alone leaves the context's managed C++ objects (a fault kept from the last
    // failed accept, for one) behind.
    auto release = [](struct soap *context) {
        soap_destroy(context);
        soap_end(context);
        soap_free(context);
    };
    for (struct soap *context : m_contexts)
        release(context);
    if (m_master)
        release(m_master);
}

bool PlatformServer::Start(std::string *error)
{
    try {
        PlatformStore store(m_options.databasePath);
        SeedStore(store, m_options.dataDir);
    } catch (const std::exception &e) {
        *error = e.what();
        return false;
    }
    m_shared.sessions.SetIdleTimeout(std::chrono::seconds(m_options.idleTimeoutSeconds));

    m_master = soap_new1(SOAP_C_UTFSTRING);
    ConfigureServingContext(m_master, m_options);
    m_master->bind_flags = SO_REUSEADDR;
    m_master->accept_timeout = -200000; // wake up every 0.2 s (negative: microseconds) to notice a stop
    if (!soap_valid_socket(soap_bind(m_master, m_options.bindAddress.c_str(), m_options.port, kBacklog))) {
        char message[512];
        soap_sprint_fault(m_master, message, sizeof message);
        *error = "cannot listen on " + m_options.bindAddress + ":" + std::to_string(m_options.port) + ": " + message;
        return false;
    }
    m_port = BoundPort(m_master->master);
    std::string host = m_options.bindAddress;
    if (host == "0.0.0.0" || host == "::" || host.empty())
        host = "127.0.0.1";
    if (host.find(':') != std::string::npos)
        host = "[" + host + "]";
    m_shared.baseAddress = "http://" + host + ":" + std::to_string(m_port) + "/";

    try {
        for (int i = 0; i < std::max(1, m_options.workers); ++i) {
            struct soap *context = soap_copy(m_master);
            m_contexts.push_back(context);
            m_services.push_back(std::make_unique<PlatformService>(context, m_shared, m_options.databasePath));
            context->user = m_services.back().get();
        }
    } catch (const std::exception &e) {
        *error = e.what();
        return false;
    }
    for (auto &service : m_services)
        m_threads.emplace_back([this, &service] { WorkerLoop(*service); });
    return true;
}

void PlatformServer::Run()
{
    while (!m_stop.load()) {
        SOAP_SOCKET socket = soap_accept(m_master);
        if (!soap_valid_socket(socket))
            continue; // time-out (to look at the stop flag) or a failed accept: keep listening
        Pending pending{socket, m_master->ip, {}, m_master->port};
        std::memcpy(pending.ip6, m_master->ip6, sizeof pending.ip6);
        m_master->socket = SOAP_INVALID_SOCKET; // the worker owns it now
        if (!Push(pending))
            soap_closesocket(socket);
    }
}

bool PlatformServer::Push(const Pending &pending)
{
    std::unique_lock lock(m_mutex);
    m_room.wait(lock, [this] { return m_queue.size() < kQueueCapacity || m_closing || m_stop.load(); });
    if (m_closing)
        return false;
    m_queue.push_back(pending);
    m_ready.notify_one();
    return true;
}

void PlatformServer::WorkerLoop(PlatformService &service)
{
    struct soap *soap = service.soap;
    while (true) {
        Pending pending{};
        {
            std::unique_lock lock(m_mutex);
            m_ready.wait(lock, [this] { return !m_queue.empty() || m_closing; });
            if (m_queue.empty())
                return; // closing and nothing left
            pending = m_queue.front();
            m_queue.pop_front();
            m_room.notify_one();
        }
        soap->socket = pending.socket;
        soap->ip = pending.ip;
        std::memcpy(soap->ip6, pending.ip6, sizeof pending.ip6);
        soap->port = pending.port;
        ServeConnection(service);
    }
}

void PlatformServer::Shutdown()
{
    {
        std::lock_guard lock(m_mutex);
        m_closing = true;
    }
    m_ready.notify_all();
    m_room.notify_all();
    for (std::thread &thread : m_threads)
        if (thread.joinable())
            thread.join();
    m_threads.clear();
    if (m_master && soap_valid_socket(m_master->master)) {
        soap_closesocket(m_master->master);
        m_master->master = SOAP_INVALID_SOCKET;
    }
}
