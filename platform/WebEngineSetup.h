// What the embedded web view needs from the process before the application object exists.
#pragma once

// The two facts about the machine the start flags depend on.
struct WebEngineProbes
{
    bool (*runsAsRoot)();
    bool (*hasRenderDevice)();
};

// This machine's probes: the effective user id, and whether /dev/dri exists.
WebEngineProbes MachineProbes();

// The browser engine refuses to start its sandbox as root, and has no GPU on a headless or
// virtual display: unless the user chose flags of their own (QTWEBENGINE_CHROMIUM_FLAGS set,
// even empty), start it without either.
void PrepareWebEngineEnvironment(const WebEngineProbes &probes = MachineProbes());
