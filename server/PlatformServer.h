// The listening side: binds the address, accepts connections and hands each accepted socket to
// a fixed pool of workers, each with its own gSOAP context and database connection.
#pragma once

#include "PlatformService.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct ServerOptions
{
    std::string bindAddress = "127.0.0.1";
    int port = 8089;                 // 0 picks a free port
    std::string databasePath;
    std::string dataDir;             // seed folder, used when the database is new
    int workers = 8;
    int idleTimeoutSeconds = 1800;   // a session lapses after this much inactivity
    std::size_t maxRequestBytes = 512 * 1024;
    // A request that stalls this long is answered with a fault (a malformed start tag can keep
    // the parser reading past the end of the body until then).
    int recvTimeoutSeconds = 5;
    int sendTimeoutSeconds = 30;
};

// The runtime settings of a serving context (the listening one; workers copy it): the
// namespaces, time-outs, size and nesting limits and the page handler.
void ConfigureServingContext(struct soap *soap, const ServerOptions &options);

// Serves the one request on the service's accepted socket and closes the connection.
void ServeConnection(PlatformService &service);

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
    // "http://127.0.0.1:PORT/"
    std::string BaseAddress() const { return m_shared.baseAddress; }
    int Port() const { return m_port; }
    // Accepts connections until RequestStop() (safe from a signal handler) or a fatal error.
    void Run();
    void RequestStop() { m_stop.store(true); }
    // Lets the workers finish what they hold and joins them.
    void Shutdown();

private:
    struct Pending
    {
        SOAP_SOCKET socket;
        unsigned int ip;
        unsigned int ip6[4];
        int port;
    };
    void WorkerLoop(PlatformService &service);
    bool Push(const Pending &pending);

    ServerOptions m_options;
    ServiceShared m_shared;
    struct soap *m_master = nullptr;
    int m_port = 0;
    std::atomic<bool> m_stop{false};

    std::mutex m_mutex;
    std::condition_variable m_ready;   // a socket is queued, or stopping
    std::condition_variable m_room;    // the queue has room
    std::deque<Pending> m_queue;
    bool m_closing = false;

    std::vector<struct soap *> m_contexts;
    std::vector<std::unique_ptr<PlatformService>> m_services;
    std::vector<std::thread> m_threads;
};
