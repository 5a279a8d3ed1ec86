// The server poll's tick.
#include "ServerPoll.h"

#include <algorithm>
#include <cctype>

bool CServerPoll::IsWebAddress(const std::string &url)
{
    std::string head = url.substr(0, 8);
    std::transform(head.begin(), head.end(), head.begin(), [](unsigned char c) { return std::tolower(c); });
    const bool scheme = head.rfind("http://", 0) == 0 || head.rfind("https://", 0) == 0;
    const std::size_t rest = head.rfind("https://", 0) == 0 ? 8 : 7;
    if (!scheme || url.size() <= rest)
        return false;
    return std::none_of(url.begin(), url.end(), [](unsigned char c) { return c <= ' ' || c == 0x7F; });
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
