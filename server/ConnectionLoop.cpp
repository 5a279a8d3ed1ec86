// Accepting, reading, answering and closing every connection of the service on one thread.
#include "ConnectionLoop.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <openssl/err.h>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

constexpr int kTickMs = 200; // how often deadlines and the stop flag are looked at
constexpr int kMaxEvents = 256;
constexpr std::size_t kReadChunk = 16 * 1024;
// Connections taken from the backlog per turn of the loop: clients that connect again and again
// as fast as they are refused must not keep the loop from the answers the workers have ready.
constexpr int kAcceptsPerTurn = 64;
// Memory is given back to the system once this much answer memory has been released and little
// is still waiting (a burst has ended), at most once a second; and every few seconds while large
// answers keep coming and going.
constexpr std::size_t kTrimAfterBytes = 8u << 20;
constexpr std::size_t kTrimWhenQuietBytes = 1u << 20;
constexpr std::size_t kBurstOverBelow = 4u << 20;
constexpr std::size_t kTrimDuringBurstBytes = 64u << 20;
constexpr std::chrono::seconds kTrimInterval{1};
constexpr std::chrono::seconds kTrimIntervalDuringBurst{5};

} // namespace

struct ConnectionLoop::Connection : ServedConnection
{
    enum class State
    {
        Handshake,
        Request,
        Serving, // a worker has it: the loop does not touch it
        Held,    // answered, the answer waits until the deadline
        Answer,
        Linger,
    };
    explicit Connection(const RequestLimits &limits) : reader(limits) {}
    ~Connection()
    {
        if (ssl)
            SSL_free(ssl);
    }

    State state = State::Request;
    SSL *ssl = nullptr;
    HttpRequestReader reader;
    std::string address;      // the client's address, for the per-address count
    bool counted = false;     // counted for its address
    bool lingering = false;   // counted as lingering for its address
    std::size_t unsent = 0;   // answer bytes counted as waiting, for its address and in all
    bool received = false;    // any byte of a request has arrived
    bool writeFailed = false; // the client went while the answer was being written
    std::size_t written = 0;
    std::size_t lingered = 0;
    std::chrono::milliseconds delay{0}; // how long the answer is held, set by the worker
    std::chrono::steady_clock::time_point deadline;
};

ConnectionLoop::ConnectionLoop(int listenSocket, ConnectionSettings settings, Dispatch dispatch)
    : m_listen(listenSocket), m_settings(std::move(settings)), m_dispatch(std::move(dispatch))
{
}

ConnectionLoop::~ConnectionLoop()
{
    for (auto &[socket, connection] : m_connections)
        ::close(socket);
    m_connections.clear();
    if (m_wake >= 0)
        ::close(m_wake);
    if (m_epoll >= 0)
        ::close(m_epoll);
}

bool ConnectionLoop::Open(std::string *error)
{
    m_epoll = epoll_create1(EPOLL_CLOEXEC);
    m_wake = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (m_epoll < 0 || m_wake < 0) {
        *error = std::string("cannot set up the connection loop: ") + std::strerror(errno);
        return false;
    }
    fcntl(m_listen, F_SETFL, fcntl(m_listen, F_GETFL) | O_NONBLOCK);
    epoll_event listen{};
    listen.events = EPOLLIN;
    listen.data.fd = m_listen;
    epoll_event wake{};
    wake.events = EPOLLIN;
    wake.data.fd = m_wake;
    if (epoll_ctl(m_epoll, EPOLL_CTL_ADD, m_listen, &listen) != 0 || epoll_ctl(m_epoll, EPOLL_CTL_ADD, m_wake, &wake) != 0) {
        *error = std::string("cannot watch the listening socket: ") + std::strerror(errno);
        return false;
    }
    return true;
}

void ConnectionLoop::Run(const std::atomic<bool> &stop)
{
    while (!stop.load())
        Turn(kTickMs);
}

void ConnectionLoop::RunFor(std::chrono::milliseconds time)
{
    const auto end = Clock::now() + time;
    for (auto now = Clock::now(); now < end; now = Clock::now())
        Turn(static_cast<int>(
            std::min<long long>(kTickMs, std::chrono::duration_cast<std::chrono::milliseconds>(end - now).count() + 1)));
}

