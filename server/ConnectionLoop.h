// The service's network thread: accepts connections, reads each request whole (through TLS when
// the service has a certificate) before any worker sees it, writes the worker's answer and
// closes. Workers never wait on a client, so an idle, trickling or slow-reading client costs a
// socket and a little memory, never a worker.
#pragma once

#include "HttpRequestReader.h"
#include "TrustedProxies.h"

#include <openssl/ssl.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

// One request as a worker serves it: read from memory, answered into memory.
struct ServedConnection
{
    std::string request;
    std::size_t readOffset = 0;
    std::string response;
    int socket = -1;
    unsigned int ip = 0;      // IPv4 peer in host order (also for an IPv4-mapped IPv6 peer)
    unsigned int ip6[4] = {}; // IPv6 peer, host-order words
    int port = 0;
    IpBytes peer{};        // the connected peer
    ClientOrigin origin;   // the client it stands for (set once the request is whole)
    // When the whole request was handed on to be served: its latency is counted from here.
    std::chrono::steady_clock::time_point handedOn{};
};

struct ConnectionSettings
{
    RequestLimits limits;
    // The whole request, TLS handshake included, must arrive within this time.
    std::chrono::milliseconds requestTime{10000};
    // The whole answer must be taken by the client within this time.
    std::chrono::milliseconds answerTime{60000};
    // After the answer, what the client still sends is read and dropped for this long, so that
    // the answer is not lost to a reset.
    std::chrono::milliseconds lingerTime{2000};
    std::size_t maxLingerBytes = 16u << 20;
    // Open connections per client address, counted from accept until the whole answer is with
    // the system (an answer the client does not read keeps its connection counted); then as
    // many again per address may linger until the client closes; and all connections.
    std::size_t maxPerAddress = 64;
    std::size_t maxConnections = 1024;
    // Bytes of answers waiting for their clients to take them, per client address and in all.
    // An address with nothing waiting may always have one answer waiting, whatever its size;
    // past the bound its further requests are answered `busy` and its further answers dropped.
    std::size_t maxUnsentPerAddress = 16u << 20;
    std::size_t maxUnsentTotal = 128u << 20;
    // The answer to a request refused because its address or the service has too much waiting.
    std::string busy = "HTTP/1.1 503 Service Unavailable\r\nRetry-After: 5\r\nContent-Length: 0\r\n"
                       "Connection: close\r\n\r\n";
    SSL_CTX *tls = nullptr; // not owned
    // Peers whose forwarding headers are believed: their connections count against the client
    // they forward for, once the request has said who that is.
    TrustedProxies trustedProxies;
    // The answer to a request refused before parsing, by verdict (a complete HTTP response).
    std::map<RequestVerdict, std::string> refusals;
};

class ConnectionLoop
{
public:
    using Dispatch = std::function<void(ServedConnection *)>;

    // listenSocket is bound and listening (not owned); dispatch hands a whole request to a
    // worker, which calls Answered() when the response is written.
    ConnectionLoop(int listenSocket, ConnectionSettings settings, Dispatch dispatch);
    ~ConnectionLoop();
    ConnectionLoop(const ConnectionLoop &) = delete;
    ConnectionLoop &operator=(const ConnectionLoop &) = delete;

    bool Open(std::string *error);
    // Serves connections until stop is set.
    void Run(const std::atomic<bool> &stop);
    // Serves connections, accepting new ones, for the time given (a stopping service's grace,
    // while its readiness probe already fails).
    void RunFor(std::chrono::milliseconds time);
    // Takes what waits in the listening socket's backlog and accepts nothing more; the caller
    // closes the socket after this, so that the system refuses later connections (or, with
    // several processes on the port, hands them to the others). Held answers go out at once
    // from here on, and connections that have sent nothing yet get a short time to begin.
    void StopAccepting();
    // Serves what was accepted until every connection has closed (its answer delivered, or it
    // never sent a request), or until the deadline; true when nothing was left.
    bool Drain(std::chrono::steady_clock::time_point deadline);
    // Ends the loop's current wait at once (any thread; safe in a signal handler).
    void Wake();
    // Called by a worker, on its thread, when served->response holds the whole answer. An answer
    // with a delay is held by the loop and written when due, so no worker waits for it; when
    // too many are held already the connection is closed unanswered (a flood of guesses gets
    // nothing).
    void Answered(ServedConnection *served, std::chrono::milliseconds delay = std::chrono::milliseconds(0));
    // Answers being held back until they are due (any thread).
    std::size_t HeldCount() const { return m_held.load(); }
    // Connections whose request is still arriving, and connections whose answer is being written
    // to the client, as of the loop's last turn (any thread; for the service's own checks).
    struct Tally
    {
        std::size_t reading = 0;
        std::size_t writing = 0;
        std::size_t unsent = 0; // bytes of answers waiting for their clients
        std::size_t open = 0;   // every connection the loop holds, lingering ones included
    };
    Tally Counts() const { return {m_reading.load(), m_writing.load(), m_unsentPublished.load(), m_open.load()}; }
    // After the workers have stopped: writes the answers still pending, for at most the time given.
    void FinishAnswers(std::chrono::milliseconds limit);

