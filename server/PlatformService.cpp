// The 22 operations of the reference service: accounts, sessions, synchronisation and corpus
// here; compositions and the contest in PlatformServiceEssays.cpp.
#include "PlatformService.h"

#include "GbkText.h"
#include "JsonText.h"
#include "Metrics.h"
#include "PasswordHash.h"
#include "RawRequest.h"
#include "TextRules.h"
#include "VerifyImage.h"
#include "WebPages.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <strings.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace {

std::string AddressText(const sockaddr_storage &address)
{
    char text[INET6_ADDRSTRLEN] = "";
    if (address.ss_family == AF_INET)
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in &>(address).sin_addr, text, sizeof text);
    else if (address.ss_family == AF_INET6)
        inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6 &>(address).sin6_addr, text, sizeof text);
    return text;
}

} // namespace

PlatformService::PlatformService(struct soap *context, ServiceShared &shared, StorePool &pool)
    : OstrelServiceSoapService(context), m_shared(shared), m_pool(pool)
{
    soap_set_namespaces(soap, namespaces);
    soap->user = this; // the page handlers find their service through it
}

PlatformService::PlatformService(struct soap *context, ServiceShared &shared, const std::string &databasePath)
    : OstrelServiceSoapService(context), m_shared(shared), m_ownPool(std::make_unique<StorePool>(databasePath, 1)),
      m_pool(*m_ownPool)
{
    soap_set_namespaces(soap, namespaces);
    soap->user = this;
}

PlatformStore &PlatformService::Store()
{
    if (!m_borrowed)
        m_borrowed = &m_pool.Borrow();
    return *m_borrowed;
}

void PlatformService::GiveBackStore()
{
    if (m_borrowed)
        m_pool.GiveBack(*m_borrowed);
    m_borrowed = nullptr;
}

void PlatformService::ServeRequest(const std::string &rawRequest, const ClientOrigin &origin)
{
    m_rawRequest = &rawRequest;
    m_origin = origin;
    m_replyDelay = std::chrono::milliseconds(0);
    m_dropAnswer = false;
    m_record = RequestRecord();
    soap->keep_alive = 0;
    Dispatch();
    m_rawRequest = &m_noRequest;
    GiveBackStore(); // the connection serves another worker while this answer is written
}

void PlatformService::Dispatch()
{
    if (soap_begin_recv(soap)) {
        if (soap->error >= SOAP_STOP && soap->error < SOAP_POST) {
            soap_closesock(soap); // a GET, answered by the page handler
            return;
        }
    } else if (HeaderValue(*m_rawRequest, "Content-Type").rfind("application/x-www-form-urlencoded", 0) == 0) {
        ServeHttpForm(soap); // a form of the web site's pages
        soap_closesock(soap);
        return;
    } else if (!soap_envelope_begin_in(soap) && !soap_recv_header(soap) && !soap_body_begin_in(soap) && !dispatch()) {
        return; // answered
    }
    if (soap->error == SOAP_OK)
        return;
    // The runtime reports a body cut short as end of input, and would answer nothing; a body
    // that is no envelope as an HTTP method error. Both get a fault.
    if (soap->error == SOAP_EOF)
        soap_sender_fault(soap, "Request too large or incomplete", nullptr);
    else if (soap->error >= SOAP_POST)
        soap_sender_fault(soap, "Not a SOAP request", nullptr);
    soap_send_fault(soap);
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
    // The skeleton's own dispatch peeks at the same element and finds it peeked already.
    if (soap_peek_element(soap) == SOAP_OK)
        m_record.operation = KnownOperation(soap->tag);
    return OstrelServiceSoapService::dispatch();
}

int PlatformService::Answer(char *&result, const std::function<std::string()> &operation, const char *failure)
{
    try {
        // Kept until the next request, long enough for the answer to be written: a keyword
        // document of megabytes is not copied again.
        m_answer = operation();
        result = m_answer.data();
        if (IsAnswerCode(m_answer))
            m_record.answerCode = m_answer;
        return SOAP_OK;
    } catch (const std::exception &e) {
        m_record.databaseFailed = dynamic_cast<const StoreError *>(&e) != nullptr;
        // A fault would reach the client as a broken connection; the operation's own failure
        // code is shown as the failed call it is, and the client stays in step.
        m_answer = failure;
        result = m_answer.data();
        if (IsAnswerCode(m_answer))
            m_record.answerCode = m_answer;
        return SOAP_OK;
    }
}

