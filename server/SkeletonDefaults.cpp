// Default bodies of the generated skeleton's operations, which the generated code declares but
// does not define. PlatformService overrides every one; these answer "no such method" otherwise.
#include "soapOstrelServiceSoapService.h"

int OstrelServiceSoapService::WsLogin(struct _ns1__WsLogin *, struct _ns1__WsLoginResponse *) { return SOAP_NO_METHOD; }
int OstrelServiceSoapService::WsAutoLogin(struct _ns1__WsAutoLogin *, struct _ns1__WsAutoLoginResponse *) { return SOAP_NO_METHOD; }
int OstrelServiceSoapService::WsReLogin(struct _ns1__WsReLogin *, struct _ns1__WsReLoginResponse *) { return SOAP_NO_METHOD; }
int OstrelServiceSoapService::WsCreateVerifyImage(struct _ns1__WsCreateVerifyImage *, struct _ns1__WsCreateVerifyImageResponse *) { return SOAP_NO_METHOD; }
int OstrelServiceSoapService::WsUserInfo(struct _ns1__WsUserInfo *, struct _ns1__WsUserInfoResponse *) { return SOAP_NO_METHOD; }
int OstrelServiceSoapService::WsServerPoll(struct _ns1__WsServerPoll *, struct _ns1__WsServerPollResponse *) { return SOAP_NO_METHOD; }
int OstrelServiceSoapService::WsOverallInfo(struct _ns1__WsOverallInfo *, struct _ns1__WsOverallInfoResponse *) { return SOAP_NO_METHOD; }
int OstrelServiceSoapService::WsMainInfo(struct _ns1__WsMainInfo *, struct _ns1__WsMainInfoResponse *) { return SOAP_NO_METHOD; }
int OstrelServiceSoapService::WsKeyword(struct _ns1__WsKeyword *, struct _ns1__WsKeywordResponse *) { return SOAP_NO_METHOD; }
int OstrelServiceSoapService::WsCorpusBriefByKwId(struct _ns1__WsCorpusBriefByKwId *, struct _ns1__WsCorpusBriefByKwIdResponse *) { return SOAP_NO_METHOD; }
int OstrelServiceSoapService::WsCorpusInfoById(struct _ns1__WsCorpusInfoById *, struct _ns1__WsCorpusInfoByIdResponse *) { return SOAP_NO_METHOD; }
int OstrelServiceSoapService::WsUpdateCorHits(struct _ns1__WsUpdateCorHits *, struct _ns1__WsUpdateCorHitsResponse *) { return SOAP_NO_METHOD; }
int OstrelServiceSoapService::WsUpdateKeyHits(struct _ns1__WsUpdateKeyHits *, struct _ns1__WsUpdateKeyHitsResponse *) { return SOAP_NO_METHOD; }
int OstrelServiceSoapService::WsCompSaveOrEdit(struct _ns1__WsCompSaveOrEdit *, struct _ns1__WsCompSaveOrEditResponse *) { return SOAP_NO_METHOD; }
int OstrelServiceSoapService::WsUserComp(struct _ns1__WsUserComp *, struct _ns1__WsUserCompResponse *) { return SOAP_NO_METHOD; }
int OstrelServiceSoapService::WsCompInfo(struct _ns1__WsCompInfo *, struct _ns1__WsCompInfoResponse *) { return SOAP_NO_METHOD; }
int OstrelServiceSoapService::WsDeleteComp(struct _ns1__WsDeleteComp *, struct _ns1__WsDeleteCompResponse *) { return SOAP_NO_METHOD; }
int OstrelServiceSoapService::WsCompMatch(struct _ns1__WsCompMatch *, struct _ns1__WsCompMatchResponse *) { return SOAP_NO_METHOD; }
int OstrelServiceSoapService::WsRecentScore(struct _ns1__WsRecentScore *, struct _ns1__WsRecentScoreResponse *) { return SOAP_NO_METHOD; }
int OstrelServiceSoapService::WsActivity(struct _ns1__WsActivity *, struct _ns1__WsActivityResponse *) { return SOAP_NO_METHOD; }
int OstrelServiceSoapService::WsActivityInfo(struct _ns1__WsActivityInfo *, struct _ns1__WsActivityInfoResponse *) { return SOAP_NO_METHOD; }
int OstrelServiceSoapService::WsUserIdea(struct _ns1__WsUserIdea *, struct _ns1__WsUserIdeaResponse *) { return SOAP_NO_METHOD; }
