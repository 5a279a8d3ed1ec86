// What nginx in front of the service costs: WsServerPoll, WsUserComp and WsCompSaveOrEdit at 8
// and 50 clients, straight to one process, straight to two processes on one database (client i
// to process i mod 2), and over https through nginx running the deployment example
// (server/deploy/nginx-platform.conf) in front of the same two, with a TLS session per call as
// the desktop client makes it. Throughput and latency percentiles beside the CPU time per call
// of the service processes and of nginx. SQLite by default; PostgreSQL with
// PLATFORM_TEST_ENGINE=postgresql under tests/support/with-postgres.sh.
#include "NginxProcess.h"
#include "RawHttp.h"
#include "ServiceClient.h"
#include "ServiceProcess.h"

#include <benchmark/benchmark.h>
#include <json/json.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace {

constexpr int kAccounts = 50;
constexpr int kEssaysPerAccount = 20;

std::unique_ptr<TestCertificates> g_certificates;
std::unique_ptr<ServiceProcess> g_first, g_second;
std::unique_ptr<NginxProcess> g_nginx;

struct Account
{
    std::string id, device, essayId;
};
std::vector<Account> g_accounts;

enum class Route
{
    OneProcess,
    TwoProcesses,
    Nginx,
};

const char *RouteName(Route route)
{
    switch (route) {
    case Route::OneProcess:
        return "one process";
    case Route::TwoProcesses:
        return "two processes";
    case Route::Nginx:
        return "nginx+TLS, two";
    }
    return "";
}

// The base address client i calls on the route.
std::string BaseAddress(Route route, int client)
{
    if (route == Route::Nginx)
        return "https://127.0.0.1:" + std::to_string(g_nginx->Port()) + "/";
    return route == Route::TwoProcesses && client % 2 == 1 ? g_second->BaseAddress() : g_first->BaseAddress();
}

double CpuMilliseconds(const std::vector<pid_t> &pids)
{
    double total = 0;
    for (pid_t pid : pids)
        total += ProcessCpuMilliseconds(pid);
    return total;
}

struct Figures
{
    std::vector<double> latencies; // microseconds
    double wallSeconds = 0, serviceCpuMs = 0, nginxCpuMs = 0;
};
std::mutex g_mutex;
std::map<std::string, Figures> g_figures;

const std::string kEssay = [] {
    std::string text;
    for (int i = 0; i < 40; ++i)
        text += "春风又绿江南岸，明月何时照我还。\r\n";
    return text;
}();

using Call = std::function<std::string(ServiceClient &client, const Account &account, int iteration)>;
using Accept = std::function<bool(const std::string &result, const Account &account)>;

