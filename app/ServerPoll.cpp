// The server poll's tick.
#include "ServerPoll.h"

#include "QtText.h"
#include "TaskbarNotifier.h"

bool CServerPoll::IsWebAddress(const std::string &url)
{
    return ::IsWebAddress(GbkToQString(url));
}

void CServerPoll::Tick()
{
    PollMessage message;
    if (PollNewestMessage(message) != FetchStatus::Ok)
        return;
    // Any other link (a local file, a program) is dropped; the text still shows.
    if (!IsWebAddress(message.url))
        message.url.clear();
    if (m_show)
        m_show(message);
}
