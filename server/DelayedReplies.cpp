// The thread that sends held answers when they are due.
#include "DelayedReplies.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

DelayedReplies::DelayedReplies() : m_thread([this] { Run(); }) {}

DelayedReplies::~DelayedReplies()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void DelayedReplies::Hold(int socket, std::string reply, std::chrono::milliseconds delay)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_held.size() < kMaxHeld && !m_stopping) {
            m_held.push(Held{Clock::now() + delay, socket, std::move(reply)});
            m_changed.notify_all();
            return;
        }
    }
    ::close(socket);
}

std::size_t DelayedReplies::HeldCount()
{
    std::lock_guard lock(m_mutex);
    return m_held.size();
}

void DelayedReplies::Run()
{
    std::unique_lock lock(m_mutex);
    while (true) {
        if (m_held.empty()) {
            if (m_stopping)
                return;
            m_changed.wait(lock);
            continue;
        }
        if (!m_stopping && Clock::now() < m_held.top().due) {
            m_changed.wait_until(lock, m_held.top().due);
            continue;
        }
        Held next = m_held.top();
        m_held.pop();
        lock.unlock();
        SendAndClose(next);
        lock.lock();
    }
}

void DelayedReplies::SendAndClose(const Held &held)
{
    // The worker left the socket non-blocking; a short blocking send is simpler here, and a
    // client that does not read gets cut off after two seconds.
    int flags = ::fcntl(held.socket, F_GETFL);
    if (flags >= 0)
        ::fcntl(held.socket, F_SETFL, flags & ~O_NONBLOCK);
    timeval wait{2, 0};
    ::setsockopt(held.socket, SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait);
    std::size_t sent = 0;
    while (sent < held.reply.size()) {
        ssize_t n = ::send(held.socket, held.reply.data() + sent, held.reply.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            break;
        sent += static_cast<std::size_t>(n);
    }
    ::shutdown(held.socket, SHUT_WR);
    ::close(held.socket);
}
