// What the service client needs from the windows above it, registered at start-up by the
// application, so that the core code shows messages and closes windows without knowing widgets.
#pragma once

#include <functional>
#include <string>

struct ServiceHooks
{
    // True while a one-button notice box is on screen anywhere in the program.
    std::function<bool()> isMessageBoxOpen;
    // Shows a notice (GBK text, shown exactly as given) with the button "确 定" and waits until
    // it is dismissed.
    std::function<void(const std::string &gbkMessage)> showMessage;
    // A lapsed sign-in could not be renewed: close the main window synchronously and show the
    // sign-in window again.
    std::function<void()> onReLoginRefused;
};

// The process-wide hooks. Unset hooks do nothing (and no box counts as open).
ServiceHooks &GetServiceHooks();
