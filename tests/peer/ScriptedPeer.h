// A scripted HTTP peer on 127.0.0.1 for tests: records every request it receives and answers
// each with the next scripted reply, so a test sees the exact bytes the client sends and can
// feed it any answer, including broken ones.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct PeerRequest
{
    std::string head;  // request line and header lines
    std::string body;
    std::string Path() const;                          // from the request line
    std::string Header(const std::string &name) const;  // value of a header line, case-insensitive name
};

class ScriptedPeer
{
public:
    // What the peer does with one request.
    struct Reply
    {
        std::string raw;      // bytes written back before the connection is closed
        bool silent = false;  // accept, read, then never answer until the peer stops
    };

    ScriptedPeer();
    ~ScriptedPeer();
    ScriptedPeer(const ScriptedPeer &) = delete;
    ScriptedPeer &operator=(const ScriptedPeer &) = delete;

    int Port() const { return m_port; }
    std::string BaseAddress() const;  // "http://127.0.0.1:PORT/"
    std::string HostName() const;     // "127.0.0.1:PORT"

    // Queues replies, answered in order; once the queue is empty every further request gets
    // the last reply again.
    void Push(Reply reply);
    // A SOAP 1.2 reply whose body holds <ns1:OPResponse><ns1:OPResult>text</ns1:OPResult>.
    void PushResult(const std::string &operation, const std::string &utf8Text);

    // Answers every request that finds the queue empty, for peers that behave the same way
    // without end; an empty function goes back to repeating the last reply.
    using Responder = std::function<Reply(const PeerRequest &)>;
    void SetResponder(Responder responder);

    std::vector<PeerRequest> Requests() const;

    static std::string HttpResponse(const std::string &body, const std::string &status = "200 OK");
    static std::string SoapResultEnvelope(const std::string &operation, const std::string &utf8Text);

private:
    void Serve();
    void Handle(int client);

    int m_listener = -1;
    int m_port = 0;
    std::atomic<bool> m_stopping{false};
    mutable std::mutex m_mutex;
    std::condition_variable m_stopped;
    std::deque<Reply> m_replies;
    Reply m_lastReply;
    Responder m_responder;
    std::vector<PeerRequest> m_requests;
    std::thread m_thread;
};
