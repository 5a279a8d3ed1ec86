// Start-up, worker pool and shut-down of the reference service.
#include "PlatformServer.h"

#include "RawRequest.h"
#include "SeedLoader.h"
#include "WebPages.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <openssl/err.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <thread>

namespace {

constexpr int kBacklog = 128;
// Descriptors kept free of connections: database files, the loop's own, the workers'.
constexpr rlim_t kReservedDescriptors = 128;
constexpr std::size_t kMostConnections = 4096;

// The request a worker thread is serving. A worker's gSOAP context reads the request from
// memory and writes its answer to memory; the connection loop does all the network work, so
// these hooks stand in for the runtime's socket calls. They are the only hooks on a worker's
// context.
thread_local ServedConnection *t_served = nullptr;

// What the runtime reads of the request: its bytes, with a body that is not chunked made
// readable as UTF-8 (the runtime gives up on some other sequences, such as GBK text from the
// designed client). The request itself stays as it arrived, for the checks on the sender's bytes.
struct RuntimeReading
{
    std::size_t bodyStart = std::string::npos;
    bool sanitize = false;
    Utf8Sanitizer sanitizer;
};
thread_local RuntimeReading t_reading;

void BeginReading(const ServedConnection &served)
{
    t_reading = RuntimeReading();
    auto headerEnd = served.request.find("\r\n\r\n");
    if (headerEnd == std::string::npos)
        return;
    t_reading.bodyStart = headerEnd + 4;
    // Chunk sizes may fall inside a character: such a body is left as it came (its text is
    // still checked whole, from the request).
    t_reading.sanitize = !IsChunked(served.request);
}

size_t ReceiveFromMemory(struct soap *, char *buffer, size_t size)
{
    ServedConnection &served = *t_served;
    std::size_t from = served.readOffset;
    std::size_t take = std::min(size, served.request.size() - from);
    std::memcpy(buffer, served.request.data() + from, take);
    served.readOffset += take;
    if (t_reading.sanitize && from + take > t_reading.bodyStart) {
        std::size_t skip = t_reading.bodyStart > from ? t_reading.bodyStart - from : 0;
        t_reading.sanitizer.Sanitize(buffer + skip, take - skip);
    }
    return take;
}

int SendToMemory(struct soap *, const char *data, size_t size)
{
    t_served->response.append(data, size);
    return SOAP_OK;
}

// The loop closes the socket once the answer has been written.
int KeepSocketOpen(struct soap *, SOAP_SOCKET)
{
    return SOAP_OK;
}

int KeepSocketWhole(struct soap *, SOAP_SOCKET, int)
{
    return SOAP_OK;
}

std::string PlainAnswer(int status, const char *reason, const std::string &text, const std::string &extraHeaders = {})
{
    return "HTTP/1.1 " + std::to_string(status) + " " + reason +
           "\r\nContent-Type: text/plain; charset=utf-8\r\nCache-Control: no-store\r\n" + extraHeaders +
           "Content-Length: " + std::to_string(text.size()) + "\r\nConnection: close\r\n\r\n" + text;
}

// Whether the request is a GET of the path (with or without a query).
bool IsGetOf(const std::string &request, const std::string &path)
{
    const std::string line = "GET " + path;
    return request.compare(0, line.size(), line) == 0 && request.size() > line.size() &&
           (request[line.size()] == ' ' || request[line.size()] == '?');
}

} // namespace

std::optional<std::string> ProbeAnswer(PlatformService &service, const std::string &request, bool draining)
{
    // Which process answered: an operator (or a test) behind a shared port or a balancer can
    // tell the processes apart. A process number says nothing about any user or secret.
    if (IsGetOf(request, "/healthz"))
        return PlainAnswer(200, "OK", "ok\n", "X-Process-Id: " + std::to_string(getpid()) + "\r\n");
    if (!IsGetOf(request, "/readyz"))
        return std::nullopt;
    if (draining)
        return PlainAnswer(503, "Service Unavailable", "draining\n");
    try {
        // Through the worker's own connection: one that broke is opened again here, so a
        // database back from an outage makes the process ready without a call failing first.
        service.Store().Exec("SELECT 1");
        return PlainAnswer(200, "OK", "ready\n");
    } catch (const std::exception &) {
        return PlainAnswer(503, "Service Unavailable", "database unavailable\n");
    }
}