int PlatformService::AnswerSignedIn(char *&result, const char *id, const char *code,
                                    const std::function<std::string(const Caller &)> &operation, const char *failure)
{
    return Answer(
        result,
        [&]() -> std::string {
            Caller caller = SignedIn(id, code);
            if (!caller.status.empty())
                return caller.status;
            return operation(caller);
        },
        failure);
}

std::string PlatformService::SiteAddress(const std::string &path) const
{
    if (path.empty() || path[0] != '/')
        return path; // already absolute
    return RequestBase() + path.substr(1);
}

std::string PlatformService::RequestBase() const
{
    if (!m_shared.publicUrl.empty())
        return m_shared.publicUrl;
    std::string scheme = m_shared.baseAddress.substr(0, m_shared.baseAddress.find("://") + 3);
    // Behind a proxy that serves TLS the client reached https even though this connection is
    // plain: every later call, credentials included, must go there.
    if (m_origin.forwarded && !m_origin.scheme.empty())
        scheme = m_origin.scheme + "://";
    std::string host = m_origin.forwarded && !m_origin.host.empty() ? m_origin.host : HeaderValue(*m_rawRequest, "Host");
    if (IsHostAndPort(host))
        return scheme + host + "/";
    // No usable Host header (HTTP/1.0): the local address the connection reached.
    sockaddr_storage local{};
    socklen_t length = sizeof local;
    if (soap_valid_socket(soap->socket) && getsockname(soap->socket, reinterpret_cast<sockaddr *>(&local), &length) == 0) {
        std::string address = AddressText(local);
        int port = ntohs(local.ss_family == AF_INET ? reinterpret_cast<sockaddr_in &>(local).sin_port
                                                    : reinterpret_cast<sockaddr_in6 &>(local).sin6_port);
        if (!address.empty())
            return scheme + (local.ss_family == AF_INET6 ? "[" + address + "]" : address) + ":" + std::to_string(port) + "/";
    }
    return m_shared.baseAddress;
}

std::string PlatformService::Peer() const
{
    if (!m_origin.address.empty())
        return m_origin.address;
    sockaddr_storage peer{};
    if (soap->ip != 0) {
        auto &v4 = reinterpret_cast<sockaddr_in &>(peer);
        v4.sin_family = AF_INET;
        v4.sin_addr.s_addr = htonl(soap->ip);
    } else {
        auto &v6 = reinterpret_cast<sockaddr_in6 &>(peer);
        v6.sin6_family = AF_INET6;
        for (int i = 0; i < 4; ++i) {
            std::uint32_t word = htonl(soap->ip6[i]);
            std::memcpy(v6.sin6_addr.s6_addr + 4 * i, &word, 4);
        }
    }
    return AddressText(peer);
}

bool PlatformService::RequestTextIsIntact() const
{
    std::string body = RequestBody(*m_rawRequest);
    return IsValidUtf8(body) && !HoldsNul(body);
}

PlatformService::Caller PlatformService::SignedIn(const char *id, const char *code)
{
    auto refused = [](std::string status) {
        Caller caller;
        caller.status = std::move(status);
        return caller;
    };
    const std::string number = Element(id), device = Element(code);
    SessionTable::Verdict session = SharedSession(number, device);
    if (session.state == SessionState::Unknown) {
        // A number never issued and a number with another device code answer alike, after the
        // same growing delay as a wrong password: nothing tells which numbers exist.
        m_replyDelay = m_shared.signInGuard.FailedCall(IsDeviceCode(device) ? device : std::string(), Peer(),
                                                       SignInGuard::Clock::now(), GuardCounts());
        return refused("4");
    }
    std::optional<UserRow> user = Store().UserById(session.userId);
    if (user)
        m_record.user = user->userNo;
    if (!user || user->disabled)
        return refused("4");
    if (session.state == SessionState::Lapsed)
        return refused("2");
    if (session.state == SessionState::Displaced)
        return refused("3");
    Caller caller;
    caller.userId = user->id;
    caller.name = user->name;
    return caller;
}

SessionTable::Verdict PlatformService::SharedSession(const std::string &number, const std::string &device)
{
    // Every process on the database answers the same client: a session opened through one
    // process (or before a restart) is good in any, and a sign-in or password change through
    // one displaces or ends it in all. One indexed read per signed-in call buys that.
    if (number.empty() || number.size() > 20 || number.find_first_not_of("0123456789") != std::string::npos)
        return {};
    const std::string digest = SessionTable::Digest(number);
    auto stored = Store().SessionByDigest(digest);
    if (!stored || stored->deviceCode != device)
        return {};
    const std::int64_t now = UtcSeconds();
    SessionTable::Verdict verdict = m_shared.sessions.Judge(*stored, now);
    // A lapse sticks until a re-sign-in, whatever the time-out is later set to.
    if (verdict.state == SessionState::Lapsed && !stored->lapsed)
        Store().MarkSessionLapsed(digest);
    else if (verdict.state == SessionState::Active && m_shared.sessions.ShouldTouch(*stored, now))
        Store().TouchSession(digest, now);
    return verdict;
}