void ConnectionLoop::StopAccepting()
{
    if (!m_accepting)
        return;
    // What the system has already accepted for this process would be reset with the socket.
    while (m_connections.size() < m_settings.maxConnections && AcceptAll()) {
    }
    epoll_ctl(m_epoll, EPOLL_CTL_DEL, m_listen, nullptr);
    m_accepting = false;
    // A held answer is a slowed refusal of a sign-in; its failure is already counted, so it is
    // sent now rather than lost with the process (the client would only try again elsewhere).
    m_sendHeldNow = true;
    m_nextDue = Clock::now();
    // A connection that has sent nothing is most likely idle: it may begin its request within
    // a second, not hold the stop for its whole request time.
    const auto idleEnd = Clock::now() + std::chrono::seconds(1);
    for (auto &[socket, connection] : m_connections)
        if ((connection->state == Connection::State::Handshake || connection->state == Connection::State::Request) &&
            !connection->received)
            connection->deadline = std::min(connection->deadline, idleEnd);
}

bool ConnectionLoop::Drain(std::chrono::steady_clock::time_point deadline)
{
    // Every connection ends by itself: answered and closed by its client, or at its own
    // deadline (a request still arriving, an idle one after StopAccepting's second, a lingering
    // one after its linger time).
    for (;;) {
        TakeAnswered();
        if (m_connections.empty())
            return true;
        const auto now = Clock::now();
        if (now >= deadline)
            return false;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count() + 1;
        Turn(static_cast<int>(std::min<long long>(kTickMs, left)));
    }
}

void ConnectionLoop::Wake()
{
    const std::uint64_t one = 1;
    [[maybe_unused]] ssize_t ignored = ::write(m_wake, &one, sizeof one);
}

void ConnectionLoop::FinishAnswers(std::chrono::milliseconds limit)
{
    const auto end = Clock::now() + limit;
    m_sendHeldNow = true;
    auto pending = [this] {
        TakeAnswered();
        return std::any_of(m_connections.begin(), m_connections.end(), [](const auto &entry) {
            return entry.second->state == Connection::State::Answer || entry.second->state == Connection::State::Serving ||
                   entry.second->state == Connection::State::Held;
        });
    };
    while (pending() && Clock::now() < end)
        Turn(20);
}

void ConnectionLoop::Answered(ServedConnection *served, std::chrono::milliseconds delay)
{
    auto &held = static_cast<Connection &>(*served);
    held.delay = delay;
    if (delay.count() > 0) {
        // The loop writes the answer when it is due; the connection stays counted for its
        // address until it closes.
        if (++m_held > kMaxHeld) {
            --m_held;
            held.writeFailed = true; // closed unanswered by the loop
        }
        Notify(served);
        return;
    }
    // The answer goes out on the worker's thread as far as the socket takes it at once, sparing
    // the client a turn of the loop; the loop writes the rest, if any, and closes. The loop does
    // not touch a connection while it is being served, so this is the only thread on it.
    auto &connection = static_cast<Connection &>(*served);
    // An answer that would pass what may wait for its address, or in all, is not begun: the
    // client is told to come back rather than sent part of it. (Workers answering at once may
    // each pass this check; the loop checks again what is left after this first write.)
    if (TooMuchUnsent(connection, connection.response.size()))
        connection.response = m_settings.busy;
    // Counted as lingering before the client can read the answer and call again on a new
    // connection; counted back as active when the answer does not go out whole at once.
    const bool lingering = CountAsLingering(connection);
    connection.written = 0;
    while (connection.written < connection.response.size()) {
        std::size_t put = 0;
        Io io = Write(connection, connection.response.data() + connection.written,
                      connection.response.size() - connection.written, &put);
        if (io != Io::Data) {
            connection.writeFailed = io != Io::WouldBlock;
            break;
        }
        connection.written += put;
    }
    if (lingering && connection.written < connection.response.size())
        CountAsActive(connection);
    Notify(served);
}

void ConnectionLoop::Notify(ServedConnection *served)
{
    {
        std::lock_guard lock(m_answeredMutex);
        m_answered.push_back(served);
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] ssize_t ignored = ::write(m_wake, &one, sizeof one);
}

