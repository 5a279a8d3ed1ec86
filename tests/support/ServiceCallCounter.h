// Counts the program's exchanges with the service (each blocking call is one) while it lives, for
// tests that must show a request was made, or was not.
#pragma once

#include "ServiceHooks.h"

#include <functional>
#include <utility>

class ServiceCallCounter
{
public:
    ServiceCallCounter()
    {
        ServiceHooks &hooks = GetServiceHooks();
        m_previous = hooks.runBlockingCall;
        hooks.runBlockingCall = [this](const std::function<void()> &exchange) {
            ++m_count;
            if (m_previous)
                m_previous(exchange);
            else
                exchange();
        };
    }
    ~ServiceCallCounter() { GetServiceHooks().runBlockingCall = m_previous; }
    ServiceCallCounter(const ServiceCallCounter &) = delete;
    ServiceCallCounter &operator=(const ServiceCallCounter &) = delete;

    // The calls since the last Take (or since the counter was made).
    int Take() { return std::exchange(m_count, 0); }

private:
    std::function<void(const std::function<void()> &)> m_previous;
    int m_count = 0;
};
