// What the embedded web view needs from the process before the application object exists.
#pragma once

// The browser engine refuses to start its sandbox as root, and has no GPU on a headless or
// virtual display: unless the user chose flags of their own, start it without either.
void PrepareWebEngineEnvironment();
