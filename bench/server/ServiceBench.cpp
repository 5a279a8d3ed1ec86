// Requests per second and latency percentiles of WsUserComp, WsServerPoll and WsCompSaveOrEdit
// against the real platform-service process on 127.0.0.1 (on PostgreSQL with
// PLATFORM_TEST_ENGINE=postgresql under tests/support/with-postgres.sh), with 1, 8 and 50 concurrent clients (each signed
// in on its own account). Google Benchmark reports the rates; the percentiles follow as a table.
#include "ServiceClient.h"
#include "ServiceProcess.h"

#include <benchmark/benchmark.h>
#include <json/json.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace {

constexpr int kAccounts = 50;
constexpr int kEssaysPerAccount = 20;

std::unique_ptr<ServiceProcess> g_service;
// Further processes on the same database (BENCH_SERVICE_PROCESSES); client i calls process
// i mod their number, as a load balancer spreads them.
std::vector<std::unique_ptr<ServiceProcess>> g_others;

ServiceProcess &ServiceOf(int clientIndex)
{
    const int processes = 1 + static_cast<int>(g_others.size());
    const int n = clientIndex % processes;
    return n == 0 ? *g_service : *g_others[static_cast<std::size_t>(n - 1)];
}
std::mutex g_mutex;
std::map<std::string, std::vector<double>> g_latencies; // benchmark name -> microseconds

std::string AccountName(int i) { return "bench" + std::to_string(i); }

// A signed-in client of account i; returns its user id.
std::string SignIn(ServiceClient &client, int i)
{
    std::string result = client.AutoLogin(AccountName(i), Md5Hex("pw"), "BENCH-" + std::to_string(i));
    Json::Value doc;
    Json::Reader().parse(result, doc);
    return doc["data"][0]["ID"].asString();
}

const std::string kEssay = [] {
    std::string text;
    for (int i = 0; i < 40; ++i)
        text += "春风又绿江南岸，明月何时照我还。\r\n";
    return text;
}();

// Whether an answer counts as served: anything else (a refusal, a fault) is an error of the run.
using Accept = std::function<bool(const std::string &result)>;
// What a client does once signed in, before the clock starts.
using Prepare = std::function<bool(ServiceClient &client, const std::string &id, const std::string &device)>;

bool AnyDocument(const std::string &result)
{
    return result.size() >= 2;
}

// A saved essay's id: decimal digits, never "0" (the refusal).
bool IsEssayId(const std::string &result)
{
    return !result.empty() && result.find_first_not_of("0123456789") == std::string::npos && result != "0";
}

