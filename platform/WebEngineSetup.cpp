// Environment of the embedded web view on Linux.
#include "WebEngineSetup.h"

#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool RunsAsRoot()
{
    return ::geteuid() == 0;
}

bool HasRenderDevice()
{
    struct stat info {};
    return ::stat("/dev/dri", &info) == 0;
}

} // namespace

WebEngineProbes MachineProbes()
{
    return {RunsAsRoot, HasRenderDevice};
}

void PrepareWebEngineEnvironment(const WebEngineProbes &probes)
{
    if (std::getenv("QTWEBENGINE_CHROMIUM_FLAGS"))
        return;
    std::string flags;
    auto add = [&flags](const char *flag) { flags += flags.empty() ? flag : std::string(" ") + flag; };
    if (probes.runsAsRoot())
        add("--no-sandbox");
    if (!probes.hasRenderDevice())
        add("--disable-gpu");
    if (!flags.empty())
        ::setenv("QTWEBENGINE_CHROMIUM_FLAGS", flags.c_str(), 0);
}
