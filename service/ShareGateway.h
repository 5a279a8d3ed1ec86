// The sharing gateway's address beside the service's own: where a shared excerpt is sent and
// the page address built for one share.
#pragma once

#include <string>

// The gateway's host ("name:port") and the platform web site's address that a share names.
struct ShareGateway
{
    std::string host;
    std::string site;
};

// The configured gateway: what SetShareGateway gave, with each empty value taken from the
// built-in service (its host, and its base address as the site).
ShareGateway CurrentShareGateway();
// Set once at start-up from config.ini's [Service] Share and Site (empty: the built-in ones).
void SetShareGateway(const std::string &host, const std::string &site);

// "http://" + host + "/send/?webid=" + webid + "&url=" + site + "&title=" + the platform's name
// + "&summary=" + summary, keys in this order. Each value is percent-encoded as UTF-8, as a
// browser sends a query; the summary is GBK program text.
std::string BuildShareAddress(const ShareGateway &gateway, const std::string &webid, const std::string &gbkSummary);
