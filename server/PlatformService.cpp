// The 22 operations of the reference service: accounts, sessions, synchronisation and corpus
// here; compositions and the contest in PlatformServiceEssays.cpp.
#include "PlatformService.h"

#include "JsonText.h"
#include "TextRules.h"
#include "VerifyImage.h"

#include <strings.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>

PlatformService::PlatformService(struct soap *context, ServiceShared &shared, const std::string &databasePath)
    : OstrelServiceSoapService(context), m_shared(shared), m_store(databasePath)
{
    soap_set_namespaces(soap, namespaces);
    soap->fclosesocket = CloseSocket;
    soap->fshutdownsocket = ShutdownSocket;
}

void PlatformService::ServeRequest()
{
    soap->keep_alive = 0;
    m_unreadInput = false;
    if (soap_begin_recv(soap)) {
        if (soap->error >= SOAP_STOP && soap->error < SOAP_POST) {
            soap_closesock(soap); // a GET, answered by the page handler
            return;
        }
    } else if (!soap_envelope_begin_in(soap) && !soap_recv_header(soap) && !soap_body_begin_in(soap) && !dispatch()) {
        return; // answered
    }
    if (soap->error == SOAP_OK)
        return;
    m_unreadInput = true;
    // The runtime reports a body over the size cap, or cut short, as end of input, and would
    // answer nothing; a body that is no envelope as an HTTP method error. Both get a fault.
    if (soap->error == SOAP_EOF)
        soap_sender_fault(soap, "Request too large or incomplete", nullptr);
    else if (soap->error >= SOAP_POST)
        soap_sender_fault(soap, "Not a SOAP request", nullptr);
    soap_send_fault(soap);
}

int PlatformService::ShutdownSocket(struct soap *soap, SOAP_SOCKET socket, int how)
{
    // While the client is still sending, only our side is closed: the rest is read at close.
    auto *service = static_cast<PlatformService *>(soap->user);
    return ::shutdown(socket, service && service->m_unreadInput ? SHUT_WR : how);
}

int PlatformService::CloseSocket(struct soap *soap, SOAP_SOCKET socket)
{
    auto *service = static_cast<PlatformService *>(soap->user);
    if (service && service->m_unreadInput) {
        service->m_unreadInput = false;
        ::shutdown(socket, SHUT_WR);
        timeval wait{1, 0};
        setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        char buffer[16384];
        std::size_t total = 0;
        ssize_t got;
        constexpr std::size_t kMaxDrain = 64 * 1024 * 1024;
        while (total < kMaxDrain && (got = ::recv(socket, buffer, sizeof buffer, 0)) > 0)
            total += static_cast<std::size_t>(got);
    }
    return ::close(socket) == 0 ? SOAP_OK : SOAP_EOF;
}

void PlatformService::OstrelServiceSoapService_init(soap_mode imode, soap_mode omode)
{
    soap_imode(soap, imode);
    soap_omode(soap, omode);
}

int PlatformService::dispatch()
{
    const char *path = soap->path;
    std::string onlyPath(path, std::find(path, path + std::strlen(path), '?'));
    if (strcasecmp(onlyPath.c_str(), "/iface/api.asmx") != 0)
        return soap_sender_fault(soap, "No service at this address", nullptr);
    return OstrelServiceSoapService::dispatch();
}

int PlatformService::Answer(char *&result, const std::function<std::string()> &operation)
{
    try {
        std::string answer = operation();
        result = soap_strdup(soap, answer.c_str());
        return SOAP_OK;
    } catch (const std::exception &e) {
        return soap_receiver_fault(soap, "Service failure", nullptr);
    }
}

int PlatformService::AnswerSignedIn(char *&result, const char *id, const char *code,
                                    const std::function<std::string(const Caller &)> &operation)
{
    return Answer(result, [&]() -> std::string {
        Caller caller = SignedIn(id, code);
        if (!caller.status.empty())
            return caller.status;
        return operation(caller);
    });
}

std::string PlatformService::SiteAddress(const std::string &path) const
{
    if (path.empty() || path[0] != '/')
        return path; // already absolute
    return m_shared.baseAddress + path.substr(1);
}

PlatformService::Caller PlatformService::SignedIn(const char *id, const char *code)
{
    auto refused = [](std::string status) {
        Caller caller;
        caller.status = std::move(status);
        return caller;
    };
    auto userId = ParseNumber(id);
    std::optional<UserRow> user;
    if (userId)
        user = m_store.UserById(*userId);
    if (!user || user->disabled)
        return refused("4");
    switch (m_shared.sessions.Check(user->id, Element(code))) {
    case SessionState::Active:
        break;
    case SessionState::Lapsed:
        return refused("2");
    case SessionState::Displaced:
        return refused("3");
    case SessionState::Missing:
        return refused("4");
    }
    Caller caller;
    caller.userId = user->id;
    caller.name = user->name;
    return caller;
}

