// The server poll of the main window: one tick asks the service for the user's newest message
// and hands it to the popup. Lapsed and displaced sign-ins are handled by the common status
// rules inside the call (renewal and resend within the same tick).
#pragma once

#include "OperationsAccount.h"

#include <functional>

class CServerPoll
{
public:
    static constexpr int kDefaultPeriodMs = 300000;

    using ShowMessage = std::function<void(const PollMessage &message)>;
    explicit CServerPoll(ShowMessage show) : m_show(std::move(show)) {}

    // One tick: silent on every failure; a message is shown only when the service gave one.
    void Tick();

    // An address from the service is kept as a link only when it is http or https.
    static bool IsWebAddress(const std::string &url);

private:
    ShowMessage m_show;
};
