// The service process: clean stop on SIGINT and SIGTERM, data kept across a restart, options.
#include "ServiceTestFixture.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>

TEST(ServiceLifecycle, StopsCleanlyOnSigintAndSigterm)
{
    for (int signal : {SIGINT, SIGTERM}) {
        auto service = ServiceProcess::Start();
        int status = 0;
        EXPECT_EQ(service->Get("/help.aspx", &status).empty(), false);
        kill(service->Pid(), signal);
        EXPECT_EQ(service->Stop(), 0) << "signal " << signal;
    }
}

TEST(ServiceLifecycle, DataSurvivesARestartAndIsSeededOnce)
{
    auto first = ServiceProcess::Start();
    first->Stop();
    // A new file beside the first's; a server database is the first one's, already seeded.
    std::string database = TestDatabase::OnPostgres() ? first->DatabasePath() : first->DatabasePath() + ".kept";
    std::string essayId, earlier, latest;
    auto signIn = [](ServiceClient &client, const char *device) {
        Json::Value doc;
        Json::Reader().parse(client.AutoLogin("xuesheng", Md5Hex("123456"), device), doc);
        return doc["data"][0]["ID"].asString();
    };
    {
        auto service = ServiceProcess::Start({"--db", database});
        ServiceClient client(service->BaseAddress(), service->Endpoint());
        earlier = signIn(client, "DEVICE-B");
        latest = signIn(client, "DEVICE-A");
        essayId = client.CompSaveOrEdit(latest, "DEVICE-A", "0", "留下来", "重启以后还在。");
        EXPECT_EQ(service->Stop(), 0);
    }
    {
        auto service = ServiceProcess::Start({"--db", database});
        ServiceClient client(service->BaseAddress(), service->Endpoint());
        // Sessions are kept in the database: after a restart the latest session goes on as it
        // was, an earlier one is told it was displaced, and a number with another device code
        // answers as one never issued.
        EXPECT_EQ(client.CompInfo(earlier, "DEVICE-B", essayId), "3");
        EXPECT_EQ(client.UserInfo(latest, "DEVICE-B"), "4");
        Json::Reader reader;
        Json::Value essay, keywords;
        reader.parse(client.CompInfo(latest, "DEVICE-A", essayId), essay);
        EXPECT_EQ(essay["data"][0]["Content"].asString(), "重启以后还在。");
        reader.parse(client.Keyword(latest, "DEVICE-A", "0"), keywords);
        EXPECT_EQ(keywords["data"].size(), 3000u);
    }
    if (!TestDatabase::OnPostgres())
        std::filesystem::remove(database);
    std::filesystem::remove(database + "-wal");
    std::filesystem::remove(database + "-shm");
}

TEST(ServiceLifecycle, BenchKeywordsAreAddedOnceAboveTheSeed)
{
    auto first = ServiceProcess::Start({"--bench-keywords", "5"});
    std::string database = first->DatabasePath();
    first->Stop();
    // A restart with the option on the same database adds nothing twice.
    auto service = ServiceProcess::Start({"--db", database, "--bench-keywords", "5"});
    ServiceClient client(service->BaseAddress(), service->Endpoint());
    Json::Reader reader;
    Json::Value signIn, overall, keywords;
    reader.parse(client.AutoLogin("xuesheng", Md5Hex("123456"), "DEVICE-A"), signIn);
    reader.parse(client.OverallInfo(), overall);
    EXPECT_EQ(overall["data"][0]["KeyWordMaxID"].asString(), "10000005");
    reader.parse(client.Keyword(signIn["data"][0]["ID"].asString(), "DEVICE-A", "3000"), keywords);
    std::vector<std::string> rows;
    for (const Json::Value &row : keywords["data"])
        rows.push_back(row["I"].asString() + " " + row["K"].asString());
    EXPECT_EQ(rows, (std::vector<std::string>{"10000001 一万", "10000002 丁万与", "10000003 丂万与丕", "10000004 七万",
                                              "10000005 丄万与"}));
}

