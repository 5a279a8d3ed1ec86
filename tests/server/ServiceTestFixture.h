// Fixture of the service tests: a fresh platform-service process per test, a client proxy on
// it, and helpers to sign in and read the JSON results.
#pragma once

#include "ServiceClient.h"
#include "ServiceProcess.h"
#include "ServerTestKit.h"

#include <json/json.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

class ServiceTest : public ::testing::Test
{
protected:
    void SetUp() override { StartService({}); }

    void StartService(const std::vector<std::string> &args)
    {
        m_client.reset();
        m_service = ServiceProcess::Start(args);
        m_client = NewClient();
    }

    std::unique_ptr<ServiceClient> NewClient() const
    {
        return std::make_unique<ServiceClient>(m_service->BaseAddress(), m_service->Endpoint());
    }

    // Signs in with WsAutoLogin from the device code and returns the user's "ID".
    std::string SignIn(const std::string &name, const std::string &password, const std::string &device = "DEVICE-A")
    {
        std::string result = m_client->AutoLogin(name, Md5Hex(password), device);
        Json::Value doc = Parse(result);
        std::string id = doc["data"][0]["ID"].asString();
        EXPECT_FALSE(id.empty()) << "sign-in of " << name << " answered " << result;
        return id;
    }

    static Json::Value Parse(const std::string &text) { return ParseJsonDocument(text); }

    // The keys of data[0] (or of the given object), sorted, joined by ",".
    static std::string Keys(const Json::Value &object)
    {
        std::string keys;
        for (const std::string &name : object.getMemberNames())
            keys += (keys.empty() ? "" : ",") + name;
        return keys;
    }

    // Number of the user's stored essays and ideas, from the test control.
    Json::Value Counts(const std::string &name)
    {
        return Parse(m_service->Control("counts?name=" + name));
    }

    std::unique_ptr<ServiceProcess> m_service;
    std::unique_ptr<ServiceClient> m_client;
};

// The text with every digit replaced by '9', to compare shapes: "2026-12-10 12:00:00" gives
// "9999-99-99 99:99:99", an essay id "10001" gives "99999".
inline std::string DigitPattern(std::string text)
{
    for (char &c : text)
        if (c >= '0' && c <= '9')
            c = '9';
    return text;
}

// Where the first value that is not a string sits ("data/0/ID"), or "" when every value of the
// document (through arrays and objects) is a string.
inline std::string FirstNonString(const Json::Value &value, const std::string &path = "")
{
    if (value.isString())
        return "";
    if (value.isArray()) {
        for (Json::ArrayIndex i = 0; i < value.size(); ++i)
            if (auto inner = FirstNonString(value[i], path + "/" + std::to_string(i)); !inner.empty())
                return inner;
        return "";
    }
    if (value.isObject()) {
        for (const std::string &name : value.getMemberNames())
            if (auto inner = FirstNonString(value[name], path + "/" + name); !inner.empty())
                return inner;
        return "";
    }
    return path.empty() ? "/" : path;
}
