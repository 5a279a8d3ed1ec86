// Interface of the platform's SOAP web service: 22 document/literal operations.
// soapcpp2 generates from this one header both the client's proxy and the reference service's
// skeleton, so the two sides can never disagree on names, element order or types.
// Every request element is a string that is always sent (an empty value gives an empty element);
// every operation answers one string, except WsCreateVerifyImage, which answers a picture.

//gsoap ns1 service name: OstrelServiceSoap
//gsoap ns1 service namespace: http://tempuri.org/
//gsoap ns1 service location: http://127.0.0.1:8089/Iface/api.asmx
//gsoap ns1 service style: document
//gsoap ns1 service encoding: literal
//gsoap ns1 schema namespace: http://tempuri.org/
//gsoap ns1 schema elementForm: qualified
//gsoap ns1 schema attributeForm: unqualified

struct xsd__base64Binary
{
    unsigned char *__ptr;
    int __size;
};

//gsoap ns1 service method-style: WsLogin document
//gsoap ns1 service method-encoding: WsLogin literal
//gsoap ns1 service method-action: WsLogin ""
struct _ns1__WsLogin
{
    char *u 1;
    char *p 1;
    char *code 1;
    char *verifyCode 1;
};
struct _ns1__WsLoginResponse
{
    char *WsLoginResult 0;
};
int __ns1__WsLogin(struct _ns1__WsLogin *ns1__WsLogin, struct _ns1__WsLoginResponse *ns1__WsLoginResponse);

//gsoap ns1 service method-style: WsAutoLogin document
//gsoap ns1 service method-encoding: WsAutoLogin literal
//gsoap ns1 service method-action: WsAutoLogin ""
struct _ns1__WsAutoLogin
{
    char *u 1;
    char *p 1;
    char *code 1;
};
struct _ns1__WsAutoLoginResponse
{
    char *WsAutoLoginResult 0;
};
int __ns1__WsAutoLogin(struct _ns1__WsAutoLogin *ns1__WsAutoLogin, struct _ns1__WsAutoLoginResponse *ns1__WsAutoLoginResponse);

//gsoap ns1 service method-style: WsReLogin document
//gsoap ns1 service method-encoding: WsReLogin literal
//gsoap ns1 service method-action: WsReLogin ""
struct _ns1__WsReLogin
{
    char *u 1;
    char *p 1;
    char *code 1;
};
struct _ns1__WsReLoginResponse
{
    char *WsReLoginResult 0;
};
int __ns1__WsReLogin(struct _ns1__WsReLogin *ns1__WsReLogin, struct _ns1__WsReLoginResponse *ns1__WsReLoginResponse);

//gsoap ns1 service method-style: WsCreateVerifyImage document
//gsoap ns1 service method-encoding: WsCreateVerifyImage literal
//gsoap ns1 service method-action: WsCreateVerifyImage ""
struct _ns1__WsCreateVerifyImage
{
    char *code 1;
};
struct _ns1__WsCreateVerifyImageResponse
{
    struct xsd__base64Binary *WsCreateVerifyImageResult 0;
};
int __ns1__WsCreateVerifyImage(struct _ns1__WsCreateVerifyImage *ns1__WsCreateVerifyImage, struct _ns1__WsCreateVerifyImageResponse *ns1__WsCreateVerifyImageResponse);

//gsoap ns1 service method-style: WsUserInfo document
//gsoap ns1 service method-encoding: WsUserInfo literal
//gsoap ns1 service method-action: WsUserInfo ""
struct _ns1__WsUserInfo
{
    char *id 1;
    char *code 1;
};
struct _ns1__WsUserInfoResponse
{
    char *WsUserInfoResult 0;
};
int __ns1__WsUserInfo(struct _ns1__WsUserInfo *ns1__WsUserInfo, struct _ns1__WsUserInfoResponse *ns1__WsUserInfoResponse);

//gsoap ns1 service method-style: WsServerPoll document
//gsoap ns1 service method-encoding: WsServerPoll literal
//gsoap ns1 service method-action: WsServerPoll ""
struct _ns1__WsServerPoll
{
    char *id 1;
    char *code 1;
};
struct _ns1__WsServerPollResponse
{
    char *WsServerPollResult 0;
};
int __ns1__WsServerPoll(struct _ns1__WsServerPoll *ns1__WsServerPoll, struct _ns1__WsServerPollResponse *ns1__WsServerPollResponse);

//gsoap ns1 service method-style: WsOverallInfo document
//gsoap ns1 service method-encoding: WsOverallInfo literal
//gsoap ns1 service method-action: WsOverallInfo ""
struct _ns1__WsOverallInfo
{
    // no request elements: the operation element is sent empty
};
struct _ns1__WsOverallInfoResponse
{
    char *WsOverallInfoResult 0;
};
int __ns1__WsOverallInfo(struct _ns1__WsOverallInfo *ns1__WsOverallInfo, struct _ns1__WsOverallInfoResponse *ns1__WsOverallInfoResponse);