void ConnectionLoop::Turn(int timeoutMs)
{
    // A held answer is written when it is due, not at the next tick.
    if (m_nextDue != Clock::time_point::max()) {
        auto untilDue = std::chrono::duration_cast<std::chrono::milliseconds>(m_nextDue - Clock::now()).count() + 1;
        timeoutMs = static_cast<int>(std::clamp<long long>(untilDue, 0, timeoutMs));
    }
    epoll_event events[kMaxEvents];
    int count = epoll_wait(m_epoll, events, kMaxEvents, timeoutMs);
    for (int i = 0; i < count; ++i) {
        int socket = events[i].data.fd;
        if (socket == m_listen) {
            if (m_accepting)
                AcceptAll();
        } else if (socket == m_wake) {
            std::uint64_t value;
            [[maybe_unused]] ssize_t ignored = ::read(m_wake, &value, sizeof value);
            TakeAnswered();
        } else if (auto found = m_connections.find(socket); found != m_connections.end()) {
            if (found->second->state != Connection::State::Serving)
                Pump(*found->second);
        }
    }
    ExpireDeadlines();
    PublishCounts();
    TrimAfterBurst();
}

void ConnectionLoop::PublishCounts()
{
    std::size_t reading = 0, writing = 0;
    for (const auto &entry : m_connections) {
        const Connection::State state = entry.second->state;
        reading += state == Connection::State::Handshake || state == Connection::State::Request;
        writing += state == Connection::State::Answer;
    }
    m_reading.store(reading);
    m_writing.store(writing);
    m_unsentPublished.store(m_unsentTotal);
    m_open.store(m_connections.size());
}

void ConnectionLoop::NoteFreed(std::size_t bytes)
{
    m_freedSinceTrim += bytes;
}

void ConnectionLoop::TrimAfterBurst()
{
    const auto now = Clock::now();
    // Once nothing waits at all, what the last answers of a burst freed goes back too.
    const std::size_t enough = m_unsentTotal == 0 ? kTrimWhenQuietBytes : kTrimAfterBytes;
    const bool burstOver = m_freedSinceTrim >= enough && m_unsentTotal < kBurstOverBelow && now - m_lastTrim >= kTrimInterval;
    const bool longBurst = m_freedSinceTrim >= kTrimDuringBurstBytes && now - m_lastTrim >= kTrimIntervalDuringBurst;
    if (!burstOver && !longBurst)
        return;
    m_freedSinceTrim = 0;
    m_lastTrim = now;
#ifdef __GLIBC__
    // Large answers are built in the workers' arenas and freed here; without a trim the freed
    // pages stay with the process long after the burst.
    malloc_trim(0);
#endif
}