void ServeFromMemory(struct soap *soap)
{
    soap->frecv = ReceiveFromMemory;
    soap->fsend = SendToMemory;
    soap->fclosesocket = KeepSocketOpen;
    soap->fshutdownsocket = KeepSocketWhole;
    soap->recv_timeout = soap->send_timeout = soap->transfer_timeout = 0;
}

void ConfigureServingContext(struct soap *soap, const ServerOptions &options)
{
    soap_set_namespaces(soap, namespaces);
    soap->recv_maxlength = options.maxRequestBytes;
    soap->maxlevel = 16;
    soap->maxoccurs = 1000;
    soap->fget = ServeHttpGet;
}

void ServeWholeRequest(PlatformService &service, ServedConnection &served)
{
    struct soap *soap = service.soap;
    soap->socket = served.socket;
    soap->ip = served.ip;
    std::memcpy(soap->ip6, served.ip6, sizeof served.ip6);
    soap->port = served.port;
    t_served = &served;
    BeginReading(served);
    // A request that fails before dispatch (malformed XML, not SOAP) still gets a fault.
    service.ServeRequest(served.request, served.origin);
    if (service.AnswerDropped())
        served.response.clear(); // nothing is written: the connection is simply closed
    soap_destroy(soap);
    soap_end(soap);
    soap->keep_alive = 0; // one request per connection
    soap_closesock(soap);
    soap->socket = SOAP_INVALID_SOCKET;
    t_served = nullptr;
}

namespace {

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

// As many connections as the process may hold descriptors for, raising its soft limit first.
std::size_t ConnectionCapacity()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return 512;
    if (limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
        getrlimit(RLIMIT_NOFILE, &limit);
    }
    if (limit.rlim_cur <= 2 * kReservedDescriptors)
        return 64;
    return std::min<std::size_t>(kMostConnections, limit.rlim_cur - kReservedDescriptors);
}

// What every accepted connection inherits from the listening socket, as the runtime's own bind
// sets it: fixed buffers of the runtime's size (an answer a client does not read stays with the
// service, counted against its address, rather than in a buffer the system grows to megabytes)
// and no Nagle delay on the answer's last segment.
bool SetConnectionOptions(int fd, const struct soap &runtime)
{
    const int on = 1;
    return (runtime.sndbuf <= 0 || setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &runtime.sndbuf, sizeof runtime.sndbuf) == 0) &&
           (runtime.rcvbuf <= 0 || setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &runtime.rcvbuf, sizeof runtime.rcvbuf) == 0) &&
           setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) == 0;
}

std::string OpenSslError()
{
    char text[256] = "unknown error";
    if (unsigned long code = ERR_get_error())
        ERR_error_string_n(code, text, sizeof text);
    return text;
}

} // namespace

PlatformServer::PlatformServer(ServerOptions options) : m_options(std::move(options)) {}