//gsoap ns1 service method-style: WsMainInfo document
//gsoap ns1 service method-encoding: WsMainInfo literal
//gsoap ns1 service method-action: WsMainInfo ""
struct _ns1__WsMainInfo
{
    // no request elements: the operation element is sent empty
};
struct _ns1__WsMainInfoResponse
{
    char *WsMainInfoResult 0;
};
int __ns1__WsMainInfo(struct _ns1__WsMainInfo *ns1__WsMainInfo, struct _ns1__WsMainInfoResponse *ns1__WsMainInfoResponse);

//gsoap ns1 service method-style: WsKeyword document
//gsoap ns1 service method-encoding: WsKeyword literal
//gsoap ns1 service method-action: WsKeyword ""
struct _ns1__WsKeyword
{
    char *id 1;
    char *code 1;
    char *keyId 1;
};
struct _ns1__WsKeywordResponse
{
    char *WsKeywordResult 0;
};
int __ns1__WsKeyword(struct _ns1__WsKeyword *ns1__WsKeyword, struct _ns1__WsKeywordResponse *ns1__WsKeywordResponse);

//gsoap ns1 service method-style: WsCorpusBriefByKwId document
//gsoap ns1 service method-encoding: WsCorpusBriefByKwId literal
//gsoap ns1 service method-action: WsCorpusBriefByKwId ""
struct _ns1__WsCorpusBriefByKwId
{
    char *id 1;
    char *code 1;
    char *kwId 1;
};
struct _ns1__WsCorpusBriefByKwIdResponse
{
    char *WsCorpusBriefByKwIdResult 0;
};
int __ns1__WsCorpusBriefByKwId(struct _ns1__WsCorpusBriefByKwId *ns1__WsCorpusBriefByKwId, struct _ns1__WsCorpusBriefByKwIdResponse *ns1__WsCorpusBriefByKwIdResponse);

//gsoap ns1 service method-style: WsCorpusInfoById document
//gsoap ns1 service method-encoding: WsCorpusInfoById literal
//gsoap ns1 service method-action: WsCorpusInfoById ""
struct _ns1__WsCorpusInfoById
{
    char *id 1;
    char *code 1;
    char *corpusId 1;
};
struct _ns1__WsCorpusInfoByIdResponse
{
    char *WsCorpusInfoByIdResult 0;
};
int __ns1__WsCorpusInfoById(struct _ns1__WsCorpusInfoById *ns1__WsCorpusInfoById, struct _ns1__WsCorpusInfoByIdResponse *ns1__WsCorpusInfoByIdResponse);

//gsoap ns1 service method-style: WsUpdateCorHits document
//gsoap ns1 service method-encoding: WsUpdateCorHits literal
//gsoap ns1 service method-action: WsUpdateCorHits ""
struct _ns1__WsUpdateCorHits
{
    char *id 1;
    char *code 1;
    char *corId 1;
};
struct _ns1__WsUpdateCorHitsResponse
{
    char *WsUpdateCorHitsResult 0;
};
int __ns1__WsUpdateCorHits(struct _ns1__WsUpdateCorHits *ns1__WsUpdateCorHits, struct _ns1__WsUpdateCorHitsResponse *ns1__WsUpdateCorHitsResponse);

//gsoap ns1 service method-style: WsUpdateKeyHits document
//gsoap ns1 service method-encoding: WsUpdateKeyHits literal
//gsoap ns1 service method-action: WsUpdateKeyHits ""
struct _ns1__WsUpdateKeyHits
{
    char *id 1;
    char *code 1;
    char *keyId 1;
};
struct _ns1__WsUpdateKeyHitsResponse
{
    char *WsUpdateKeyHitsResult 0;
};
int __ns1__WsUpdateKeyHits(struct _ns1__WsUpdateKeyHits *ns1__WsUpdateKeyHits, struct _ns1__WsUpdateKeyHitsResponse *ns1__WsUpdateKeyHitsResponse);

//gsoap ns1 service method-style: WsCompSaveOrEdit document
//gsoap ns1 service method-encoding: WsCompSaveOrEdit literal
//gsoap ns1 service method-action: WsCompSaveOrEdit ""
struct _ns1__WsCompSaveOrEdit
{
    char *id 1;
    char *code 1;
    char *compId 1;
    char *title 1;
    char *content 1;
    char *compFromType 1;
    char *compFromID 1;
};
struct _ns1__WsCompSaveOrEditResponse
{
    char *WsCompSaveOrEditResult 0;
};
int __ns1__WsCompSaveOrEdit(struct _ns1__WsCompSaveOrEdit *ns1__WsCompSaveOrEdit, struct _ns1__WsCompSaveOrEditResponse *ns1__WsCompSaveOrEditResponse);