void Measure(benchmark::State &state, Route route, const std::string &operation, const Call &call, const Accept &accept)
{
    const Account &account = g_accounts[static_cast<std::size_t>(state.thread_index())];
    const std::string base = BaseAddress(route, state.thread_index());
    ServiceClient client(base, base + "iface/api.asmx");
    const std::vector<pid_t> services = {g_first->Pid(), g_second->Pid()};
    const std::vector<pid_t> nginx = g_nginx->Processes();
    // Thread 0 reads the clocks around the run: every thread passes the loop's start and end
    // together.
    const double serviceBefore = state.thread_index() == 0 ? CpuMilliseconds(services) : 0;
    const double nginxBefore = state.thread_index() == 0 ? CpuMilliseconds(nginx) : 0;
    const auto wallStart = std::chrono::steady_clock::now();
    std::vector<double> latencies;
    latencies.reserve(state.max_iterations);
    int iteration = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const std::string result = call(client, account, ++iteration);
        latencies.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
        if (client.LastError() != SOAP_OK || !accept(result, account)) {
            state.SkipWithError(("call failed: " + result).c_str());
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
    const std::string name = operation + " | " + RouteName(route) + " | clients " + std::to_string(state.threads());
    std::lock_guard lock(g_mutex);
    Figures &figures = g_figures[name];
    figures.latencies.insert(figures.latencies.end(), latencies.begin(), latencies.end());
    if (state.thread_index() == 0) {
        figures.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
        figures.serviceCpuMs = CpuMilliseconds(services) - serviceBefore;
        figures.nginxCpuMs = CpuMilliseconds(nginx) - nginxBefore;
    }
}

bool AnyDocument(const std::string &result, const Account &)
{
    return result.size() >= 2;
}

void Register(Route route)
{
    struct Operation
    {
        const char *name;
        Call call;
        Accept accept;
    };
    const Operation operations[] = {
        {"WsServerPoll", [](ServiceClient &client, const Account &a, int) { return client.ServerPoll(a.id, a.device); },
         AnyDocument},
        {"WsUserComp",
         [](ServiceClient &client, const Account &a, int) { return client.UserComp(a.id, a.device, "4000", "1", "0", ""); },
         AnyDocument},
        // Edits of the client's own essay, a new title each time; the answer is that essay's id.
        {"WsCompSaveOrEdit",
         [](ServiceClient &client, const Account &a, int i) {
             return client.CompSaveOrEdit(a.id, a.device, a.essayId, "基准测试 " + std::to_string(i), kEssay);
         },
         [](const std::string &result, const Account &a) { return result == a.essayId; }},
    };
    for (const Operation &operation : operations)
        for (int clients : {8, 50}) {
            const std::string name = std::string(operation.name) + "/" + RouteName(route);
            benchmark::RegisterBenchmark(
                name.c_str(),
                [=](benchmark::State &state) { Measure(state, route, operation.name, operation.call, operation.accept); })
                ->Threads(clients)
                ->Iterations(clients == 8 ? 300 : 60)
                ->UseRealTime();
        }
}

// The accounts, their sessions (kept in the database, so good on every route) and each one's
// library; the test controls answer a loopback client other than the proxy's address.
void PrepareAccounts()
{
    for (int i = 0; i < kAccounts; ++i) {
        const std::string name = "bench" + std::to_string(i);
        ExchangeFrom(g_first->Port(), "127.0.0.2",
                     "GET /test/add-user?name=" + name + "&password=pw HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
        ServiceClient client(g_first->BaseAddress(), g_first->SignedInEndpoint());
        Account account;
        account.device = "BENCH-" + std::to_string(i);
        Json::Value document;
        Json::Reader().parse(client.AutoLogin(name, Md5Hex("pw"), account.device), document);
        account.id = document["data"][0]["ID"].asString();
        for (int e = 0; e < kEssaysPerAccount; ++e)
            account.essayId = client.CompSaveOrEdit(account.id, account.device, "0", "作文 " + std::to_string(e), kEssay);
        g_accounts.push_back(account);
    }
}

void PrintFigures()
{
    std::printf("\n%-46s %7s %9s %8s %8s %13s %13s\n", "operation | route | clients", "calls", "calls/s", "p50 ms", "p99 ms",
                "service CPU", "nginx CPU");
    std::printf("%-46s %7s %9s %8s %8s %13s %13s\n", "", "", "", "", "", "ms per call", "ms per call");
    for (auto &[name, figures] : g_figures) {
        std::vector<double> &values = figures.latencies;
        if (values.empty() || figures.wallSeconds <= 0)
            continue;
        std::sort(values.begin(), values.end());
        auto at = [&](double q) {
            return values[std::min(values.size() - 1, static_cast<std::size_t>(q * values.size()))] / 1000.0;
        };
        const double calls = static_cast<double>(values.size());
        std::printf("%-46s %7zu %9.0f %8.2f %8.2f %13.3f %13.3f\n", name.c_str(), values.size(), calls / figures.wallSeconds,
                    at(0.50), at(0.99), figures.serviceCpuMs / calls, figures.nginxCpuMs / calls);
    }
}

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (NginxPath().empty()) {
        std::fprintf(stderr, "nginx is not installed (scripts/install-deps.sh)\n");
        return 1;
    }
    g_certificates = std::make_unique<TestCertificates>();
    const std::vector<std::string> options = {"--trusted-proxy", "127.0.0.1", "--saves-per-minute", "60000"};
    g_first = ServiceProcess::Start(options);
    std::vector<std::string> second = options;
    second.insert(second.end(), {"--db", g_first->DatabasePath()});
    g_second = ServiceProcess::Start(second);
    const int port = FreePort();
    g_nginx = std::make_unique<NginxProcess>(
        NginxPath(), PlatformSiteConfig(port, g_first->Port(), g_second->Port(), g_certificates->SelfSigned()), port);
    PrepareAccounts();
    for (Route route : {Route::OneProcess, Route::TwoProcesses, Route::Nginx})
        Register(route);
    benchmark::RunSpecifiedBenchmarks();
    PrintFigures();
    g_nginx.reset();
    g_second.reset();
    g_first.reset();
    benchmark::Shutdown();
    return 0;
}