PlatformServer::~PlatformServer()
{
    Shutdown();
    m_loop.reset();
    m_services.clear();
    // soap_free alone leaves the context's managed C++ objects (a fault kept from the last
    // failed request, for one) behind.
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

bool PlatformServer::LoadTls(std::string *error)
{
    if (m_options.tlsCertificateFile.empty() && m_options.tlsKeyFile.empty())
        return true;
    if (m_options.tlsCertificateFile.empty() || m_options.tlsKeyFile.empty()) {
        *error = "TLS needs both a certificate and a key";
        return false;
    }
    m_tls.reset(SSL_CTX_new(TLS_server_method()));
    SSL_CTX *context = m_tls.get();
    if (!context || SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION) != 1 ||
        SSL_CTX_use_certificate_chain_file(context, m_options.tlsCertificateFile.c_str()) != 1 ||
        SSL_CTX_use_PrivateKey_file(context, m_options.tlsKeyFile.c_str(), SSL_FILETYPE_PEM) != 1 ||
        SSL_CTX_check_private_key(context) != 1) {
        *error = "cannot use the TLS certificate " + m_options.tlsCertificateFile + " and key " + m_options.tlsKeyFile + ": " +
                 OpenSslError();
        return false;
    }
    SSL_CTX_set_mode(context, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    return true;
}

bool PlatformServer::Start(std::string *error)
{
    if (!LoadTls(error))
        return false;
    try {
        PrepareDatabase(m_options.databasePath, m_options.dataDir);
        AddBenchKeywords(m_options.databasePath, m_options.benchKeywords);
    } catch (const std::exception &e) {
        *error = e.what();
        return false;
    }
    m_shared.sessions.SetIdleTimeout(std::chrono::seconds(m_options.idleTimeoutSeconds));
    m_shared.publicUrl = m_options.publicUrl;
    m_shared.testControls = m_options.testControls;
    m_shared.essayQuota = m_options.essayQuota;
    m_shared.saveLimit = std::make_unique<RateLimiter>(
        m_options.savesPerMinute, std::chrono::milliseconds(60000 / std::max(1, m_options.savesPerMinute)));

    m_master = soap_new1(SOAP_C_UTFSTRING);
    ConfigureServingContext(m_master, m_options);
    if (!Listen(error))
        return false;
    m_port = BoundPort(m_master->master);
    std::string host = m_options.bindAddress;
    if (host == "0.0.0.0" || host == "::" || host.empty())
        host = "127.0.0.1";
    if (host.find(':') != std::string::npos)
        host = "[" + host + "]";
    m_shared.baseAddress = (m_tls ? "https://" : "http://") + host + ":" + std::to_string(m_port) + "/";

    m_loop = std::make_unique<ConnectionLoop>(m_master->master, LoopSettings(),
                                              [this](ServedConnection *connection) { Enqueue(connection); });
    if (!m_loop->Open(error))
        return false;
    m_shared.heldReplies = [loop = m_loop.get()] { return loop->HeldCount(); };
    m_shared.connectionCounts = [loop = m_loop.get()] {
        const ConnectionLoop::Tally tally = loop->Counts();
        return std::make_pair(tally.reading, tally.writing);
    };
    // The workers, then one hashing thread per core for the requests that check a password.
    const int workers = std::max(1, m_options.workers);
    const int hashing = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    try {
        // Every serving thread borrows from these for a call; by default one per thread, so that
        // none ever waits unless fewer are asked for.
        m_pool = std::make_unique<StorePool>(m_options.databasePath, m_options.databaseConnections > 0
                                                                         ? m_options.databaseConnections
                                                                         : workers + hashing);
        for (int i = 0; i < workers + hashing; ++i) {
            struct soap *context = soap_copy(m_master);
            m_contexts.push_back(context);
            m_services.push_back(std::make_unique<PlatformService>(context, m_shared, *m_pool));
            ServeFromMemory(context);
        }
    } catch (const std::exception &e) {
        *error = e.what();
        return false;
    }
    for (int i = 0; i < workers + hashing; ++i)
        m_threads.emplace_back([this, i, workers, service = m_services[static_cast<std::size_t>(i)].get()] {
            if (i < workers)
                WorkerLoop(*service);
            else
                HashingLoop(*service);
        });
    return true;
}

// The listening socket, made here rather than by the runtime: SO_REUSEADDR (a restart binds
// while old connections are in TIME_WAIT) and, when asked, SO_REUSEPORT together.
bool PlatformServer::Listen(std::string *error)
{
    const std::string where = m_options.bindAddress + ":" + std::to_string(m_options.port);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo *found = nullptr;
    const std::string port = std::to_string(m_options.port);
    if (int failed =
            getaddrinfo(m_options.bindAddress.empty() ? nullptr : m_options.bindAddress.c_str(), port.c_str(), &hints, &found)) {
        *error = "cannot listen on " + where + ": " + gai_strerror(failed);
        return false;
    }
    int lastError = EADDRNOTAVAIL;
    int listening = -1;
    for (addrinfo *address = found; address && listening < 0; address = address->ai_next) {
        int fd = ::socket(address->ai_family, address->ai_socktype | SOCK_CLOEXEC, address->ai_protocol);
        if (fd < 0) {
            lastError = errno;
            continue;
        }
        const int on = 1;
        const bool ready = setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) == 0 &&
                           (!m_options.reusePort || setsockopt(fd, SOL_SOCKET, SO_REUSEPORT, &on, sizeof on) == 0) &&
                           SetConnectionOptions(fd, *m_master) && ::bind(fd, address->ai_addr, address->ai_addrlen) == 0 &&
                           ::listen(fd, kBacklog) == 0;
        if (ready) {
            listening = fd;
        } else {
            lastError = errno;
            ::close(fd);
        }
    }
    freeaddrinfo(found);
    if (listening < 0) {
        *error = "cannot listen on " + where + ": " + std::strerror(lastError);
        return false;
    }
    m_master->master = listening;
    return true;
}

