// The web view's start flags: chosen for root and for machines without a render device, never
// over flags the user set.
#include "WebEngineSetup.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Flags()
{
    const char *value = std::getenv("QTWEBENGINE_CHROMIUM_FLAGS");
    return value ? value : "<unset>";
}

TEST(WebEngineSetup, ChoosesFlagsForThisMachine)
{
    ::unsetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    PrepareWebEngineEnvironment();
    struct stat info {};
    const bool renderDevice = ::stat("/dev/dri", &info) == 0;
    std::string expected = std::string(::geteuid() == 0 ? "--no-sandbox " : "") + (renderDevice ? "" : "--disable-gpu");
    EXPECT_EQ(Flags(), expected.empty() ? "<unset>" : expected);
}

TEST(WebEngineSetup, KeepsTheUsersFlags)
{
    ::setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--user-choice", 1);
    PrepareWebEngineEnvironment();
    EXPECT_EQ(Flags(), "--user-choice");
    ::unsetenv("QTWEBENGINE_CHROMIUM_FLAGS");
}

} // namespace
