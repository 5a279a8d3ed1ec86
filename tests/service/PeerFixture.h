// A fixture for tests of the service client against one scripted peer on 127.0.0.1: the
// service addresses point to it, and the service hooks record what would be shown.
#pragma once

#include "Md5.h"
#include "ScriptedPeer.h"
#include "ServiceCall.h"
#include "ServiceHooks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// One peer for the whole program: each proxy fixes its service namespace when it is created.
inline ScriptedPeer &Peer()
{
    static ScriptedPeer peer;
    return peer;
}

class PeerTest : public testing::Test
{
protected:
    void SetUp() override
    {
        static bool addressed = [] {
            InitServiceAddresses(Peer().HostName());
            SetSignedInAddress(Peer().BaseAddress());
            return true;
        }();
        (void)addressed;
        SetSignedInAddress(Peer().BaseAddress());
        m_firstRequest = Peer().Requests().size();
        ServiceContext.UserId = "15";
        ServiceContext.DeviceCode = "4748494a4b4c4d4e4f5051525354";
        ServiceContext.UserName = "student";
        ServiceContext.PasswordDigest = Md5Hex("secret");
        CurrentServiceLimits() = ServiceLimits{};
        ServiceHooks &hooks = GetServiceHooks();
        hooks.isMessageBoxOpen = [this] { return m_boxOpen; };
        hooks.showMessage = [this](const std::string &message) { m_shown.push_back(message); };
        hooks.onReLoginRefused = [this] { ++m_refusals; };
    }

    void TearDown() override
    {
        Peer().SetResponder({});
        GetServiceHooks() = ServiceHooks{};
    }

    std::vector<PeerRequest> NewRequests() const
    {
        std::vector<PeerRequest> all = Peer().Requests();
        return {all.begin() + static_cast<std::ptrdiff_t>(m_firstRequest), all.end()};
    }

    std::size_t m_firstRequest = 0;
    bool m_boxOpen = false;
    std::vector<std::string> m_shown;
    int m_refusals = 0;
};


// The body with every empty element written as an opening and a closing tag: <a/> and <a></a>
// are the same empty element.
inline std::string ExpandEmptyElements(std::string body)
{
    for (std::size_t close = body.find("/>"); close != std::string::npos; close = body.find("/>", close)) {
        std::size_t open = body.rfind('<', close);
        std::string name = body.substr(open + 1, close - open - 1);
        name = name.substr(0, name.find(' '));
        body.replace(close, 2, "></" + name + ">");
    }
    return body;
}

// The element of a request body from its opening tag to its closing tag.
inline std::string Element(const std::string &rawBody, const std::string &name)
{
    const std::string body = ExpandEmptyElements(rawBody);
    std::size_t open = body.find("<" + name + ">");
    if (open == std::string::npos)
        open = body.find("<" + name + " ");
    if (open == std::string::npos)
        return {};
    std::string close = "</" + name + ">";
    std::size_t end = body.find(close, open);
    return end == std::string::npos ? std::string() : body.substr(open, end + close.size() - open);
}

