// Answers held back for a while without holding a worker: a worker hands over the socket and the
// bytes of its finished answer, and one thread of its own sends each when it is due and closes
// the connection. Used to slow down password guessing.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <queue>
#include <string>
#include <thread>
#include <vector>

class DelayedReplies
{
public:
    using Clock = std::chrono::steady_clock;

    DelayedReplies();
    // Sends what is still held at once, then stops.
    ~DelayedReplies();
    DelayedReplies(const DelayedReplies &) = delete;
    DelayedReplies &operator=(const DelayedReplies &) = delete;

    // Takes over the connected socket: sends reply after delay and closes it. When too many are
    // held already the connection is closed unanswered (a flood of guesses gets nothing).
    void Hold(int socket, std::string reply, std::chrono::milliseconds delay);
    std::size_t HeldCount();

private:
    struct Held
    {
        Clock::time_point due;
        int socket;
        std::string reply;
        bool operator>(const Held &other) const { return due > other.due; }
    };
    static constexpr std::size_t kMaxHeld = 2048;

    void Run();
    static void SendAndClose(const Held &held);

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::priority_queue<Held, std::vector<Held>, std::greater<Held>> m_held;
    bool m_stopping = false;
    std::thread m_thread;
};