TEST(ServiceLifecycle, BadOptionsAndABusyPortFailWithAMessage)
{
    auto service = ServiceProcess::Start();
    const std::string busyPort = std::to_string(service->Port());
    // A bad option value is a usage error (2); a service that cannot start is a failure (1). Each
    // says why on standard error and exits at once, without ever serving.
    struct Case
    {
        std::vector<std::string> args;
        int status;
        std::string firstLine; // its beginning
        std::string mentions;  // what the message must name (on any of its lines)
    };
    const Case cases[] = {
        {{"--port", busyPort}, 1, "platform-service: cannot listen on 127.0.0.1:" + busyPort + ": ", "Address already in use"},
        {{"--port", "70000"}, 2, "platform-service: bad value for --port: 70000", "70000"},
        {{"--threads"}, 2, "platform-service: unknown or incomplete option --threads", "--threads"},
        {{"--data", "/nonexistent-seed"}, 1, "platform-service: ", "/nonexistent-seed"},
    };
    for (const Case &c : cases) {
        const ServiceProcess::Exit exit = ServiceProcess::RunToExit(c.args);
        const std::string firstLine = exit.errorOutput.substr(0, exit.errorOutput.find('\n'));
        EXPECT_EQ(exit.status, c.status) << c.args.front() << ": " << exit.errorOutput;
        EXPECT_EQ(firstLine.rfind(c.firstLine, 0), 0u) << c.args.front() << ": " << exit.errorOutput;
        EXPECT_NE(exit.errorOutput.find(c.mentions), std::string::npos) << c.args.front() << ": " << exit.errorOutput;
    }
}

TEST(ServiceLifecycle, KillDuringWritesLosesNothingAcknowledged)
{
    constexpr int kWriters = 10;
    auto directory = std::filesystem::temp_directory_path() / ("kill-test-" + std::to_string(getpid()));
    std::filesystem::create_directories(directory);
    const std::string database = (directory / "platform.db").string();
    auto service = ServiceProcess::Start({"--db", database});
    for (int w = 0; w < kWriters; ++w)
        ASSERT_NE(service->Control("add-user?name=writer" + std::to_string(w) + "&password=pw"), "name taken");

    // Each writer saves essays until the service dies; what it acknowledged is recorded.
    std::mutex mutex;
    struct Saved
    {
        std::string name, content;
    };
    std::map<std::string, Saved> acknowledged; // by essay id
    std::atomic<int> count{0};
    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w)
        writers.emplace_back([&, w] {
            ServiceClient client(service->BaseAddress(), service->Endpoint());
            std::string name = "writer" + std::to_string(w);
            Json::Value doc;
            Json::Reader().parse(client.AutoLogin(name, Md5Hex("pw"), "KILL-" + name), doc);
            std::string id = doc["data"][0]["ID"].asString();
            for (int i = 0; !id.empty(); ++i) {
                std::string content = name + " 第" + std::to_string(i) + "篇\r\n正文";
                std::string essay = client.CompSaveOrEdit(id, "KILL-" + name, "0", "标题", content);
                if (client.LastError() != SOAP_OK || essay.size() < 5)
                    return; // the service is gone
                std::lock_guard lock(mutex);
                acknowledged[essay] = {name, content};
                ++count;
            }
        });
    while (count.load() < 300)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    kill(service->Pid(), SIGKILL);
    for (std::thread &t : writers)
        t.join();
    service->Stop();

    auto restarted = ServiceProcess::Start({"--db", database});
    struct Checker
    {
        std::unique_ptr<ServiceClient> client;
        std::string id;
    };
    std::map<std::string, Checker> checkers;
    std::size_t found = 0;
    for (const auto &[essay, saved] : acknowledged) {
        Checker &checker = checkers[saved.name];
        if (!checker.client) {
            checker.client = std::make_unique<ServiceClient>(restarted->BaseAddress(), restarted->Endpoint());
            Json::Value doc;
            Json::Reader().parse(checker.client->AutoLogin(saved.name, Md5Hex("pw"), "CHECK"), doc);
            checker.id = doc["data"][0]["ID"].asString();
        }
        Json::Value info;
        Json::Reader().parse(checker.client->CompInfo(checker.id, "CHECK", essay), info);
        found += info["data"][0]["Content"].asString() == saved.content;
    }
    EXPECT_EQ(found, acknowledged.size());
    EXPECT_GE(acknowledged.size(), 300u);
    restarted.reset();
    service.reset();
    std::filesystem::remove_all(directory);
}
