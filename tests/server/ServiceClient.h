// A test client of the reference service: the generated proxy with its ns1 namespace set to the
// service's base address (as the desktop client does), one call per operation returning the
// result string.
#pragma once

#include "soapOstrelServiceSoapProxy.h"

#include <string>

class ServiceClient
{
public:
    // Calls go to endpoint with SOAP action = baseAddress; ns1 = baseAddress.
    ServiceClient(const std::string &baseAddress, const std::string &endpoint);
    ~ServiceClient();
    ServiceClient(const ServiceClient &) = delete;
    ServiceClient &operator=(const ServiceClient &) = delete;

    // gSOAP status of the last call (0 = a reply was received and decoded).
    int LastError() const { return m_lastError; }

    std::string Login(const std::string &u, const std::string &p, const std::string &code, const std::string &verify);
    std::string AutoLogin(const std::string &u, const std::string &p, const std::string &code);
    std::string ReLogin(const std::string &u, const std::string &p, const std::string &code);
    std::string CreateVerifyImage(const std::string &code); // the GIF bytes
    std::string UserInfo(const std::string &id, const std::string &code);
    std::string ServerPoll(const std::string &id, const std::string &code);
    std::string OverallInfo();
    std::string MainInfo();
    std::string Keyword(const std::string &id, const std::string &code, const std::string &keyId);
    std::string CorpusBriefByKwId(const std::string &id, const std::string &code, const std::string &kwId);
    std::string CorpusInfoById(const std::string &id, const std::string &code, const std::string &corpusId);
    std::string UpdateCorHits(const std::string &id, const std::string &code, const std::string &corId);
    std::string UpdateKeyHits(const std::string &id, const std::string &code, const std::string &keyId);
    std::string CompSaveOrEdit(const std::string &id, const std::string &code, const std::string &compId,
                               const std::string &title, const std::string &content,
                               const std::string &fromType = "1", const std::string &fromId = "0");
    std::string UserComp(const std::string &id, const std::string &code, const std::string &pageSize,
                         const std::string &pageIndex, const std::string &sortWay, const std::string &title);
    std::string CompInfo(const std::string &id, const std::string &code, const std::string &compId);
    std::string DeleteComp(const std::string &id, const std::string &code, const std::string &delId);
    std::string CompMatch(const std::string &id, const std::string &code, const std::string &title,
                          const std::string &content, const std::string &activityId, const std::string &matchId,
                          const std::string &type);
    std::string RecentScore(const std::string &id, const std::string &code, const std::string &score);
    std::string Activity(const std::string &id, const std::string &code);
    std::string ActivityInfo(const std::string &id, const std::string &code, const std::string &activityId);
    std::string UserIdea(const std::string &id, const std::string &code, const std::string &content);

private:
    char *Text(const std::string &text);
    template <typename Request, typename Response>
    std::string Invoke(int (OstrelServiceSoapProxy::*call)(const char *, const char *, Request *, Response *),
                       Request &request, char *Response::*result);

    OstrelServiceSoapProxy m_proxy;
    std::string m_baseAddress;
    std::string m_endpoint;
    struct Namespace m_namespaces[6];
    int m_lastError = 0;
};
