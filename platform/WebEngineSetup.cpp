// Environment of the embedded web view on Linux.
#include "WebEngineSetup.h"

#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool HasRenderDevice()
{
    struct stat info {};
    return ::stat("/dev/dri", &info) == 0;
}

} // namespace

void PrepareWebEngineEnvironment()
{
    if (std::getenv("QTWEBENGINE_CHROMIUM_FLAGS"))
        return;
    std::string flags;
    if (::geteuid() == 0)
        flags += "--no-sandbox ";
    if (!HasRenderDevice())
        flags += "--disable-gpu";
    if (!flags.empty())
        ::setenv("QTWEBENGINE_CHROMIUM_FLAGS", flags.c_str(), 0);
}