bool PlatformService::WithinLimit(const RateLimiter &limit, const std::string &subject)
{
    return limit.Allow(subject, [this](const std::string &key, int burst, std::chrono::milliseconds interval) {
        return Store().TakeRateAllowance(key, UtcMilliseconds(), interval.count(), burst);
    });
}

std::string PlatformService::SignInName(const char *parsed) const
{
    std::string raw;
    if (!RawElementText(RequestBody(*m_rawRequest), "u", &raw))
        return Element(parsed);
    return IsValidUtf8(raw) ? raw : GbkToUtf8(raw);
}

std::string PlatformService::GuardedPasswordCheck(const std::optional<UserRow> &user, const std::string &digest,
                                                  const std::string &device, bool withVerifyCode)
{
    std::string peer = Peer();
    SignInGuard &guard = m_shared.signInGuard;
    const std::int64_t account = user ? user->id : 0;
    // The delay and the caller's budget are settled before the costly hash: an attempt that
    // would be held beyond its address's or account's share is dropped unchecked and leaves the
    // account's count as it was.
    // Accounts' counts live in the database: guesses spread over several processes add up.
    const SignInGuard::SharedAccounts shared = [this](std::int64_t userId, const std::function<void(AccountCount &)> &change) {
        Store().UpdateSignInCount(userId, change);
    };
    SignInGuard::Attempt attempt =
        guard.Begin(account, device, peer, withVerifyCode, SignInGuard::Clock::now(), &shared, GuardCounts());
    m_replyDelay = attempt.delay;
    if (attempt.locked)
        return "0";
    auto drop = [&] {
        guard.Withdraw(account, &shared);
        m_replyDelay = std::chrono::milliseconds(0);
        m_dropAnswer = true;
        return std::string("-6");
    };
    if (attempt.delay.count() > 0 && !m_shared.heldAnswers.Reserve(peer, account, attempt.delay))
        return drop();
    // No transaction spans the hash, which takes longer than any statement: the connection
    // serves other calls meanwhile (a sign-in wave would otherwise hold the whole pool).
    GiveBackStore();
    if (!VerifyPasswordDigest(user ? user->passwordHash : std::string(), digest) || !user) {
        guard.Failed(device, peer, SignInGuard::Clock::now(), GuardCounts());
        return "-6";
    }
    guard.Succeeded(user->id, withVerifyCode, &shared);
    return {};
}

std::string PlatformService::CheckCredentials(const char *name, const char *digest, const std::string &device,
                                              bool withVerifyCode, std::int64_t *userId)
{
    auto user = Store().UserByName(SignInName(name));
    if (user)
        m_record.user = user->userNo;
    std::string status = GuardedPasswordCheck(user, Element(digest), device, withVerifyCode);
    if (!status.empty())
        return status;
    if (user->disabled)
        return "-3";
    if (!user->registered)
        return "-5";
    *userId = user->id;
    return {};
}

std::string PlatformService::SignInDocument(std::int64_t userId, const std::string &sessionNumber)
{
    auto user = Store().UserById(userId);
    Json::Value row;
    row["ID"] = sessionNumber;
    row["host"] = RequestBase();
    row["No"] = user ? user->userNo : std::string();
    return DataDocument(row);
}

std::string PlatformService::OpenSession(std::int64_t userId, const std::string &device)
{
    std::string number = SessionTable::NewSessionNumber();
    Store().RecordSession(userId, SessionTable::Digest(number), device, SessionTable::kKeptPerUser);
    return number;
}

void PlatformService::EndSessions(std::int64_t userId)
{
    Store().EndSessions(userId);
}

std::string PlatformService::StartSession(const std::string &device, const char *name, const char *passwordDigest,
                                          bool withVerifyCode)
{
    std::int64_t userId = 0;
    std::string status = CheckCredentials(name, passwordDigest, device, withVerifyCode, &userId);
    if (!status.empty())
        return status;
    return SignInDocument(userId, OpenSession(userId, device));
}