std::string PlatformService::CheckCredentials(const char *name, const char *digest, std::int64_t *userId)
{
    auto user = m_store.UserByName(Element(name));
    std::string typed = Element(digest);
    std::transform(typed.begin(), typed.end(), typed.begin(), [](unsigned char c) { return std::tolower(c); });
    if (!user || typed != user->passwordMd5)
        return "-6";
    if (user->disabled)
        return "-3";
    if (!user->registered)
        return "-5";
    *userId = user->id;
    return {};
}

std::string PlatformService::SignInDocument(std::int64_t userId)
{
    auto user = m_store.UserById(userId);
    Json::Value row;
    row["ID"] = std::to_string(userId);
    row["host"] = m_shared.baseAddress;
    row["No"] = user ? user->userNo : std::string();
    return DataDocument(row);
}

std::string PlatformService::StartSession(const std::string &device, const char *name, const char *passwordMd5)
{
    std::int64_t userId = 0;
    std::string status = CheckCredentials(name, passwordMd5, &userId);
    if (!status.empty())
        return status;
    m_shared.sessions.SignIn(userId, device);
    return SignInDocument(userId);
}

int PlatformService::WsLogin(_ns1__WsLogin *request, _ns1__WsLoginResponse *response)
{
    return Answer(response->WsLoginResult, [&]() -> std::string {
        std::string device = Element(request->code);
        if (!IsDeviceCode(device))
            return "0";
        if (!m_shared.sessions.CheckVerifyCode(device, Element(request->verifyCode)))
            return "-1";
        return StartSession(device, request->u, request->p);
    });
}

int PlatformService::WsAutoLogin(_ns1__WsAutoLogin *request, _ns1__WsAutoLoginResponse *response)
{
    return Answer(response->WsAutoLoginResult, [&]() -> std::string {
        std::string device = Element(request->code);
        if (!IsDeviceCode(device))
            return "0";
        return StartSession(device, request->u, request->p);
    });
}

int PlatformService::WsReLogin(_ns1__WsReLogin *request, _ns1__WsReLoginResponse *response)
{
    return Answer(response->WsReLoginResult, [&]() -> std::string {
        std::string device = Element(request->code);
        std::int64_t userId = 0;
        if (!IsDeviceCode(device) || !CheckCredentials(request->u, request->p, &userId).empty())
            return "0";
        if (m_shared.sessions.TakeReLoginRefusal(userId))
            return "0";
        m_shared.sessions.SignIn(userId, device);
        return "1";
    });
}

int PlatformService::WsCreateVerifyImage(_ns1__WsCreateVerifyImage *request, _ns1__WsCreateVerifyImageResponse *response)
{
    std::string device = Element(request->code);
    std::string gif;
    if (IsDeviceCode(device)) {
        std::string code = NewVerifyCode();
        gif = DrawVerifyGif(code);
        if (!gif.empty())
            m_shared.sessions.SetVerifyCode(device, code);
    }
    auto *block = soap_new_xsd__base64Binary(soap);
    block->__size = static_cast<int>(gif.size());
    block->__ptr = static_cast<unsigned char *>(soap_malloc(soap, gif.size() + 1));
    std::copy(gif.begin(), gif.end(), block->__ptr);
    response->WsCreateVerifyImageResult = block;
    return SOAP_OK;
}

int PlatformService::WsUserInfo(_ns1__WsUserInfo *request, _ns1__WsUserInfoResponse *response)
{
    return AnswerSignedIn(response->WsUserInfoResult, request->id, request->code, [&](const Caller &caller) -> std::string {
        auto user = m_store.UserById(caller.userId);
        Json::Value row;
        row["TrueName"] = user->trueName;
        row["ID"] = std::to_string(user->id);
        row["School"] = user->school;
        row["Phone"] = user->phone;
        row["Email"] = user->email;
        row["Status"] = user->status;
        row["UT"] = user->userType;
        return DataDocument(row);
    });
}

int PlatformService::WsServerPoll(_ns1__WsServerPoll *request, _ns1__WsServerPollResponse *response)
{
    return AnswerSignedIn(response->WsServerPollResult, request->id, request->code, [&](const Caller &caller) -> std::string {
        Json::Value messages(Json::arrayValue);
        for (const MessageRow &m : m_store.TakeMessages(caller.userId)) {
            Json::Value message;
            message["Content"] = m.content;
            message["Url"] = SiteAddress(m.url);
            messages.append(message);
        }
        Json::Value row;
        row["message"] = messages;
        return DataDocument(row);
    });
}

int PlatformService::WsOverallInfo(_ns1__WsOverallInfo *, _ns1__WsOverallInfoResponse *response)
{
    return Answer(response->WsOverallInfoResult, [&]() -> std::string {
        Json::Value row;
        row["version"] = m_store.Setting("version");
        row["MainInfoTime"] = m_store.Setting("MainInfoTime");
        row["KeyWordMaxID"] = std::to_string(m_store.MaxKeywordId());
        return DataDocument(row);
    });
}

