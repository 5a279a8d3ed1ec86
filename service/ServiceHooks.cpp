// Storage of the process-wide service hooks.
#include "ServiceHooks.h"

ServiceHooks &GetServiceHooks()
{
    static ServiceHooks hooks;
    return hooks;
}
