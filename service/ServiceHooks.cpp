// Storage of the process-wide service hooks.
#include "ServiceHooks.h"

ServiceHooks &GetServiceHooks()
{
    static ServiceHooks hooks;
    return hooks;
}

void RunBlockingServiceCall(const std::function<void()> &exchange)
{
    if (auto &run = GetServiceHooks().runBlockingCall)
        run(exchange);
    else
        exchange();
}
