// The test client of the reference service.
#include "ServiceClient.h"

#include <sys/socket.h>

ServiceClient::ServiceClient(const std::string &baseAddress, const std::string &endpoint)
    : m_proxy(SOAP_C_UTFSTRING), m_baseAddress(baseAddress), m_endpoint(endpoint),
      m_namespaces{
          {"SOAP-ENV", "http://www.w3.org/2003/05/soap-envelope", "http://schemas.xmlsoap.org/soap/envelope/", nullptr},
          {"SOAP-ENC", "http://www.w3.org/2003/05/soap-encoding", "http://schemas.xmlsoap.org/soap/encoding/", nullptr},
          {"xsi", "http://www.w3.org/2001/XMLSchema-instance", "http://www.w3.org/*/XMLSchema-instance", nullptr},
          {"xsd", "http://www.w3.org/2001/XMLSchema", "http://www.w3.org/*/XMLSchema", nullptr},
          {"ns1", m_baseAddress.c_str(), "*", nullptr},
          {nullptr, nullptr, nullptr, nullptr}}
{
    soap_set_namespaces(m_proxy.soap, m_namespaces);
    // A service started with a certificate: its tests are about the service, not about trust.
    if (m_baseAddress.rfind("https://", 0) == 0)
        soap_ssl_client_context(m_proxy.soap, SOAP_SSL_NO_AUTHENTICATION, nullptr, nullptr, nullptr, nullptr, nullptr);
    m_proxy.soap->recv_timeout = 60;
    m_proxy.soap->send_timeout = 60;
    m_proxy.soap->socket_flags = MSG_NOSIGNAL;
}

ServiceClient::~ServiceClient()
{
    soap_destroy(m_proxy.soap);
    soap_end(m_proxy.soap);
}

char *ServiceClient::Text(const std::string &text) { return soap_strdup(m_proxy.soap, text.c_str()); }

template <typename Request, typename Response>
std::string ServiceClient::Invoke(int (OstrelServiceSoapProxy::*call)(const char *, const char *, Request *, Response *),
                                  Request &request, char *Response::*result)
{
    Response response;
    m_lastError = (m_proxy.*call)(m_endpoint.c_str(), m_baseAddress.c_str(), &request, &response);
    std::string text = m_lastError == SOAP_OK && response.*result ? response.*result : "";
    soap_destroy(m_proxy.soap);
    soap_end(m_proxy.soap);
    return text;
}

std::string ServiceClient::Login(const std::string &u, const std::string &p, const std::string &code,
                                 const std::string &verify)
{
    _ns1__WsLogin r;
    r.u = Text(u), r.p = Text(p), r.code = Text(code), r.verifyCode = Text(verify);
    return Invoke(&OstrelServiceSoapProxy::WsLogin, r, &_ns1__WsLoginResponse::WsLoginResult);
}

std::string ServiceClient::AutoLogin(const std::string &u, const std::string &p, const std::string &code)
{
    _ns1__WsAutoLogin r;
    r.u = Text(u), r.p = Text(p), r.code = Text(code);
    return Invoke(&OstrelServiceSoapProxy::WsAutoLogin, r, &_ns1__WsAutoLoginResponse::WsAutoLoginResult);
}

std::string ServiceClient::ReLogin(const std::string &u, const std::string &p, const std::string &code)
{
    _ns1__WsReLogin r;
    r.u = Text(u), r.p = Text(p), r.code = Text(code);
    return Invoke(&OstrelServiceSoapProxy::WsReLogin, r, &_ns1__WsReLoginResponse::WsReLoginResult);
}

std::string ServiceClient::CreateVerifyImage(const std::string &code)
{
    _ns1__WsCreateVerifyImage r;
    r.code = Text(code);
    _ns1__WsCreateVerifyImageResponse response;
    m_lastError = m_proxy.WsCreateVerifyImage(m_endpoint.c_str(), m_baseAddress.c_str(), &r, &response);
    std::string bytes;
    if (m_lastError == SOAP_OK && response.WsCreateVerifyImageResult && response.WsCreateVerifyImageResult->__ptr)
        bytes.assign(reinterpret_cast<const char *>(response.WsCreateVerifyImageResult->__ptr),
                     response.WsCreateVerifyImageResult->__size);
    soap_destroy(m_proxy.soap);
    soap_end(m_proxy.soap);
    return bytes;
}

#define ID_CODE(Type) \
    Type r;           \
    r.id = Text(id), r.code = Text(code)

std::string ServiceClient::UserInfo(const std::string &id, const std::string &code)
{
    ID_CODE(_ns1__WsUserInfo);
    return Invoke(&OstrelServiceSoapProxy::WsUserInfo, r, &_ns1__WsUserInfoResponse::WsUserInfoResult);
}

std::string ServiceClient::ServerPoll(const std::string &id, const std::string &code)
{
    ID_CODE(_ns1__WsServerPoll);
    return Invoke(&OstrelServiceSoapProxy::WsServerPoll, r, &_ns1__WsServerPollResponse::WsServerPollResult);
}

std::string ServiceClient::OverallInfo()
{
    _ns1__WsOverallInfo r;
    return Invoke(&OstrelServiceSoapProxy::WsOverallInfo, r, &_ns1__WsOverallInfoResponse::WsOverallInfoResult);
}

std::string ServiceClient::MainInfo()
{
    _ns1__WsMainInfo r;
    return Invoke(&OstrelServiceSoapProxy::WsMainInfo, r, &_ns1__WsMainInfoResponse::WsMainInfoResult);
}

