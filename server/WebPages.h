// The HTTP GET side of the service: the platform web site's pages the client opens, the sharing
// gateway "/send/", and the test controls under "/test/" (only with --test-controls, and only to local tools).
#pragma once

#include <map>
#include <string>

class PlatformService;

struct WebResponse
{
    int status = 200;
    std::string contentType = "text/html; charset=utf-8";
    std::string body;
};

// Splits "a=1&b=%E4%B8%AD" into decoded keys and values ('+' is a blank). Values that are not
// UTF-8 are taken as GBK (the client appends GBK text unencoded) and converted.
std::map<std::string, std::string> ParseQuery(const std::string &query);

// Answers one GET request; target is the request path with its query. controlsAllowed: whether
// the /test/ controls may answer this request (otherwise they are an unknown page).
WebResponse HandleWebRequest(PlatformService &service, const std::string &target, bool controlsAllowed);

// Answers a form posted to one of the site's pages; body is the urlencoded form.
WebResponse HandleWebForm(PlatformService &service, const std::string &target, const std::string &body);

// gSOAP's fget hook; soap->user points to the worker's PlatformService.
int ServeHttpGet(struct soap *soap);
// Answers a POST whose body is a form rather than an envelope (the service calls it when the
// content type says so); soap->user points to the worker's PlatformService.
int ServeHttpForm(struct soap *soap);
