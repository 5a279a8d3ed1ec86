// The platform web site's pages the windows open: the built-in service's site unless
// config.ini's [Service] Site names another.
#pragma once

#include <string>

// The site's home page, ending with "/".
std::string SiteHomePage();
// A page of the site ("/help.aspx"), joined to the home page with one separator.
std::string SitePage(const std::string &path);
// The publisher's contact line beside the version line (GBK).
std::string PublisherContactPhone();
std::string PublisherContactMail();
