// The service process: clean stop on SIGINT and SIGTERM, data kept across a restart, options.
#include "ServiceTestFixture.h"

#include <signal.h>

#include <filesystem>

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
    std::string database = first->DatabasePath() + ".kept";
    first->Stop();
    std::string essayId;
    {
        auto service = ServiceProcess::Start({"--db", database});
        ServiceClient client(service->BaseAddress(), service->Endpoint());
        client.AutoLogin("xuesheng", PasswordDigest("123456"), "DEVICE-A");
        essayId = client.CompSaveOrEdit("1", "DEVICE-A", "0", "留下来", "重启以后还在。");
        EXPECT_EQ(service->Stop(), 0);
    }
    {
        auto service = ServiceProcess::Start({"--db", database});
        ServiceClient client(service->BaseAddress(), service->Endpoint());
        // Sessions live in memory; after a restart the device of the last sign-in is told its
        // sign-in lapsed (renewed silently), another device that it was displaced, and a user
        // who never signed in that the request is malformed.
        EXPECT_EQ(client.CompInfo("1", "DEVICE-A", essayId), "2");
        EXPECT_EQ(client.CompInfo("1", "DEVICE-B", essayId), "3");
        EXPECT_EQ(client.UserInfo("2", "DEVICE-A"), "4");
        EXPECT_EQ(client.ReLogin("xuesheng", PasswordDigest("123456"), "DEVICE-A"), "1");
        Json::Reader reader;
        Json::Value essay, keywords;
        reader.parse(client.CompInfo("1", "DEVICE-A", essayId), essay);
        EXPECT_EQ(essay["data"][0]["Content"].asString(), "重启以后还在。");
        reader.parse(client.Keyword("1", "DEVICE-A", "0"), keywords);
        EXPECT_EQ(keywords["data"].size(), 3000u);
    }
    std::filesystem::remove(database);
    std::filesystem::remove(database + "-wal");
    std::filesystem::remove(database + "-shm");
}

TEST(ServiceLifecycle, BadOptionsAndABusyPortFailWithAMessage)
{
    auto service = ServiceProcess::Start();
    // A second service on the same port cannot start.
    EXPECT_THROW(ServiceProcess::Start({"--port", std::to_string(service->Port())}), std::runtime_error);
    EXPECT_THROW(ServiceProcess::Start({"--port", "70000"}), std::runtime_error);
    EXPECT_THROW(ServiceProcess::Start({"--data", "/nonexistent-seed"}), std::runtime_error);
}