int PlatformService::WsMainInfo(_ns1__WsMainInfo *, _ns1__WsMainInfoResponse *response)
{
    return Answer(response->WsMainInfoResult, [&]() -> std::string {
        Json::Value rows(Json::arrayValue);
        for (const MainPageRow &m : m_store.MainPageItems()) {
            Json::Value row;
            row["ID"] = std::to_string(m.id);
            row["Name"] = m.name;
            row["Class"] = m.className;
            row["Type"] = m.type;
            row["Con"] = m.content;
            rows.append(row);
        }
        return DataDocumentOf(rows);
    });
}

int PlatformService::WsKeyword(_ns1__WsKeyword *request, _ns1__WsKeywordResponse *response)
{
    return AnswerSignedIn(response->WsKeywordResult, request->id, request->code, [&](const Caller &) -> std::string {
        auto above = ParseNumber(request->keyId);
        if (!above)
            return "4";
        Json::Value rows(Json::arrayValue);
        for (const auto &[id, keyword] : m_store.KeywordsAbove(*above)) {
            Json::Value row;
            row["I"] = std::to_string(id);
            row["K"] = keyword;
            rows.append(row);
        }
        return DataDocumentOf(rows);
    });
}

int PlatformService::WsCorpusBriefByKwId(_ns1__WsCorpusBriefByKwId *request, _ns1__WsCorpusBriefByKwIdResponse *response)
{
    return AnswerSignedIn(response->WsCorpusBriefByKwIdResult, request->id, request->code, [&](const Caller &) -> std::string {
        auto keywordId = ParseNumber(request->kwId);
        if (!keywordId)
            return "4";
        Json::Value rows(Json::arrayValue);
        for (const CorpusBriefRow &c : m_store.CorpusBriefs(*keywordId)) {
            Json::Value row;
            row["Id"] = std::to_string(c.id);
            row["Brief"] = c.brief;
            rows.append(row);
        }
        return DataDocumentOf(rows);
    });
}

int PlatformService::WsCorpusInfoById(_ns1__WsCorpusInfoById *request, _ns1__WsCorpusInfoByIdResponse *response)
{
    return AnswerSignedIn(response->WsCorpusInfoByIdResult, request->id, request->code, [&](const Caller &) -> std::string {
        auto corpusId = ParseNumber(request->corpusId);
        if (!corpusId)
            return "4";
        auto detail = m_store.CorpusDetail(*corpusId);
        if (!detail)
            return "-9";
        Json::Value row;
        row["con"] = detail->content;
        row["title"] = detail->title;
        row["cfrom"] = detail->source;
        row["author"] = detail->author;
        return DataDocument(row);
    });
}

int PlatformService::WsUpdateCorHits(_ns1__WsUpdateCorHits *request, _ns1__WsUpdateCorHitsResponse *response)
{
    return AnswerSignedIn(response->WsUpdateCorHitsResult, request->id, request->code, [&](const Caller &) -> std::string {
        auto corpusId = ParseNumber(request->corId);
        if (!corpusId)
            return "4";
        return m_store.AddCorpusHit(*corpusId) ? "1" : "0";
    });
}

int PlatformService::WsUpdateKeyHits(_ns1__WsUpdateKeyHits *request, _ns1__WsUpdateKeyHitsResponse *response)
{
    return AnswerSignedIn(response->WsUpdateKeyHitsResult, request->id, request->code, [&](const Caller &) -> std::string {
        auto keywordId = ParseNumber(request->keyId);
        if (!keywordId)
            return "4";
        return m_store.AddKeywordHit(*keywordId) ? "1" : "0";
    });
}

int PlatformService::WsRecentScore(_ns1__WsRecentScore *request, _ns1__WsRecentScoreResponse *response)
{
    return AnswerSignedIn(response->WsRecentScoreResult, request->id, request->code, [&](const Caller &caller) -> std::string {
        if (!IsValidScore(request->compScore))
            return "0";
        m_store.AddScore(caller.userId, request->compScore);
        return "1";
    });
}

int PlatformService::WsUserIdea(_ns1__WsUserIdea *request, _ns1__WsUserIdeaResponse *response)
{
    // The feedback fields hold at most 800 characters; leave room, refuse floods.
    constexpr std::size_t kMaxIdeaChars = 2000;
    return AnswerSignedIn(response->WsUserIdeaResult, request->id, request->code, [&](const Caller &caller) -> std::string {
        std::string content = Element(request->content);
        if (!IsStorableText(content) || TrimText(content).empty() || CountChars(content) > kMaxIdeaChars)
            return "0";
        m_store.AddIdea(caller.userId, content);
        return "1";
    });
}