void PlatformServer::CloseListeningSocket()
{
    if (m_master && soap_valid_socket(m_master->master)) {
        ::close(m_master->master);
        m_master->master = SOAP_INVALID_SOCKET;
    }
}

ConnectionSettings PlatformServer::LoopSettings()
{
    ConnectionSettings settings;
    settings.limits.maxBodyBytes = m_options.maxRequestBytes;
    settings.requestTime = std::chrono::seconds(m_options.requestSeconds);
    settings.answerTime = std::chrono::seconds(m_options.sendTimeoutSeconds);
    settings.maxPerAddress = static_cast<std::size_t>(std::max(1, m_options.maxConnectionsPerAddress));
    settings.maxConnections = ConnectionCapacity();
    settings.tls = m_tls.get();
    settings.trustedProxies = m_options.trustedProxies;
    const std::string tooLarge = RenderRefusal("Request too large or incomplete");
    settings.refusals[RequestVerdict::TooLarge] = tooLarge;
    settings.refusals[RequestVerdict::Incomplete] = tooLarge;
    settings.refusals[RequestVerdict::TooComplex] = RenderRefusal("Request has too many elements or attributes");
    settings.refusals[RequestVerdict::Malformed] = RenderRefusal("Not a SOAP request");
    return settings;
}

// The fault answering a request refused before parsing, written once by the runtime itself.
std::string PlatformServer::RenderRefusal(const char *reason)
{
    ServedConnection scratch;
    struct soap *soap = soap_copy(m_master);
    ServeFromMemory(soap);
    // The runtime answers only over a connected socket; this pair stands for one and carries
    // nothing.
    int pair[2] = {-1, -1};
    ::socketpair(AF_UNIX, SOCK_STREAM, 0, pair);
    soap->socket = pair[0];
    t_served = &scratch;
    soap->keep_alive = 0;
    soap_sender_fault(soap, reason, nullptr);
    soap_send_fault(soap);
    t_served = nullptr;
    soap->socket = SOAP_INVALID_SOCKET;
    for (int end : pair)
        if (end >= 0)
            ::close(end);
    soap_destroy(soap);
    soap_end(soap);
    soap_free(soap);
    return scratch.response;
}

void PlatformServer::Run()
{
    m_loop->Run(m_stop);
    const auto deadline = std::chrono::steady_clock::now() + m_options.drainGrace + m_options.drainTime;
    // /readyz has answered 503 since the stop request; a balancer that polls it takes the
    // process out before its connections are refused.
    m_loop->RunFor(m_options.drainGrace);
    m_loop->StopAccepting();
    CloseListeningSocket();
    m_drainTimedOut = !m_loop->Drain(deadline);
    if (m_drainTimedOut) {
        std::fprintf(stderr, "platform-service: stopped waiting for the requests in progress after %lld s\n",
                     static_cast<long long>(std::chrono::duration_cast<std::chrono::seconds>(m_options.drainTime).count()));
        // What is still queued is not begun: those connections close unanswered.
        std::lock_guard lock(m_mutex);
        m_queue.clear();
        bool stale = false;
        while (m_signIns.Take(&stale)) {
        }
    }
}

