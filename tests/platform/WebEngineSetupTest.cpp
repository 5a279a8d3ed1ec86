// The web view's start flags: chosen for root and for machines without a render device, never
// over flags the user set.
#include "WebEngineSetup.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

std::string Flags()
{
    const char *value = std::getenv("QTWEBENGINE_CHROMIUM_FLAGS");
    return value ? value : "<unset>";
}

bool Yes()
{
    return true;
}

bool No()
{
    return false;
}

TEST(WebEngineSetup, ChoosesFlagsFromTheTwoProbes)
{
    const struct
    {
        WebEngineProbes probes;
        const char *flags;
    } cases[] = {
        {{No, Yes}, "<unset>"},
        {{No, No}, "--disable-gpu"},
        {{Yes, Yes}, "--no-sandbox"},
        {{Yes, No}, "--no-sandbox --disable-gpu"},
    };
    for (const auto &c : cases) {
        ::unsetenv("QTWEBENGINE_CHROMIUM_FLAGS");
        PrepareWebEngineEnvironment(c.probes);
        EXPECT_EQ(Flags(), c.flags) << "root " << c.probes.runsAsRoot() << ", render device " << c.probes.hasRenderDevice();
    }
    ::unsetenv("QTWEBENGINE_CHROMIUM_FLAGS");
}

TEST(WebEngineSetup, KeepsTheUsersFlags)
{
    for (const char *users : {"--user-choice", ""}) {
        ::setenv("QTWEBENGINE_CHROMIUM_FLAGS", users, 1);
        PrepareWebEngineEnvironment({Yes, No});
        EXPECT_EQ(Flags(), users);
    }
    ::unsetenv("QTWEBENGINE_CHROMIUM_FLAGS");
}

} // namespace
