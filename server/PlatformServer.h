// The listening side: binds the address, lets the connection loop read whole requests (over TLS
// when a certificate is given) and hands each to a fixed pool of workers, each with its own
// gSOAP context, borrowing a database connection from the process's pool for a call.
#pragma once

#include "ConnectionLoop.h"
#include "Metrics.h"
#include "PlatformService.h"
#include "RequestLog.h"
#include "StorePool.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

struct ServerOptions
{
    std::string bindAddress = "127.0.0.1";
    std::string publicUrl; // handed to clients instead of the address they reached
    int port = 8089;       // 0 picks a free port
    std::string databasePath;
    std::string dataDir; // seed folder, used when the database is new
    int workers = 8;
    // Database connections the serving threads share (0: one per thread, the workers and the
    // sign-in threads).
    int databaseConnections = 0;
    // Besides loopback and the trusted proxies, the clients /metrics is shown to.
    TrustedProxies metricsFrom;
    // One JSON line per request on standard error.
    bool requestLog = true;
    int idleTimeoutSeconds = 1800; // a session lapses after this much inactivity
    std::size_t maxRequestBytes = 512 * 1024;
    // The whole request must have arrived this long after the connection was accepted.
    int requestSeconds = 10;
    // The whole answer must have been taken by the client in this time.
    int sendTimeoutSeconds = 60;
    // Connections from one address that are not yet answered.
    int maxConnectionsPerAddress = 64;
    // Serve https with this certificate (chain, PEM) and private key (PEM) when both are given.
    std::string tlsCertificateFile;
    std::string tlsKeyFile;
    // Generated keywords added for benchmarks (see AddBenchKeywords).
    int benchKeywords = 0;
    // The /test/ controls exist (tests and benchmarks only, never a deployment).
    bool testControls = false;
    // Reverse proxies whose forwarding headers say who the client is and what it reached.
    TrustedProxies trustedProxies;
    // What one user may keep in the library, and their saves a minute (at once, then evenly).
    PlatformStore::EssayQuota essayQuota;
    int savesPerMinute = 60;
    // Several processes may listen on the same port (SO_REUSEPORT); the system spreads the
    // connections over them.
    bool reusePort = false;
    // On a stop request: how long the process goes on accepting while /readyz already answers
    // 503, so that a load balancer sees it fail before connections are refused; then how long
    // what was accepted may take to be answered before the rest is closed.
    std::chrono::milliseconds drainGrace{2000};
    std::chrono::milliseconds drainTime{10000};
};

// The runtime settings of a serving context (the listening one; workers copy it): the
// namespaces, size and nesting limits and the page handler.
void ConfigureServingContext(struct soap *soap, const ServerOptions &options);

// Makes a worker's context read its request from memory and write its answer to memory.
void ServeFromMemory(struct soap *soap);

// A load balancer's probes: GET /healthz (the process answers; the answer names the process,
// which tells apart processes sharing a port) and GET /readyz (503 while the process is
// stopping or its database does not answer); nullopt for any other request.
std::optional<std::string> ProbeAnswer(PlatformService &service, const std::string &request, bool draining = false);

// Serves one whole request that the connection loop has read, on a worker's context made with
// ServeFromMemory; the answer is left in served.response.
void ServeWholeRequest(PlatformService &service, ServedConnection &served);

class PlatformServer
{
public:
    explicit PlatformServer(ServerOptions options);
    ~PlatformServer();
    PlatformServer(const PlatformServer &) = delete;
    PlatformServer &operator=(const PlatformServer &) = delete;

    // Opens and seeds the database, binds the socket and starts the workers. On failure
    // returns false with a message.
    bool Start(std::string *error);
    // "http://127.0.0.1:PORT/", or "https://..." when serving TLS
    std::string BaseAddress() const { return m_shared.baseAddress; }
    int Port() const { return m_port; }
    // Serves connections until RequestStop(), then drains: goes on accepting for the grace
    // time with /readyz failing, stops accepting (closes the listening socket) and answers
    // what it accepted, for at most the drain time.
    void Run();
    // Safe from a signal handler.
    void RequestStop()
    {
        m_draining.store(true);
        m_stop.store(true);
        if (m_loop)
            m_loop->Wake();
    }
    // Lets the workers finish what they hold, sends their answers and joins them.
    void Shutdown();

private:
    struct TlsContextFree
    {
        void operator()(SSL_CTX *context) const { SSL_CTX_free(context); }
    };
    bool LoadTls(std::string *error);
    bool Listen(std::string *error);
    void CloseListeningSocket();
    ConnectionSettings LoopSettings();
    std::string RenderRefusal(const char *reason);
    void WorkerLoop(PlatformService &service);
    // Serves the requests that check a password, one thread per core (see SignInQueue).
    void HashingLoop(PlatformService &service);
    void Enqueue(ServedConnection *connection);
    // Serves one request on a worker or hashing thread (a probe, the metrics, or the request
    // itself), hands the answer to the loop and counts and logs it. A stale one is closed
    // unanswered.
    void ServeAndRecord(PlatformService &service, ServedConnection *served, bool stale = false);
    Metrics::Gauges ReadGauges();

    ServerOptions m_options;
    ServiceShared m_shared;
    struct soap *m_master = nullptr;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_draining{false}; // /readyz fails from the stop request on
    std::unique_ptr<SSL_CTX, TlsContextFree> m_tls;
    std::unique_ptr<ConnectionLoop> m_loop;

    std::mutex m_mutex;
    std::condition_variable m_ready; // a request is queued, or stopping
    std::deque<ServedConnection *> m_queue;
    std::condition_variable m_signInReady; // a password-checking request is queued, or stopping
    SignInQueue m_signIns;
    bool m_closing = false;
    bool m_shutDown = false;
    bool m_drainTimedOut = false; // the stop's drain ended with requests still unanswered

    std::unique_ptr<StorePool> m_pool;
    Metrics m_metrics;
    RequestLog m_requestLog;

    std::vector<struct soap *> m_contexts;
    std::vector<std::unique_ptr<PlatformService>> m_services;
    std::vector<std::thread> m_threads;
};