int PlatformService::WsLogin(_ns1__WsLogin *request, _ns1__WsLoginResponse *response)
{
    return Answer(response->WsLoginResult, [&]() -> std::string {
        std::string device = Element(request->code);
        if (!IsDeviceCode(device))
            return "0";
        if (!Codes().Use(device, Element(request->verifyCode))) {
            m_replyDelay = m_shared.signInGuard.WrongVerifyCode(device, Peer(), SignInGuard::Clock::now(), GuardCounts());
            return "-1";
        }
        return StartSession(device, request->u, request->p, true);
    }, kNotDone);
}

int PlatformService::WsAutoLogin(_ns1__WsAutoLogin *request, _ns1__WsAutoLoginResponse *response)
{
    return Answer(response->WsAutoLoginResult, [&]() -> std::string {
        std::string device = Element(request->code);
        if (!IsDeviceCode(device))
            return "0";
        return StartSession(device, request->u, request->p, false);
    }, kNotDone);
}

int PlatformService::WsReLogin(_ns1__WsReLogin *request, _ns1__WsReLoginResponse *response)
{
    return Answer(response->WsReLoginResult, [&]() -> std::string {
        std::string device = Element(request->code);
        std::int64_t userId = 0;
        if (!IsDeviceCode(device) || !CheckCredentials(request->u, request->p, device, false, &userId).empty())
            return "0";
        if (m_shared.sessions.TakeReLoginRefusal(userId))
            return "0";
        // The renewal answers no number: the client goes on with the one it holds, so that
        // session (the current one, opened through any process) is the one made active again.
        return Store().RenewSession(userId, device, UtcSeconds()) ? "1" : "0";
    }, kNotDone);
}

int PlatformService::WsCreateVerifyImage(_ns1__WsCreateVerifyImage *request, _ns1__WsCreateVerifyImageResponse *response)
{
    std::string device = Element(request->code);
    std::string gif;
    if (IsDeviceCode(device)) {
        std::string code = NewVerifyCode();
        gif = DrawVerifyGif(code);
        try {
            if (!gif.empty())
                Codes().Issue(device, Peer(), code);
        } catch (const std::exception &e) {
            // A picture whose code was not kept could never be answered: none is sent, as for a
            // request without a device code (the client shows no picture and may ask again).
            m_record.databaseFailed = dynamic_cast<const StoreError *>(&e) != nullptr;
            gif.clear();
        }
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
        auto user = Store().UserById(caller.userId);
        Json::Value row;
        row["TrueName"] = user->trueName;
        row["ID"] = std::to_string(user->id);
        row["School"] = user->school;
        row["Phone"] = user->phone;
        row["Email"] = user->email;
        row["Status"] = user->status;
        row["UT"] = user->userType;
        return DataDocument(row);
    }, kNothingToShow);
}

int PlatformService::WsServerPoll(_ns1__WsServerPoll *request, _ns1__WsServerPollResponse *response)
{
    return AnswerSignedIn(response->WsServerPollResult, request->id, request->code, [&](const Caller &caller) -> std::string {
        // The client shows only the last message of a poll, so each poll carries one: the
        // oldest waiting; the others follow in the next polls.
        Json::Value messages(Json::arrayValue);
        if (auto m = Store().TakeOldestMessage(caller.userId)) {
            Json::Value message;
            message["Content"] = m->content;
            message["Url"] = SiteAddress(m->url);
            messages.append(message);
        }
        Json::Value row;
        row["message"] = messages;
        return DataDocument(row);
    }, kNothingToShow);
}

int PlatformService::WsOverallInfo(_ns1__WsOverallInfo *, _ns1__WsOverallInfoResponse *response)
{
    return Answer(response->WsOverallInfoResult, [&]() -> std::string {
        Json::Value row;
        row["version"] = Store().Setting("version");
        row["MainInfoTime"] = Store().Setting("MainInfoTime");
        row["KeyWordMaxID"] = std::to_string(Store().MaxKeywordId());
        return DataDocument(row);
    }, kNothingToShow);
}

int PlatformService::WsMainInfo(_ns1__WsMainInfo *, _ns1__WsMainInfoResponse *response)
{
    return Answer(response->WsMainInfoResult, [&]() -> std::string {
        Json::Value rows(Json::arrayValue);
        for (const MainPageRow &m : Store().MainPageItems()) {
            Json::Value row;
            row["ID"] = std::to_string(m.id);
            row["Name"] = m.name;
            row["Class"] = m.className;
            row["Type"] = m.type;
            row["Con"] = m.content;
            rows.append(row);
        }
        return DataDocumentOf(rows);
    }, kNothingToShow);
}