    static constexpr std::size_t kMaxHeld = 2048;

private:
    struct Connection;
    enum class Io
    {
        Data,
        WouldBlock,
        End,
        Failed,
    };
    using Clock = std::chrono::steady_clock;

    void Turn(int timeoutMs);
    // False once the backlog is empty (or descriptors have run out).
    bool AcceptAll();
    void Admit(int socket, const struct sockaddr_storage &peer);
    void Pump(Connection &connection);
    bool PumpHandshake(Connection &connection);
    bool PumpRequest(Connection &connection);
    bool PumpAnswer(Connection &connection);
    bool PumpLinger(Connection &connection);
    // Hands the whole request to a worker; false when the client it stands for has its fill of
    // connections (the connection is to be closed).
    bool Serve(Connection &connection);
    void Refuse(Connection &connection, RequestVerdict verdict);
    void Answer(Connection &connection, std::string response);
    // False when the connection is to close at once instead (its address lingers enough).
    bool StartLinger(Connection &connection);
    // Moves the connection's count for its address from active to lingering: false when the
    // address has its fill of lingering connections. CountAsActive moves it back.
    bool CountAsLingering(Connection &connection);
    void CountAsActive(Connection &connection);
    // Counts a new connection for its address: false when the address has its fill. Release
    // undoes it when the connection closes. Once its whole answer is with the system, a
    // connection counts as lingering instead, of which an address may have as many again.
    bool Count(Connection &connection);
    void Release(Connection &connection);
    // Keeps the per-address and total tallies of unsent answer bytes in step with the
    // connection's answer (loop thread only).
    void TallyUnsent(Connection &connection);
    // Whether the connection's address, or the service, already has as many answer bytes
    // waiting as it may, before `more` are added.
    bool TooMuchUnsent(const Connection &connection, std::size_t more) const;
    // Gives memory back to the system once a burst of large answers has been sent or dropped.
    void TrimAfterBurst();
    void NoteFreed(std::size_t bytes);
    void Close(int socket);
    void Notify(ServedConnection *served);
    void TakeAnswered();
    void StartAnswer(Connection &connection);
    void ExpireDeadlines();
    void PublishCounts();
    static Io Read(Connection &connection, char *buffer, std::size_t size, std::size_t *got);
    static Io Write(Connection &connection, const char *data, std::size_t size, std::size_t *put);

    int m_listen;
    ConnectionSettings m_settings;
    Dispatch m_dispatch;
    int m_epoll = -1;
    int m_wake = -1; // eventfd: a worker has answered
    std::unordered_map<int, std::unique_ptr<Connection>> m_connections;
    struct AddressLoad
    {
        std::size_t connections = 0; // reading, served, or answering
        std::size_t lingering = 0;   // answered in full, waiting for the client to close
        std::size_t unsent = 0;
    };
    mutable std::mutex m_addressMutex;
    std::unordered_map<std::string, AddressLoad> m_perAddress;
    std::size_t m_unsentTotal = 0;          // under m_addressMutex
    std::size_t m_freedSinceTrim = 0;       // answer bytes released since the last trim
    Clock::time_point m_lastTrim;           // when memory was last given back
    std::atomic<std::size_t> m_unsentPublished{0};
    std::mutex m_answeredMutex;
    std::vector<ServedConnection *> m_answered;
    std::atomic<std::size_t> m_held{0};
    std::atomic<std::size_t> m_reading{0}, m_writing{0}, m_open{0};
    Clock::time_point m_nextDue = Clock::time_point::max(); // the earliest held answer
    bool m_sendHeldNow = false;                             // stopping: what is held goes out at once
    bool m_accepting = true;                                // the listening socket is watched
};
