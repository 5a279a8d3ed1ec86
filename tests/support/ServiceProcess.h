// Test support: runs the real reference service (build/bin/platform-service) as a child process
// on 127.0.0.1 with a free port and a fresh temporary database, for integration tests.
//
//   auto service = ServiceProcess::Start();          // throws std::runtime_error on failure
//   proxy.WsAutoLogin(service->Endpoint().c_str(), service->BaseAddress().c_str(), &req, &resp);
//   service->Control("lapse?name=xuesheng");         // a test control, see below
//   // the destructor stops the service (SIGTERM) and deletes its database
//
// Demo accounts of the seed (data/platform.json), all with ASCII passwords:
//   xuesheng / 123456 (student, the demo sign-in), tongxue / 654321, laoshi / 123456,
//   jinyong / 123456 (disabled: "-3"), weizhuce / 123456 (registration not completed: "-5").
//
// Test controls (GET BaseAddress() + "test/" + control; answered to loopback peers only; a user
// is named by id=N or name=NAME; "ok" or a 404 text):
//   lapse?name=U              the user's session lapses: the next signed-in call answers "2"
//   displace?name=U           as if U signed in on another device: next call answers "3"
//   refuse-relogin?name=U     the next WsReLogin of U answers "0"
//   disable?name=U&value=1|0  disable (sign-in answers "-3", signed-in calls "4") or enable
//   message?name=U&content=T&url=A   queue a poll message for U ("/x" urls become site addresses)
//   overall?version=V&MainInfoTime=T  change what WsOverallInfo reports
//   verify-code?code=DEVICE   the code drawn in the last WsCreateVerifyImage for that device
//                             (a WsLogin with it and the right password lifts a guessing lock)
//   deadline?activity=N&value=YYYY-MM-DD%20HH:MM:SS   move a contest round's deadline
//   contest-state?name=U&activity=N&state=S   what WsActivityInfo answers U for N: open (the round's
//                             own answer), closed ("-1"), submitted ("-2"), mixed (types "0", "-2", "1"),
//                             five-topics (the second round with its first five topics)
//   activity-flags?activity=N&status=S&isMeg=M   what WsActivity shows of activity N
//   idle-timeout?seconds=N    sessions lapse after N idle seconds
//   add-user?name=U&password=P   a new signed-up account; P as typed (UTF-8): the client's digest
//                             of it is the MD5 of its GBK bytes (Utf8ToGbk, then Md5Hex)
//   counts?name=U             {"id","compositions","ideas"} of the user, as JSON
//   held-replies              how many slowed sign-in answers wait to be sent
//   connections               {"reading":N,"writing":M}: connections whose request is still
//                             arriving, and whose answer is being written (as of the last tick)
//   shares                    {"data":[{"webid","url","title","summary","arrived"}]} of /send/
#pragma once

#include "Md5.h" // the digest the accounts above are signed in with
#include "TestDatabase.h"

#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

class ServiceProcess
{
public:
    // Starts the service with a new temporary database seeded from the source tree's data/;
    // extraArgs are added to the command line (for example {"--threads", "2"}). Waits until
    // the service has printed its address (at most 30 s). The test controls are on unless
    // testControls is false (as the service runs for a school). It is started with
    // --drain-grace 0 (it stops accepting at once on SIGTERM) unless extraArgs say otherwise.
    static std::unique_ptr<ServiceProcess> Start(const std::vector<std::string> &extraArgs = {}, bool testControls = true);
    ~ServiceProcess();
    ServiceProcess(const ServiceProcess &) = delete;
    ServiceProcess &operator=(const ServiceProcess &) = delete;

    // "http://127.0.0.1:PORT/" ("https://..." when started with --tls-cert and --tls-key; the
    // test controls and Get() speak plain HTTP only)
    const std::string &BaseAddress() const { return m_baseAddress; }
    // BaseAddress() + "Iface/api.asmx" (the pre-sign-in and "default" endpoint)
    std::string Endpoint() const { return m_baseAddress + "Iface/api.asmx"; }
    // BaseAddress() + "iface/api.asmx" (the endpoint a client forms from the sign-in's "host")
    std::string SignedInEndpoint() const { return m_baseAddress + "iface/api.asmx"; }
    int Port() const { return m_port; }
    // The --db value: a SQLite file, or a PostgreSQL URI when the run is on PostgreSQL (see
    // TestDatabase.h). A second service on the same database: Start({"--db", DatabasePath()}).
    const std::string &DatabasePath() const { return m_databasePath; }
    // The PostgreSQL database's name (empty on SQLite).
    std::string DatabaseName() const { return m_database ? m_database->Name() : std::string(); }
    pid_t Pid() const { return m_pid; }
    // What the service has written on standard error so far (its request log included): kept
    // in a file of its folder, so that no pipe fills up behind a busy service.
    std::string ErrorOutput() const;

    // GET BaseAddress() + "test/" + control; returns the body, and the HTTP status in *status.
    std::string Control(const std::string &control, int *status = nullptr) const;
    // GET of any path on the service ("/help.aspx", "/send/?webid=..."), body and status.
    std::string Get(const std::string &target, int *status = nullptr) const;

    // Stops the service (SIGTERM, then SIGKILL after 10 s); returns its exit status, or -1.
    int Stop();

    // How a run that should end by itself ended: the exit status (-1 when it was still running
    // after 30 s and had to be killed, or died of a signal) and what it wrote on standard error.
    struct Exit
    {
        int status = -1;
        std::string errorOutput;
    };
    // Runs the service as Start does (fresh database, the seed, extraArgs added) until it exits.
    static Exit RunToExit(const std::vector<std::string> &extraArgs);

private:
    ServiceProcess() = default;
    std::string ErrorFile() const;

    pid_t m_pid = -1;
    int m_port = 0;
    std::string m_baseAddress;
    std::string m_directory;
    std::string m_databasePath;
    std::unique_ptr<TestDatabase> m_database;
};

// Percent-encodes text for a query value (UTF-8 bytes in, %XX for everything but A-Z a-z 0-9 - _ . ~).
std::string UrlEncode(const std::string &text);

// A plain HTTP exchange with 127.0.0.1:port: sends the raw request bytes, reads until the
// service closes the connection (so send "Connection: close" or HTTP/1.0), returns the raw
// response (empty when the connection failed). For tests that need malformed requests.
std::string RawHttpExchange(int port, const std::string &request, int timeoutSeconds = 10);