bool ConnectionLoop::AcceptAll()
{
    for (int accepted = 0; accepted < kAcceptsPerTurn; ++accepted) {
        sockaddr_storage peer{};
        socklen_t length = sizeof peer;
        int socket = accept4(m_listen, reinterpret_cast<sockaddr *>(&peer), &length, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (socket < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            return false; // nothing more waiting, or out of descriptors until some close
        }
        Admit(socket, peer);
    }
    return true;
}

void ConnectionLoop::Admit(int socket, const sockaddr_storage &peer)
{
    auto connection = std::make_unique<Connection>(m_settings.limits);
    if (peer.ss_family == AF_INET) {
        const auto *v4 = reinterpret_cast<const sockaddr_in *>(&peer);
        connection->ip = ntohl(v4->sin_addr.s_addr);
        connection->port = ntohs(v4->sin_port);
        connection->peer[10] = connection->peer[11] = 0xFF;
        std::memcpy(connection->peer.data() + 12, &v4->sin_addr, 4);
    } else if (peer.ss_family == AF_INET6) {
        const auto *v6 = reinterpret_cast<const sockaddr_in6 *>(&peer);
        for (int i = 0; i < 4; ++i) {
            std::uint32_t word;
            std::memcpy(&word, v6->sin6_addr.s6_addr + 4 * i, sizeof word);
            connection->ip6[i] = ntohl(word);
        }
        if (IN6_IS_ADDR_V4MAPPED(&v6->sin6_addr))
            connection->ip = connection->ip6[3];
        connection->port = ntohs(v6->sin6_port);
        std::memcpy(connection->peer.data(), v6->sin6_addr.s6_addr, 16);
    }
    connection->address = IpText(connection->peer);
    // A trusted proxy's connections are counted against their clients once the requests say who
    // they are; the proxy itself is only held to the bound on all connections.
    const bool fromProxy = m_settings.trustedProxies.Contains(connection->peer);
    if (m_connections.size() >= m_settings.maxConnections || (!fromProxy && !Count(*connection))) {
        ::close(socket); // over the bounds: refused at once, costing nothing more
        return;
    }
    connection->socket = socket;
    connection->deadline = Clock::now() + m_settings.requestTime;
    if (m_settings.tls) {
        connection->ssl = SSL_new(m_settings.tls);
        if (!connection->ssl || SSL_set_fd(connection->ssl, socket) != 1) {
            Release(*connection);
            ::close(socket);
            return;
        }
        SSL_set_accept_state(connection->ssl);
        connection->state = Connection::State::Handshake;
    }
    epoll_event event{};
    event.events = EPOLLIN | EPOLLOUT | EPOLLRDHUP | EPOLLET;
    event.data.fd = socket;
    if (epoll_ctl(m_epoll, EPOLL_CTL_ADD, socket, &event) != 0) {
        Release(*connection);
        ::close(socket);
        return;
    }
    Connection &admitted = *connection;
    m_connections.emplace(socket, std::move(connection));
    Pump(admitted);
}

void ConnectionLoop::Pump(Connection &connection)
{
    bool open = true;
    if (connection.state == Connection::State::Handshake)
        open = PumpHandshake(connection);
    if (open && connection.state == Connection::State::Request)
        open = PumpRequest(connection);
    if (open && connection.state == Connection::State::Answer)
        open = PumpAnswer(connection);
    if (open && connection.state == Connection::State::Linger)
        open = PumpLinger(connection);
    if (!open)
        Close(connection.socket);
}

bool ConnectionLoop::PumpHandshake(Connection &connection)
{
    ERR_clear_error();
    int result = SSL_do_handshake(connection.ssl);
    if (result == 1) {
        connection.state = Connection::State::Request;
        return true;
    }
    int error = SSL_get_error(connection.ssl, result);
    // A client that does not accept the certificate, or does not speak TLS, just goes.
    return error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE;
}

bool ConnectionLoop::PumpRequest(Connection &connection)
{
    char buffer[kReadChunk];
    for (;;) {
        std::size_t got = 0;
        Io io = Read(connection, buffer, sizeof buffer, &got);
        if (io == Io::WouldBlock)
            return true;
        if (io == Io::Failed)
            return false;
        RequestVerdict verdict;
        if (io == Io::End) {
            if (!connection.received)
                return false; // connected and went: nothing to answer
            verdict = connection.reader.Finish();
        } else {
            connection.received = true;
            verdict = connection.reader.Feed(buffer, got);
        }
        if (verdict == RequestVerdict::Complete)
            return Serve(connection);
        if (verdict != RequestVerdict::NeedMore) {
            Refuse(connection, verdict);
            return true;
        }
    }
}

bool ConnectionLoop::PumpAnswer(Connection &connection)
{
    while (connection.written < connection.response.size()) {
        std::size_t put = 0;
        Io io = Write(connection, connection.response.data() + connection.written,
                      connection.response.size() - connection.written, &put);
        if (io == Io::WouldBlock) {
            TallyUnsent(connection);
            return true;
        }
        if (io != Io::Data)
            return false;
        connection.written += put;
    }
    return StartLinger(connection);
}

bool ConnectionLoop::PumpLinger(Connection &connection)
{
    char buffer[kReadChunk];
    for (;;) {
        ssize_t got = ::recv(connection.socket, buffer, sizeof buffer, 0);
        if (got > 0) {
            connection.lingered += static_cast<std::size_t>(got);
            if (connection.lingered > m_settings.maxLingerBytes)
                return false;
            continue;
        }
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return true;
        if (got < 0 && errno == EINTR)
            continue;
        return false; // the client has closed: so do we
    }
}

bool ConnectionLoop::Serve(Connection &connection)
{
    connection.request = connection.reader.TakeBytes();
    connection.origin = m_settings.trustedProxies.Resolve(connection.peer, connection.request);
    if (connection.origin.forwarded && connection.address != connection.origin.address) {
        Release(connection); // a proxy's connection counts for the client it now speaks for
        connection.address = connection.origin.address;
        if (!Count(connection))
            return false;
    }
    // An address whose earlier answers lie unread gets no worker for more.
    if (TooMuchUnsent(connection, 1)) {
        Answer(connection, m_settings.busy);
        return true;
    }
    connection.state = Connection::State::Serving;
    m_dispatch(&connection);
    return true;
}

void ConnectionLoop::Refuse(Connection &connection, RequestVerdict verdict)
{
    auto refusal = m_settings.refusals.find(verdict);
    Answer(connection, refusal != m_settings.refusals.end() ? refusal->second : std::string());
}

// A short answer from the loop itself, in place of a worker's.
void ConnectionLoop::Answer(Connection &connection, std::string response)
{
    connection.response = std::move(response);
    connection.written = 0;
    connection.state = Connection::State::Answer;
    connection.deadline = Clock::now() + m_settings.lingerTime;
    TallyUnsent(connection);
}

bool ConnectionLoop::StartLinger(Connection &connection)
{
    // The answer is with the system: the client may call again at once (on another connection)
    // before it closes this one. Past its lingering bound the connection is closed now; the
    // system still delivers what it holds of the answer.
    if (!CountAsLingering(connection))
        return false;
    if (connection.ssl)
        SSL_shutdown(connection.ssl); // the close notice; the client's is not waited for
    ::shutdown(connection.socket, SHUT_WR);
    connection.state = Connection::State::Linger;
    connection.deadline = Clock::now() + m_settings.lingerTime;
    NoteFreed(connection.response.capacity());
    connection.response.clear();
    connection.response.shrink_to_fit();
    connection.request.clear();
    connection.request.shrink_to_fit();
    TallyUnsent(connection);
    return true;
}

bool ConnectionLoop::Count(Connection &connection)
{
    std::lock_guard lock(m_addressMutex);
    AddressLoad &fromAddress = m_perAddress[connection.address];
    if (fromAddress.connections >= m_settings.maxPerAddress)
        return false;
    ++fromAddress.connections;
    connection.counted = true;
    return true;
}

void ConnectionLoop::Release(Connection &connection)
{
    if (!connection.counted)
        return;
    connection.counted = false;
    std::lock_guard lock(m_addressMutex);
    auto found = m_perAddress.find(connection.address);
    if (found == m_perAddress.end())
        return;
    AddressLoad &load = found->second;
    --(connection.lingering ? load.lingering : load.connections);
    if (load.connections == 0 && load.lingering == 0)
        m_perAddress.erase(found);
}

bool ConnectionLoop::CountAsLingering(Connection &connection)
{
    std::lock_guard lock(m_addressMutex);
    if (connection.lingering)
        return true;
    AddressLoad &load = m_perAddress[connection.address];
    if (!connection.counted || load.lingering >= m_settings.maxPerAddress)
        return false;
    --load.connections;
    ++load.lingering;
    connection.lingering = true;
    return true;
}

void ConnectionLoop::CountAsActive(Connection &connection)
{
    std::lock_guard lock(m_addressMutex);
    if (!connection.lingering)
        return;
    AddressLoad &load = m_perAddress[connection.address];
    --load.lingering;
    ++load.connections;
    connection.lingering = false;
}

void ConnectionLoop::TallyUnsent(Connection &connection)
{
    const std::size_t unsent =
        connection.response.size() > connection.written ? connection.response.size() - connection.written : 0;
    if (unsent == connection.unsent || !connection.counted)
        return;
    std::lock_guard lock(m_addressMutex);
    AddressLoad &load = m_perAddress[connection.address];
    load.unsent = load.unsent - connection.unsent + unsent;
    m_unsentTotal = m_unsentTotal - connection.unsent + unsent;
    connection.unsent = unsent;
}

bool ConnectionLoop::TooMuchUnsent(const Connection &connection, std::size_t more) const
{
    std::size_t fromAddress = 0;
    {
        std::lock_guard lock(m_addressMutex);
        auto found = m_perAddress.find(connection.address);
        if (found != m_perAddress.end())
            fromAddress = found->second.unsent;
    }
    // One answer may always wait, however large, so that no answer is too large to be sent.
    const bool addressFull = fromAddress > 0 && fromAddress + more > m_settings.maxUnsentPerAddress;
    const bool serviceFull = m_unsentTotal > 0 && m_unsentTotal + more > m_settings.maxUnsentTotal;
    return addressFull || serviceFull;
}

void ConnectionLoop::Close(int socket)
{
    auto found = m_connections.find(socket);
    if (found == m_connections.end())
        return;
    Connection &connection = *found->second;
    NoteFreed(connection.response.capacity());
    connection.response.clear();
    TallyUnsent(connection);
    Release(connection);
    if (found->second->state == Connection::State::Held)
        --m_held;
    epoll_ctl(m_epoll, EPOLL_CTL_DEL, socket, nullptr);
    ::close(socket);
    m_connections.erase(found);
}

void ConnectionLoop::TakeAnswered()
{
    std::vector<ServedConnection *> answered;
    {
        std::lock_guard lock(m_answeredMutex);
        answered.swap(m_answered);
    }
    for (ServedConnection *served : answered) {
        auto &connection = static_cast<Connection &>(*served);
        if (connection.writeFailed) {
            Close(connection.socket);
            continue;
        }
        connection.request.clear();
        connection.request.shrink_to_fit();
        // The answer would pass what its address, or the service, may have waiting: the client
        // is told to come back later, or, when part of the answer is already out, the
        // connection is closed.
        const std::size_t unsent = connection.response.size() - connection.written;
        if (unsent > 0 && TooMuchUnsent(connection, unsent)) {
            if (connection.written > 0) {
                Close(connection.socket);
                continue;
            }
            NoteFreed(connection.response.capacity());
            connection.response = m_settings.busy;
        }
        TallyUnsent(connection);
        if (connection.delay.count() > 0 && !m_sendHeldNow) {
            connection.state = Connection::State::Held;
            connection.deadline = Clock::now() + connection.delay;
            m_nextDue = std::min(m_nextDue, connection.deadline);
            continue;
        }
        StartAnswer(connection);
    }
}

void ConnectionLoop::StartAnswer(Connection &connection)
{
    if (connection.delay.count() > 0) {
        connection.delay = std::chrono::milliseconds(0);
        --m_held;
    }
    connection.state = Connection::State::Answer;
    connection.deadline = Clock::now() + m_settings.answerTime;
    Pump(connection);
}

void ConnectionLoop::ExpireDeadlines()
{
    const auto now = Clock::now();
    std::vector<int> expired;
    std::vector<Connection *> late;
    std::vector<Connection *> due;
    m_nextDue = Clock::time_point::max();
    for (auto &[socket, connection] : m_connections) {
        if (connection->state == Connection::State::Held) {
            if (m_sendHeldNow || now >= connection->deadline)
                due.push_back(connection.get());
            else
                m_nextDue = std::min(m_nextDue, connection->deadline);
            continue;
        }
        if (connection->state == Connection::State::Serving || now < connection->deadline)
            continue;
        // A request begun over a working connection is told why it is not answered; anything
        // else is simply closed.
        if (connection->state == Connection::State::Request && connection->received)
            late.push_back(connection.get());
        else
            expired.push_back(socket);
    }
    for (int socket : expired)
        Close(socket);
    for (Connection *connection : late) {
        Refuse(*connection, RequestVerdict::Incomplete);
        Pump(*connection);
    }
    for (Connection *connection : due)
        StartAnswer(*connection);
}

ConnectionLoop::Io ConnectionLoop::Read(Connection &connection, char *buffer, std::size_t size, std::size_t *got)
{
    if (connection.ssl) {
        ERR_clear_error();
        int result = SSL_read(connection.ssl, buffer, static_cast<int>(size));
        if (result > 0) {
            *got = static_cast<std::size_t>(result);
            return Io::Data;
        }
        switch (SSL_get_error(connection.ssl, result)) {
        case SSL_ERROR_WANT_READ:
        case SSL_ERROR_WANT_WRITE:
            return Io::WouldBlock;
        case SSL_ERROR_ZERO_RETURN:
            return Io::End;
        case SSL_ERROR_SYSCALL:
            return errno == 0 ? Io::End : Io::Failed; // closed without a close notice
        default:
            return Io::Failed;
        }
    }
    for (;;) {
        ssize_t result = ::recv(connection.socket, buffer, size, 0);
        if (result > 0) {
            *got = static_cast<std::size_t>(result);
            return Io::Data;
        }
        if (result == 0)
            return Io::End;
        if (errno == EINTR)
            continue;
        return errno == EAGAIN || errno == EWOULDBLOCK ? Io::WouldBlock : Io::Failed;
    }
}

ConnectionLoop::Io ConnectionLoop::Write(Connection &connection, const char *data, std::size_t size, std::size_t *put)
{
    if (connection.ssl) {
        ERR_clear_error();
        int result = SSL_write(connection.ssl, data, static_cast<int>(std::min<std::size_t>(size, 1u << 30)));
        if (result > 0) {
            *put = static_cast<std::size_t>(result);
            return Io::Data;
        }
        int error = SSL_get_error(connection.ssl, result);
        return error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE ? Io::WouldBlock : Io::Failed;
    }
    for (;;) {
        ssize_t result = ::send(connection.socket, data, size, MSG_NOSIGNAL);
        if (result >= 0) {
            *put = static_cast<std::size_t>(result);
            return Io::Data;
        }
        if (errno == EINTR)
            continue;
        return errno == EAGAIN || errno == EWOULDBLOCK ? Io::WouldBlock : Io::Failed;
    }
}