int PlatformService::WsKeyword(_ns1__WsKeyword *request, _ns1__WsKeywordResponse *response)
{
    return AnswerSignedIn(response->WsKeywordResult, request->id, request->code, [&](const Caller &) -> std::string {
        auto above = ParseNumber(request->keyId);
        if (!above)
            return "4";
        // Up to 10^5 rows at a start from an empty store: written straight into the document.
        std::string document = "{\"data\":[";
        bool first = true;
        Store().ForEachKeywordAbove(*above, [&](std::int64_t id, std::string_view keyword) {
            document.append(first ? "{\"I\":\"" : ",{\"I\":\"");
            document.append(std::to_string(id));
            document.append("\",\"K\":");
            AppendJsonString(document, keyword);
            document.push_back('}');
            first = false;
        });
        document.append("]}");
        return document;
    }, kNothingToShow);
}

int PlatformService::WsCorpusBriefByKwId(_ns1__WsCorpusBriefByKwId *request, _ns1__WsCorpusBriefByKwIdResponse *response)
{
    return AnswerSignedIn(response->WsCorpusBriefByKwIdResult, request->id, request->code, [&](const Caller &) -> std::string {
        auto keywordId = ParseNumber(request->kwId);
        if (!keywordId)
            return "4";
        Json::Value rows(Json::arrayValue);
        for (const CorpusBriefRow &c : Store().CorpusBriefs(*keywordId)) {
            Json::Value row;
            row["Id"] = std::to_string(c.id);
            row["Brief"] = c.brief;
            rows.append(row);
        }
        return DataDocumentOf(rows);
    }, kNothingToShow);
}

int PlatformService::WsCorpusInfoById(_ns1__WsCorpusInfoById *request, _ns1__WsCorpusInfoByIdResponse *response)
{
    return AnswerSignedIn(response->WsCorpusInfoByIdResult, request->id, request->code, [&](const Caller &) -> std::string {
        auto corpusId = ParseNumber(request->corpusId);
        if (!corpusId)
            return "4";
        auto detail = Store().CorpusDetail(*corpusId);
        if (!detail)
            return "-9";
        Json::Value row;
        row["con"] = detail->content;
        row["title"] = detail->title;
        row["cfrom"] = detail->source;
        row["author"] = detail->author;
        return DataDocument(row);
    }, kNothingToShow);
}

int PlatformService::WsUpdateCorHits(_ns1__WsUpdateCorHits *request, _ns1__WsUpdateCorHitsResponse *response)
{
    return AnswerSignedIn(response->WsUpdateCorHitsResult, request->id, request->code, [&](const Caller &caller) -> std::string {
        auto corpusId = ParseNumber(request->corId);
        if (!corpusId)
            return "4";
        // A repeated like is answered like the first: it stands, counted once.
        return Store().AddCorpusHit(caller.userId, *corpusId) ? "1" : "0";
    }, kNotDone);
}

int PlatformService::WsUpdateKeyHits(_ns1__WsUpdateKeyHits *request, _ns1__WsUpdateKeyHitsResponse *response)
{
    return AnswerSignedIn(response->WsUpdateKeyHitsResult, request->id, request->code, [&](const Caller &) -> std::string {
        auto keywordId = ParseNumber(request->keyId);
        if (!keywordId)
            return "4";
        return Store().AddKeywordHit(*keywordId) ? "1" : "0";
    }, kNotDone);
}

int PlatformService::WsRecentScore(_ns1__WsRecentScore *request, _ns1__WsRecentScoreResponse *response)
{
    return AnswerSignedIn(response->WsRecentScoreResult, request->id, request->code, [&](const Caller &caller) -> std::string {
        if (!RequestTextIsIntact() || !IsValidScore(request->compScore))
            return "0";
        return Store().AddScore(caller.userId, request->compScore, kScoresPerHour) ? "1" : "0";
    }, kNotDone);
}

int PlatformService::WsUserIdea(_ns1__WsUserIdea *request, _ns1__WsUserIdeaResponse *response)
{
    // The feedback fields hold at most 800 characters; leave room, refuse floods.
    constexpr std::size_t kMaxIdeaChars = 2000;
    return AnswerSignedIn(response->WsUserIdeaResult, request->id, request->code, [&](const Caller &caller) -> std::string {
        std::string content = Element(request->content);
        if (!RequestTextIsIntact() || !IsStorableText(content) || TrimText(content).empty() ||
            CountChars(content) > kMaxIdeaChars)
            return "0";
        return Store().AddIdea(caller.userId, content, kIdeasPerHour) ? "1" : "0";
    }, kNotDone);
}
