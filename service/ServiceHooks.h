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
    // The signed-in session has ended (a lapsed sign-in could not be renewed, or the account was
    // signed in elsewhere): close the main window synchronously and show the sign-in window
    // again. Open essays stay in the journal for the next sign-in.
    std::function<void()> onReLoginRefused;
    // Runs one blocking exchange with the service and returns when it has ended. The windows set
    // it so that they keep painting meanwhile; unset, the exchange runs on the caller's thread.
    std::function<void(const std::function<void()> &exchange)> runBlockingCall;
};

// The process-wide hooks. Unset hooks do nothing (and no box counts as open).
ServiceHooks &GetServiceHooks();

// Runs one exchange with the service through the runBlockingCall hook (or directly).
void RunBlockingServiceCall(const std::function<void()> &exchange);