std::string ServiceClient::Keyword(const std::string &id, const std::string &code, const std::string &keyId)
{
    ID_CODE(_ns1__WsKeyword);
    r.keyId = Text(keyId);
    return Invoke(&OstrelServiceSoapProxy::WsKeyword, r, &_ns1__WsKeywordResponse::WsKeywordResult);
}

std::string ServiceClient::CorpusBriefByKwId(const std::string &id, const std::string &code, const std::string &kwId)
{
    ID_CODE(_ns1__WsCorpusBriefByKwId);
    r.kwId = Text(kwId);
    return Invoke(&OstrelServiceSoapProxy::WsCorpusBriefByKwId, r,
                  &_ns1__WsCorpusBriefByKwIdResponse::WsCorpusBriefByKwIdResult);
}

std::string ServiceClient::CorpusInfoById(const std::string &id, const std::string &code, const std::string &corpusId)
{
    ID_CODE(_ns1__WsCorpusInfoById);
    r.corpusId = Text(corpusId);
    return Invoke(&OstrelServiceSoapProxy::WsCorpusInfoById, r, &_ns1__WsCorpusInfoByIdResponse::WsCorpusInfoByIdResult);
}

std::string ServiceClient::UpdateCorHits(const std::string &id, const std::string &code, const std::string &corId)
{
    ID_CODE(_ns1__WsUpdateCorHits);
    r.corId = Text(corId);
    return Invoke(&OstrelServiceSoapProxy::WsUpdateCorHits, r, &_ns1__WsUpdateCorHitsResponse::WsUpdateCorHitsResult);
}

std::string ServiceClient::UpdateKeyHits(const std::string &id, const std::string &code, const std::string &keyId)
{
    ID_CODE(_ns1__WsUpdateKeyHits);
    r.keyId = Text(keyId);
    return Invoke(&OstrelServiceSoapProxy::WsUpdateKeyHits, r, &_ns1__WsUpdateKeyHitsResponse::WsUpdateKeyHitsResult);
}

std::string ServiceClient::CompSaveOrEdit(const std::string &id, const std::string &code, const std::string &compId,
                                          const std::string &title, const std::string &content,
                                          const std::string &fromType, const std::string &fromId)
{
    ID_CODE(_ns1__WsCompSaveOrEdit);
    r.compId = Text(compId), r.title = Text(title), r.content = Text(content);
    r.compFromType = Text(fromType), r.compFromID = Text(fromId);
    return Invoke(&OstrelServiceSoapProxy::WsCompSaveOrEdit, r,
                  &_ns1__WsCompSaveOrEditResponse::WsCompSaveOrEditResult);
}

std::string ServiceClient::UserComp(const std::string &id, const std::string &code, const std::string &pageSize,
                                    const std::string &pageIndex, const std::string &sortWay, const std::string &title)
{
    ID_CODE(_ns1__WsUserComp);
    r.pageSize = Text(pageSize), r.pageIndex = Text(pageIndex), r.sortWay = Text(sortWay), r.title = Text(title);
    return Invoke(&OstrelServiceSoapProxy::WsUserComp, r, &_ns1__WsUserCompResponse::WsUserCompResult);
}

std::string ServiceClient::CompInfo(const std::string &id, const std::string &code, const std::string &compId)
{
    ID_CODE(_ns1__WsCompInfo);
    r.compId = Text(compId);
    return Invoke(&OstrelServiceSoapProxy::WsCompInfo, r, &_ns1__WsCompInfoResponse::WsCompInfoResult);
}

std::string ServiceClient::DeleteComp(const std::string &id, const std::string &code, const std::string &delId)
{
    ID_CODE(_ns1__WsDeleteComp);
    r.delId = Text(delId);
    return Invoke(&OstrelServiceSoapProxy::WsDeleteComp, r, &_ns1__WsDeleteCompResponse::WsDeleteCompResult);
}

std::string ServiceClient::CompMatch(const std::string &id, const std::string &code, const std::string &title,
                                     const std::string &content, const std::string &activityId,
                                     const std::string &matchId, const std::string &type)
{
    ID_CODE(_ns1__WsCompMatch);
    r.title = Text(title), r.content = Text(content), r.compFromID = Text(activityId);
    r.matchID = Text(matchId), r.type = Text(type);
    return Invoke(&OstrelServiceSoapProxy::WsCompMatch, r, &_ns1__WsCompMatchResponse::WsCompMatchResult);
}

std::string ServiceClient::RecentScore(const std::string &id, const std::string &code, const std::string &score)
{
    ID_CODE(_ns1__WsRecentScore);
    r.compScore = Text(score);
    return Invoke(&OstrelServiceSoapProxy::WsRecentScore, r, &_ns1__WsRecentScoreResponse::WsRecentScoreResult);
}

std::string ServiceClient::Activity(const std::string &id, const std::string &code)
{
    ID_CODE(_ns1__WsActivity);
    return Invoke(&OstrelServiceSoapProxy::WsActivity, r, &_ns1__WsActivityResponse::WsActivityResult);
}

std::string ServiceClient::ActivityInfo(const std::string &id, const std::string &code, const std::string &activityId)
{
    ID_CODE(_ns1__WsActivityInfo);
    r.activityId = Text(activityId);
    return Invoke(&OstrelServiceSoapProxy::WsActivityInfo, r, &_ns1__WsActivityInfoResponse::WsActivityInfoResult);
}

std::string ServiceClient::UserIdea(const std::string &id, const std::string &code, const std::string &content)
{
    ID_CODE(_ns1__WsUserIdea);
    r.content = Text(content);
    return Invoke(&OstrelServiceSoapProxy::WsUserIdea, r, &_ns1__WsUserIdeaResponse::WsUserIdeaResult);
}
