// The platform web site's address.
#include "SiteAddress.h"

#include "AppSettings.h"
#include "GbkText.h"
#include "ServiceContext.h"

std::string SiteHomePage()
{
    std::string site = AppSettings().ServiceSite();
    if (site.empty() || !IsServiceBaseAddress(site.back() == '/' ? site : site + "/"))
        site = ServiceContext.DefaultBaseAddress;
    if (site.empty() || site.back() != '/')
        site += '/';
    return site;
}

std::string SitePage(const std::string &path)
{
    const std::string home = SiteHomePage();
    return home + (path.empty() || path.front() != '/' ? path : path.substr(1));
}

std::string PublisherContactPhone()
{
    return Utf8ToGbk("400-800-6688");
}

std::string PublisherContactMail()
{
    return Utf8ToGbk("service@penlark.cn");
}