//gsoap ns1 service method-style: WsUserComp document
//gsoap ns1 service method-encoding: WsUserComp literal
//gsoap ns1 service method-action: WsUserComp ""
struct _ns1__WsUserComp
{
    char *id 1;
    char *code 1;
    char *pageSize 1;
    char *pageIndex 1;
    char *sortWay 1;
    char *title 1;
};
struct _ns1__WsUserCompResponse
{
    char *WsUserCompResult 0;
};
int __ns1__WsUserComp(struct _ns1__WsUserComp *ns1__WsUserComp, struct _ns1__WsUserCompResponse *ns1__WsUserCompResponse);

//gsoap ns1 service method-style: WsCompInfo document
//gsoap ns1 service method-encoding: WsCompInfo literal
//gsoap ns1 service method-action: WsCompInfo ""
struct _ns1__WsCompInfo
{
    char *id 1;
    char *code 1;
    char *compId 1;
};
struct _ns1__WsCompInfoResponse
{
    char *WsCompInfoResult 0;
};
int __ns1__WsCompInfo(struct _ns1__WsCompInfo *ns1__WsCompInfo, struct _ns1__WsCompInfoResponse *ns1__WsCompInfoResponse);

//gsoap ns1 service method-style: WsDeleteComp document
//gsoap ns1 service method-encoding: WsDeleteComp literal
//gsoap ns1 service method-action: WsDeleteComp ""
struct _ns1__WsDeleteComp
{
    char *id 1;
    char *code 1;
    char *delId 1;
};
struct _ns1__WsDeleteCompResponse
{
    char *WsDeleteCompResult 0;
};
int __ns1__WsDeleteComp(struct _ns1__WsDeleteComp *ns1__WsDeleteComp, struct _ns1__WsDeleteCompResponse *ns1__WsDeleteCompResponse);

//gsoap ns1 service method-style: WsCompMatch document
//gsoap ns1 service method-encoding: WsCompMatch literal
//gsoap ns1 service method-action: WsCompMatch ""
struct _ns1__WsCompMatch
{
    char *id 1;
    char *code 1;
    char *title 1;
    char *content 1;
    char *compFromID 1;
    char *matchID 1;
    char *type 1;
};
struct _ns1__WsCompMatchResponse
{
    char *WsCompMatchResult 0;
};
int __ns1__WsCompMatch(struct _ns1__WsCompMatch *ns1__WsCompMatch, struct _ns1__WsCompMatchResponse *ns1__WsCompMatchResponse);

//gsoap ns1 service method-style: WsRecentScore document
//gsoap ns1 service method-encoding: WsRecentScore literal
//gsoap ns1 service method-action: WsRecentScore ""
struct _ns1__WsRecentScore
{
    char *id 1;
    char *code 1;
    char *compScore 1;
};
struct _ns1__WsRecentScoreResponse
{
    char *WsRecentScoreResult 0;
};
int __ns1__WsRecentScore(struct _ns1__WsRecentScore *ns1__WsRecentScore, struct _ns1__WsRecentScoreResponse *ns1__WsRecentScoreResponse);

//gsoap ns1 service method-style: WsActivity document
//gsoap ns1 service method-encoding: WsActivity literal
//gsoap ns1 service method-action: WsActivity ""
struct _ns1__WsActivity
{
    char *id 1;
    char *code 1;
};
struct _ns1__WsActivityResponse
{
    char *WsActivityResult 0;
};
int __ns1__WsActivity(struct _ns1__WsActivity *ns1__WsActivity, struct _ns1__WsActivityResponse *ns1__WsActivityResponse);

//gsoap ns1 service method-style: WsActivityInfo document
//gsoap ns1 service method-encoding: WsActivityInfo literal
//gsoap ns1 service method-action: WsActivityInfo ""
struct _ns1__WsActivityInfo
{
    char *id 1;
    char *code 1;
    char *activityId 1;
};
struct _ns1__WsActivityInfoResponse
{
    char *WsActivityInfoResult 0;
};
int __ns1__WsActivityInfo(struct _ns1__WsActivityInfo *ns1__WsActivityInfo, struct _ns1__WsActivityInfoResponse *ns1__WsActivityInfoResponse);

//gsoap ns1 service method-style: WsUserIdea document
//gsoap ns1 service method-encoding: WsUserIdea literal
//gsoap ns1 service method-action: WsUserIdea ""
struct _ns1__WsUserIdea
{
    char *id 1;
    char *code 1;
    char *content 1;
};
struct _ns1__WsUserIdeaResponse
{
    char *WsUserIdeaResult 0;
};
int __ns1__WsUserIdea(struct _ns1__WsUserIdea *ns1__WsUserIdea, struct _ns1__WsUserIdeaResponse *ns1__WsUserIdeaResponse);
