// The main window's start-up work without a window: synchronisation, profile, keywords, in order.
//
// The work joins the service client (synchronisation, profile), the local database and the
// writing subsystem (keywords and their recognizer), so it lives with the program that links them
// all; it includes no widget header. The window hands it the steps that build and show the window
// and acts on the outcome (notices, ending itself, the sign-in window).
#pragma once

#include "StartupSync.h"

#include <functional>
#include <string>

// What the start-up asks of the window it starts, called in this order. Every step that talks to
// the service may meet the end of the signed-in session (a refused renewal, or the account signed
// in elsewhere), which ends the window through the service client's hooks: `ended` tells the
// start-up so, and nothing further is asked of the window. An unset step does nothing.
struct MainStartupSteps
{
    // The synchronisation's notice (an outdated version), when it has one; shown and confirmed
    // before the start-up goes on.
    std::function<void(const SyncOutcome &sync)> showSyncNotice;
    // The window becomes the main window and builds its controls and panels (the panels make
    // their first service calls).
    std::function<void()> build;
    // The controls placed, the notifier made.
    std::function<void()> layOut;
    // The profile has arrived: the student's name (GBK) to greet.
    std::function<void(const std::string &trueName)> greet;
    // The first panel selected, the poll started, the sign-in window hidden; before the keywords
    // load.
    std::function<void()> open;
    // True once the window has ended (the signed-in session ended meanwhile).
    std::function<bool()> ended;
};

enum class MainStartupOutcome
{
    Started,         // open, profile and keywords loaded
    NotSynchronised, // the synchronisation failed or the version is outdated: nothing was built
    SessionEnded,    // the signed-in session ended meanwhile and the window with it: stop there
    ProfileFailed,   // the profile could not be fetched (a transport failure): the program ends
};

// Runs the start-up against the local database file (write.dll), asking the window for its steps.
MainStartupOutcome RunMainStartup(const std::string &localDatabase, const MainStartupSteps &steps);
