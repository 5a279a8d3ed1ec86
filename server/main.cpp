// platform-service: the reference platform service. Prints its base address as the first line
// of standard output, serves until SIGINT or SIGTERM.
#include "PlatformServer.h"

#include <malloc.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#ifndef PLATFORM_DEFAULT_DATA_DIR
#define PLATFORM_DEFAULT_DATA_DIR "data"
#endif

namespace {

PlatformServer *g_server = nullptr;
// How long the workers may take to finish after the drain before the process ends anyway.
constexpr std::chrono::seconds kJoinLimit{5};

void OnStopSignal(int)
{
    if (g_server)
        g_server->RequestStop();
}

const char kUsage[] =
    "Usage: platform-service [options]\n"
    "  --port N          port to listen on (default 8089; 0 picks a free port)\n"
    "  --bind ADDR       address to listen on (default 127.0.0.1)\n"
    "  --public-url URL  address handed to clients at sign-in (default: the address each one reached)\n"
    "  --db PATH|URI     SQLite database file (default platform.db), or a postgresql:// URI;\n"
    "                    created (a file) and seeded when new, its schema brought up to date\n"
    "  --data DIR        seed folder (default the source tree's data/)\n"
    "  --threads N       worker threads (default 8)\n"
    "  --db-connections N  database connections the threads share (default: one per thread,\n"
    "                    the workers and one sign-in thread per core)\n"
    "  --metrics-from ADDR[/BITS]  a client (or range) shown /metrics besides loopback and the\n"
    "                    trusted proxies (repeatable)\n"
    "  --no-request-log  write no JSON line per request on standard error\n"
    "  --idle-timeout S  seconds of inactivity after which a session lapses (default 1800)\n"
    "  --tls-cert FILE   serve https with this certificate chain (PEM); needs --tls-key\n"
    "  --tls-key FILE    the certificate's private key (PEM)\n"
    "  --test-controls   answer the /test/ controls (tests and benchmarks only; never in service)\n"
    "  --trusted-proxy ADDR[/BITS]  a reverse proxy (or range of them) whose X-Forwarded-For /\n"
    "                    Forwarded headers name the client and whose X-Forwarded-Proto /\n"
    "                    X-Forwarded-Host name the address it reached (repeatable)\n"
    "  --bench-keywords N  add N generated keywords (for benchmarks; once per database)\n"
    "  --essay-quota N   essays one user may keep (default 1000)\n"
    "  --essay-bytes-quota N  bytes of titles and bodies one user may keep (default 10485760)\n"
    "  --saves-per-minute N   essay saves one user may make a minute (default 60)\n"
    "  --connections-per-address N  connections one client address may have unanswered, and as\n"
    "                    many more waiting for their client to close (default 64; a school whose\n"
    "                    pupils all reach the service from one address may need more)\n"
    "  --reuse-port      share the port with other processes started with this option (the\n"
    "                    system spreads connections over them)\n"
    "  --drain-grace S   on SIGTERM or SIGINT, seconds to go on accepting while /readyz answers 503\n"
    "                    (default 2); then what was accepted is answered (10 s at most) and the\n"
    "                    process exits 0\n"
    "  --help            this text\n"
    "The first line printed is the service's base address, e.g. http://127.0.0.1:8089/\n"
    "(https://... when serving TLS).\n"
    "Operations answer at BASE/Iface/api.asmx; test controls at BASE/test/... (with --test-controls, loopback only).\n";

bool ParseInt(const char *text, int low, int high, int *out)
{
    char *end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (!*text || *end || value < low || value > high)
        return false;
    *out = static_cast<int>(value);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    ServerOptions options;
    options.databasePath = "platform.db";
    options.dataDir = PLATFORM_DEFAULT_DATA_DIR;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        const char *value = i + 1 < argc ? argv[i + 1] : nullptr;
        bool ok = true;
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--test-controls") {
            options.testControls = true;
            continue;
        }
        if (arg == "--reuse-port") {
            options.reusePort = true;
            continue;
        }
        if (arg == "--no-request-log") {
            options.requestLog = false;
            continue;
        }
        if (arg == "--port" && value) {
            ok = ParseInt(value, 0, 65535, &options.port);
        } else if (arg == "--threads" && value) {
            ok = ParseInt(value, 1, 256, &options.workers);
        } else if (arg == "--db-connections" && value) {
            ok = ParseInt(value, 1, 256, &options.databaseConnections);
        } else if (arg == "--metrics-from" && value) {
            ok = options.metricsFrom.Add(value);
        } else if (arg == "--idle-timeout" && value) {
            ok = ParseInt(value, 1, 365 * 24 * 3600, &options.idleTimeoutSeconds);
        } else if (arg == "--bind" && value) {
            options.bindAddress = value;
        } else if (arg == "--public-url" && value) {
            options.publicUrl = value;
            ok = options.publicUrl.rfind("http://", 0) == 0 || options.publicUrl.rfind("https://", 0) == 0;
            if (ok && options.publicUrl.back() != '/')
                options.publicUrl += '/';
        } else if (arg == "--db" && value) {
            options.databasePath = value;
        } else if (arg == "--data" && value) {
            options.dataDir = value;
        } else if (arg == "--drain-grace" && value) {
            int seconds = 0;
            ok = ParseInt(value, 0, 300, &seconds);
            options.drainGrace = std::chrono::seconds(seconds);
        } else if (arg == "--bench-keywords" && value) {
            ok = ParseInt(value, 0, 10000000, &options.benchKeywords);
        } else if (arg == "--essay-quota" && value) {
            int essays = 0;
            ok = ParseInt(value, 1, 1000000, &essays);
            options.essayQuota.maxEssays = essays;
        } else if (arg == "--essay-bytes-quota" && value) {
            int bytes = 0;
            ok = ParseInt(value, 1, 2000000000, &bytes);
            options.essayQuota.maxBytes = bytes;
        } else if (arg == "--connections-per-address" && value) {
            ok = ParseInt(value, 1, 100000, &options.maxConnectionsPerAddress);
        } else if (arg == "--saves-per-minute" && value) {
            ok = ParseInt(value, 1, 60000, &options.savesPerMinute);
        } else if (arg == "--test-controls") {
            options.testControls = true;
            continue; // takes no value
        } else if (arg == "--trusted-proxy" && value) {
            ok = options.trustedProxies.Add(value);
        } else if (arg == "--tls-cert" && value) {
            options.tlsCertificateFile = value;
        } else if (arg == "--tls-key" && value) {
            options.tlsKeyFile = value;
        } else {
            std::fprintf(stderr, "platform-service: unknown or incomplete option %s\n%s", arg.c_str(), kUsage);
            return 2;
        }
        if (!ok) {
            std::fprintf(stderr, "platform-service: bad value for %s: %s\n", arg.c_str(), value);
            return 2;
        }
        ++i;
    }

    // Answers of megabytes (the keyword list) are built and freed on every synchronisation: kept
    // on the heap rather than mapped afresh each time, they cost no page faults when reused.
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    std::signal(SIGPIPE, SIG_IGN); // a client that hangs up must not end the service
    PlatformServer server(options);
    std::string error;
    if (!server.Start(&error)) {
        std::fprintf(stderr, "platform-service: %s\n", error.c_str());
        return 1;
    }
    g_server = &server;
    struct sigaction action{};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    std::printf("%s\n", server.BaseAddress().c_str());
    std::fflush(stdout);
    server.Run();
    // The drain is over; a worker still inside a database call that does not return (a lock
    // held elsewhere, a server that stopped answering) must not keep the process from ending.
    // Nothing it does now is acknowledged to anyone, and the database rolls back what it began.
    std::thread([] {
        std::this_thread::sleep_for(kJoinLimit);
        std::fprintf(stderr, "platform-service: stopped without waiting for a worker still in a database call\n");
        std::_Exit(0);
    }).detach();
    server.Shutdown();
    g_server = nullptr;
    std::fprintf(stderr, "platform-service: stopped\n");
    return 0;
}