template <typename Call>
void Measure(benchmark::State &state, const std::string &operation, const Call &call, const Accept &accept = AnyDocument,
             const Prepare &prepare = {})
{
    ServiceProcess &service = ServiceOf(state.thread_index());
    ServiceClient client(service.BaseAddress(), service.SignedInEndpoint());
    std::string id = SignIn(client, state.thread_index());
    std::string device = "BENCH-" + std::to_string(state.thread_index());
    if (prepare && !prepare(client, id, device)) {
        state.SkipWithError("the preparation failed");
        return;
    }
    std::vector<double> latencies;
    latencies.reserve(state.max_iterations);
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        std::string result = call(client, id, device);
        latencies.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
        if (client.LastError() != SOAP_OK || !accept(result)) {
            state.SkipWithError(("call failed (gSOAP status " + std::to_string(client.LastError()) + "): " + result).c_str());
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
    std::lock_guard lock(g_mutex);
    auto &all = g_latencies[operation + " clients:" + std::to_string(state.threads())];
    all.insert(all.end(), latencies.begin(), latencies.end());
}

void BM_WsUserComp(benchmark::State &state)
{
    Measure(state, "WsUserComp", [](ServiceClient &client, const std::string &id, const std::string &device) {
        return client.UserComp(id, device, "4000", "1", "0", "");
    });
}

// New essays: each call saves one, and must answer its new id.
void BM_WsCompSaveOrEdit_Save(benchmark::State &state)
{
    Measure(
        state, "WsCompSaveOrEdit save",
        [](ServiceClient &client, const std::string &id, const std::string &device) {
            return client.CompSaveOrEdit(id, device, "0", "基准测试", kEssay);
        },
        IsEssayId);
}

// Edits: each client saves an essay of its own before the clock, then every call edits it (a new
// title each time) and must answer that essay's id; a refusal ("0", "-1", a status) is an error.
void BM_WsCompSaveOrEdit_Edit(benchmark::State &state)
{
    std::string compId;
    int edits = 0;
    Measure(
        state, "WsCompSaveOrEdit edit",
        [&](ServiceClient &client, const std::string &id, const std::string &device) {
            return client.CompSaveOrEdit(id, device, compId, "基准测试 " + std::to_string(++edits), kEssay);
        },
        [&](const std::string &result) { return result == compId; },
        [&](ServiceClient &client, const std::string &id, const std::string &device) {
            compId = client.CompSaveOrEdit(id, device, "0", "基准测试", kEssay);
            return IsEssayId(compId);
        });
}

// The call every open client makes every few minutes; the queue is empty after the first
// (the welcome message), as it is for nearly every poll of a school day.
void BM_WsServerPoll(benchmark::State &state)
{
    Measure(state, "WsServerPoll", [](ServiceClient &client, const std::string &id, const std::string &device) {
        return client.ServerPoll(id, device);
    });
}

// A sign-in checks the password against its Argon2id hash: the cost a user pays once per
// sign-in and the service per attempt.
void BM_WsAutoLogin(benchmark::State &state)
{
    const std::string digest = Md5Hex("pw");
    Measure(state, "WsAutoLogin", [&](ServiceClient &client, const std::string &, const std::string &device) {
        return client.AutoLogin(AccountName(state.thread_index()), digest, device);
    });
}

BENCHMARK(BM_WsAutoLogin)->Threads(1)->Iterations(100)->UseRealTime();
BENCHMARK(BM_WsAutoLogin)->Threads(8)->Iterations(25)->UseRealTime();
BENCHMARK(BM_WsUserComp)->Threads(1)->Iterations(2000)->UseRealTime();
BENCHMARK(BM_WsUserComp)->Threads(8)->Iterations(500)->UseRealTime();
BENCHMARK(BM_WsUserComp)->Threads(50)->Iterations(100)->UseRealTime();
BENCHMARK(BM_WsServerPoll)->Threads(1)->Iterations(2000)->UseRealTime();
BENCHMARK(BM_WsServerPoll)->Threads(8)->Iterations(500)->UseRealTime();
BENCHMARK(BM_WsServerPoll)->Threads(50)->Iterations(100)->UseRealTime();
BENCHMARK(BM_WsCompSaveOrEdit_Save)->Threads(1)->Iterations(2000)->UseRealTime();
BENCHMARK(BM_WsCompSaveOrEdit_Save)->Threads(8)->Iterations(500)->UseRealTime();
BENCHMARK(BM_WsCompSaveOrEdit_Save)->Threads(50)->Iterations(100)->UseRealTime();
BENCHMARK(BM_WsCompSaveOrEdit_Edit)->Threads(1)->Iterations(2000)->UseRealTime();
BENCHMARK(BM_WsCompSaveOrEdit_Edit)->Threads(8)->Iterations(500)->UseRealTime();
BENCHMARK(BM_WsCompSaveOrEdit_Edit)->Threads(50)->Iterations(100)->UseRealTime();

void PrepareAccounts()
{
    for (int i = 0; i < kAccounts; ++i) {
        g_service->Control("add-user?name=" + AccountName(i) + "&password=pw");
        ServiceClient client(g_service->BaseAddress(), g_service->SignedInEndpoint());
        std::string id = SignIn(client, i);
        // A library of a realistic size for the list call.
        for (int e = 0; e < kEssaysPerAccount; ++e)
            client.CompSaveOrEdit(id, "BENCH-" + std::to_string(i), "0", "作文 " + std::to_string(e), kEssay);
    }
}

void PrintPercentiles()
{
    std::printf("\n%-40s %8s %10s %10s %10s %10s\n", "latency (ms)", "calls", "p50", "p90", "p99", "max");
    for (auto &[name, values] : g_latencies) {
        if (values.empty())
            continue;
        std::sort(values.begin(), values.end());
        auto at = [&](double q) { return values[std::min(values.size() - 1, static_cast<std::size_t>(q * values.size()))] / 1000.0; };
        std::printf("%-40s %8zu %10.2f %10.2f %10.2f %10.2f\n", name.c_str(), values.size(), at(0.50), at(0.90),
                    at(0.99), values.back() / 1000.0);
    }
}

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    // Service workers: --threads N in the environment variable BENCH_SERVICE_THREADS (default 8);
    // processes on one database: BENCH_SERVICE_PROCESSES (default 1; more need PostgreSQL or
    // share one SQLite file's single writer).
    // Database connections each process's workers share: BENCH_DB_CONNECTIONS (default one per
    // worker). The per-request log is off unless BENCH_REQUEST_LOG=1.
    const char *workers = std::getenv("BENCH_SERVICE_THREADS");
    // A client saves thousands of essays in a run: far beyond what one pupil may save a minute or
    // keep. The highest limits still count every save, as the service does for a school.
    // All the clients come from 127.0.0.1, unlike pupils: one address's share of connections is
    // not what is measured either.
    std::vector<std::string> args = {"--threads", workers ? workers : "8"};
    args.insert(args.end(), {"--saves-per-minute", "60000", "--essay-quota", "100000"});
    args.insert(args.end(), {"--connections-per-address", "1000"});
    if (const char *connections = std::getenv("BENCH_DB_CONNECTIONS"))
        args.insert(args.end(), {"--db-connections", connections});
    const char *log = std::getenv("BENCH_REQUEST_LOG");
    if (!log || std::string(log) != "1")
        args.push_back("--no-request-log");
    g_service = ServiceProcess::Start(args);
    const char *processes = std::getenv("BENCH_SERVICE_PROCESSES");
    args.insert(args.end(), {"--db", g_service->DatabasePath()});
    for (int i = 1; i < (processes ? std::atoi(processes) : 1); ++i)
        g_others.push_back(ServiceProcess::Start(args));
    PrepareAccounts();
    benchmark::RunSpecifiedBenchmarks();
    PrintPercentiles();
    g_others.clear();
    g_service.reset();
    benchmark::Shutdown();
    return 0;
}
