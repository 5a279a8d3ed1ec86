// One reference service for a whole test process, with the client's addresses pointed at it: the
// proxies fix their namespaces when they are created, so every test of the process talks to the
// same service. For test programs that link the client's service library.
#pragma once

#include "ServiceContext.h"
#include "ServiceProcess.h"

#include <memory>

inline ServiceProcess &ProcessService()
{
    static std::unique_ptr<ServiceProcess> service = [] {
        auto started = ServiceProcess::Start();
        // "http://host:port/" -> "host:port"
        InitServiceAddresses(started->BaseAddress().substr(7, started->BaseAddress().size() - 8));
        return started;
    }();
    return *service;
}