void PlatformServer::Enqueue(ServedConnection *connection)
{
    connection->handedOn = std::chrono::steady_clock::now();
    std::lock_guard lock(m_mutex);
    if (IsPasswordRequest(connection->request)) {
        m_signIns.Push(connection->origin.address, connection);
        m_signInReady.notify_one();
        return;
    }
    m_queue.push_back(connection);
    m_ready.notify_one();
}

void PlatformServer::HashingLoop(PlatformService &service)
{
    while (true) {
        ServedConnection *served = nullptr;
        bool stale = false;
        {
            std::unique_lock lock(m_mutex);
            m_signInReady.wait(lock, [this] { return !m_signIns.Empty() || m_closing; });
            served = m_signIns.Take(&stale);
            if (!served)
                return; // closing and nothing left
        }
        // One that waited past its time behind others' sign-ins is closed unanswered, unhashed.
        ServeAndRecord(service, served, stale);
    }
}

void PlatformServer::WorkerLoop(PlatformService &service)
{
    while (true) {
        ServedConnection *served = nullptr;
        {
            std::unique_lock lock(m_mutex);
            m_ready.wait(lock, [this] { return !m_queue.empty() || m_closing; });
            if (m_queue.empty())
                return; // closing and nothing left
            served = m_queue.front();
            m_queue.pop_front();
        }
        ServeAndRecord(service, served);
    }
}

void PlatformServer::ServeAndRecord(PlatformService &service, ServedConnection *served, bool stale)
{
    const std::string kind = RequestKind(served->request);
    std::optional<IpBytes> client = ParseIp(served->origin.address);
    const IpBytes clientIp = client ? *client : served->peer;
    PlatformService::RequestRecord record;
    std::chrono::milliseconds delay{0};
    if (stale) {
        served->response.clear();
    } else if (std::optional<std::string> probe = ProbeAnswer(service, served->request, m_draining.load())) {
        served->response = std::move(*probe);
        record.databaseFailed = kind == "readyz" && !m_draining.load() && ResponseStatus(served->response) != "200";
    } else if (kind == "metrics" && MetricsAllowed(clientIp, m_options.trustedProxies, m_options.metricsFrom)) {
        served->response = MetricsAnswer(m_metrics.Render(ReadGauges()));
    } else {
        // Anything else, /metrics for a client that may not see it included (an unknown page).
        ServeWholeRequest(service, *served);
        delay = service.ReplyDelay();
        record = service.LastRequest();
    }
    service.GiveBackStore();

    RequestLogEntry entry;
    entry.time = std::chrono::system_clock::now();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - served->handedOn;
    entry.milliseconds = took.count() * 1000;
    entry.operation = record.operation.empty() ? kind : record.operation;
    entry.result = record.answerCode.empty() ? ResponseStatus(served->response) : record.answerCode;
    entry.user = record.user;
    entry.client = IpText(clientIp);
    // Logged and counted before the answer goes: a client that has its answer finds its request
    // in the log and in the next scrape.
    if (m_options.requestLog)
        m_requestLog.Write(entry);
    m_metrics.CountRequest(entry.operation, entry.result, took.count());
    if (record.databaseFailed)
        m_metrics.CountDatabaseError();
    m_loop->Answered(served, delay); // the connection is the loop's from here
}

Metrics::Gauges PlatformServer::ReadGauges()
{
    Metrics::Gauges gauges;
    const ConnectionLoop::Tally tally = m_loop->Counts();
    gauges.open = tally.open;
    gauges.reading = tally.reading;
    gauges.writing = tally.writing;
    gauges.held = m_loop->HeldCount();
    {
        std::lock_guard lock(m_mutex);
        gauges.queued = m_queue.size();
    }
    gauges.pool = m_pool->Snapshot();
    return gauges;
}

void PlatformServer::Shutdown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    {
        std::lock_guard lock(m_mutex);
        m_closing = true;
    }
    m_ready.notify_all();
    m_signInReady.notify_all();
    for (std::thread &thread : m_threads)
        if (thread.joinable())
            thread.join();
    m_threads.clear();
    // After a drain that ran out of time what is left is closed, not waited for again.
    if (m_loop && !m_drainTimedOut)
        m_loop->FinishAnswers(std::chrono::seconds(2));
    CloseListeningSocket();
}
