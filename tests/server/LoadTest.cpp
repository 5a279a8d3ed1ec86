// Load: 50 concurrent clients, each signed in on its own account, make 200 mixed calls; no call
// fails, and every essay saved is in its owner's library afterwards.
#include "ServiceTestFixture.h"

#include <atomic>
#include <mutex>
#include <random>
#include <set>
#include <thread>

namespace {

constexpr int kClients = 50;
constexpr int kCallsPerClient = 200;

struct Outcome
{
    std::set<std::string> saved;
    std::vector<std::string> failures;
};

bool IsNumber(const std::string &text)
{
    return !text.empty() && text[0] != '0' && text.find_first_not_of("0123456789") == std::string::npos;
}

} // namespace

TEST_F(ServiceTest, FiftyClientsMakeTwoHundredMixedCallsEach)
{
    std::vector<std::string> ids(kClients);
    for (int c = 0; c < kClients; ++c) {
        std::string name = "load" + std::to_string(c);
        ASSERT_EQ(IsNumber(m_service->Control("add-user?name=" + name + "&password=pw" + std::to_string(c))), true);
    }

    std::vector<Outcome> outcomes(kClients);
    std::vector<std::thread> threads;
    for (int c = 0; c < kClients; ++c)
        threads.emplace_back([&, c] {
            Outcome &out = outcomes[c];
            auto client = NewClient();
            std::string device = "LOAD-DEVICE-" + std::to_string(c);
            std::string name = "load" + std::to_string(c);
            auto fail = [&](const std::string &what, const std::string &result) {
                if (out.failures.size() < 5)
                    out.failures.push_back(name + " " + what + " -> [" + result + "] error " +
                                           std::to_string(client->LastError()));
            };
            std::string signIn = client->AutoLogin(name, Md5Hex("pw" + std::to_string(c)), device);
            std::string id = Parse(signIn)["data"][0]["ID"].asString();
            if (id.empty())
                return fail("sign-in", signIn);
            std::mt19937 random(c);
            std::string last;
            for (int i = 0; i < kCallsPerClient; ++i) {
                std::string result;
                bool ok = false;
                switch (i % 8) {
                case 0:
                    result = client->CompSaveOrEdit(id, device, "0", "负载测试 " + std::to_string(i), "正文\r\n第" + std::to_string(i) + "段");
                    ok = IsNumber(result);
                    if (ok)
                        out.saved.insert(last = result);
                    break;
                case 1:
                    result = client->CompSaveOrEdit(id, device, last, "改过的标题", "改过的正文");
                    ok = result == last;
                    break;
                case 2:
                    result = client->UserComp(id, device, "4000", "1", "0", "");
                    ok = Parse(result)["data"].size() == out.saved.size();
                    break;
                case 3:
                    result = client->CompInfo(id, device, last);
                    ok = Parse(result)["data"][0]["ID"].asString() == last;
                    break;
                case 4:
                    result = client->ServerPoll(id, device);
                    ok = Parse(result)["data"][0]["message"].isArray();
                    break;
                case 5:
                    result = client->CorpusBriefByKwId(id, device, std::to_string(1 + random() % 3000));
                    ok = Parse(result)["data"].size() >= 1;
                    break;
                case 6:
                    result = client->CorpusInfoById(id, device, std::to_string(1 + random() % 10000));
                    ok = !Parse(result)["data"][0]["con"].asString().empty();
                    break;
                default:
                    result = client->Keyword(id, device, "2990");
                    ok = Parse(result)["data"].size() == 10;
                    break;
                }
                if (!ok || client->LastError() != SOAP_OK)
                    fail("call " + std::to_string(i), result.substr(0, 80));
            }
        });
    for (std::thread &t : threads)
        t.join();

    std::size_t totalSaved = 0;
    for (int c = 0; c < kClients; ++c) {
        for (const std::string &failure : outcomes[c].failures)
            ADD_FAILURE() << failure;
        EXPECT_EQ(outcomes[c].saved.size(), static_cast<std::size_t>(kCallsPerClient / 8)) << "client " << c;
        totalSaved += outcomes[c].saved.size();
        // Every saved essay is in its owner's library, and nothing else is.
        std::string name = "load" + std::to_string(c);
        auto client = NewClient();
        std::string id = Parse(client->AutoLogin(name, Md5Hex("pw" + std::to_string(c)), "CHECK"))["data"][0]["ID"].asString();
        std::set<std::string> listed;
        Json::Value library = Parse(client->UserComp(id, "CHECK", "4000", "1", "0", ""));
        for (const auto &essay : library["data"])
            listed.insert(essay["ID"].asString());
        EXPECT_EQ(listed, outcomes[c].saved) << name;
    }
    EXPECT_EQ(totalSaved, static_cast<std::size_t>(kClients * kCallsPerClient / 8));
}
