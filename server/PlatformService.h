// One worker's service object: the generated skeleton with every operation answered from a
// database connection borrowed for the call and the sessions shared by all workers. Also serves the
// HTTP GET side (web pages, sharing gateway, test controls) through WebPages.
#pragma once

#include "PlatformStore.h"
#include "RateLimiter.h"
#include "RawRequest.h"
#include "SessionTable.h"
#include "SignInBudget.h"
#include "SignInGuard.h"
#include "StorePool.h"
#include "TrustedProxies.h"
#include "VerifyCodes.h"
#include "soapOstrelServiceSoapService.h"

#include <functional>
#include <memory>
#include <string>
#include <utility>

// What every worker shares.
struct ServiceShared
{
    std::string baseAddress; // "http://127.0.0.1:PORT/", the listening address
    // When set ("https://example.org/"), the address handed to clients instead of the one each
    // request reached.
    std::string publicUrl;
    // Whether the /test/ controls exist at all (started with --test-controls).
    bool testControls = false;
    // The idle time-out and the re-sign-in switch; the sessions are in the database.
    SessionTable sessions{std::chrono::seconds(1800)};
    // The accounts', devices' and addresses' counts are in the database (passed in per call).
    SignInGuard signInGuard;
    // What sign-in attempts may cost before their password is looked at. Held answers are this
    // process's own connections, so their shares stay per process.
    HeldAnswers heldAnswers;
    // How many slowed answers wait to be sent (set by the server once it listens).
    std::function<std::size_t()> heldReplies = [] { return std::size_t(0); };
    // Connections whose request is still arriving, and whose answer is being written (set by the
    // server once it listens).
    std::function<std::pair<std::size_t, std::size_t>()> connectionCounts = [] { return std::pair<std::size_t, std::size_t>(); };
    // The sharing gateway takes 30 shares at once from one address, then one every 2 s. Both
    // limits are counted in the database (PlatformService::WithinLimit).
    RateLimiter shareLimit{30, std::chrono::milliseconds(2000)};
    // What one user may keep in the library, and how many saves a minute they may make (set by
    // the server from its options).
    PlatformStore::EssayQuota essayQuota;
    std::unique_ptr<RateLimiter> saveLimit = std::make_unique<RateLimiter>(60, std::chrono::milliseconds(1000));
};

// Limits on what one user or the public may store.
constexpr std::int64_t kIdeasPerHour = 20;
constexpr std::int64_t kScoresPerHour = 60;
constexpr std::int64_t kSharesKept = 1000;

class PlatformService : public OstrelServiceSoapService
{
public:
    // Serves on the given context (not owned), borrowing a database connection from the pool
    // (shared with the other workers) for each request that needs one.
    PlatformService(struct soap *context, ServiceShared &shared, StorePool &pool);
    // The same with a pool of its own holding one connection to the database.
    PlatformService(struct soap *context, ServiceShared &shared, const std::string &databasePath);

    // The database connection of the request being served: borrowed from the pool on first use
    // and kept until GiveBackStore (ServeRequest gives it back at its end). Throws StoreError
    // when none comes free in time.
    PlatformStore &Store();
    void GiveBackStore();
    // The verification codes, kept in the database.
    VerifyCodes Codes() { return VerifyCodes(Store()); }
    // Where the sign-in guard's device and address counts are kept: the database.
    FailureCounts *GuardCounts() { return &m_failureCounts; }
    // One action of the subject under the limit, counted in the database across processes.
    bool WithinLimit(const RateLimiter &limit, const std::string &subject);
    ServiceShared &Shared() { return m_shared; }

    // The address this request reached, as the base of the addresses handed back: the public
    // address when configured, else what a trusted proxy reports the client reached, else the
    // request's Host header when it is a host and port, else the socket's local address. Ends
    // with "/".
    std::string RequestBase() const;
    // The client's address as text, the key of per-address limits: the peer's, or the client a
    // trusted proxy forwards for.
    std::string Peer() const;
    // The request being served, as it arrived (header and body).
    const std::string &RawRequestText() const { return *m_rawRequest; }
    // Who sent the request being served, once trusted proxies are accounted for.
    const ClientOrigin &Origin() const { return m_origin; }
    // Checks a password digest for the user through the guard against guessing: "" when right,
    // "0" when the account is locked (the password is not looked at), "-6" when wrong or the user
    // unknown. Sets the delay before this request's answer.
    std::string GuardedPasswordCheck(const std::optional<UserRow> &user, const std::string &digest, const std::string &device,
                                     bool withVerifyCode);
    // Ends every session of the user (a changed password).
    void EndSessions(std::int64_t userId);

    // Serves one whole request, as it arrived (header and body), on the worker's context (no
    // keep-alive): an operation, a GET page, or a fault for anything that is not a well-formed
    // request of this service. The request must outlive the call; origin says who sent it (an
    // empty address: the socket's peer).
    void ServeRequest(const std::string &rawRequest, const ClientOrigin &origin = {});
    // How long the answer to the request just served is to be held back (zero: send at once).
    std::chrono::milliseconds ReplyDelay() const { return m_replyDelay; }
    // The request just served is over its budget: the connection is closed unanswered.
    bool AnswerDropped() const { return m_dropAnswer; }

    // What the request just served was, for the metrics and the request log. Built from what the
    // service decided, never from the request's text.
    struct RequestRecord
    {
        std::string operation;          // the SOAP operation's name; empty for anything else
        std::string answerCode;         // the operation's answer when it is a status code ("1", "-6", "true")
        std::optional<std::string> user; // the number of the user the call named or signed in
        bool databaseFailed = false;    // the operation failed on the database
    };
    const RequestRecord &LastRequest() const { return m_record; }

    // Only the two service paths answer SOAP requests.
    int dispatch() override;
    // The generated initialiser installs the generated namespace table, which knows only one
    // ns1 URI; this service keeps its own table (set once at construction) and only sets modes.
    void OstrelServiceSoapService_init(soap_mode imode, soap_mode omode) override;
    using OstrelServiceSoapService::dispatch;

    int WsLogin(_ns1__WsLogin *request, _ns1__WsLoginResponse *response) override;
    int WsAutoLogin(_ns1__WsAutoLogin *request, _ns1__WsAutoLoginResponse *response) override;
    int WsReLogin(_ns1__WsReLogin *request, _ns1__WsReLoginResponse *response) override;
    int WsCreateVerifyImage(_ns1__WsCreateVerifyImage *request, _ns1__WsCreateVerifyImageResponse *response) override;
    int WsUserInfo(_ns1__WsUserInfo *request, _ns1__WsUserInfoResponse *response) override;
    int WsServerPoll(_ns1__WsServerPoll *request, _ns1__WsServerPollResponse *response) override;
    int WsOverallInfo(_ns1__WsOverallInfo *request, _ns1__WsOverallInfoResponse *response) override;
    int WsMainInfo(_ns1__WsMainInfo *request, _ns1__WsMainInfoResponse *response) override;
    int WsKeyword(_ns1__WsKeyword *request, _ns1__WsKeywordResponse *response) override;
    int WsCorpusBriefByKwId(_ns1__WsCorpusBriefByKwId *request, _ns1__WsCorpusBriefByKwIdResponse *response) override;
    int WsCorpusInfoById(_ns1__WsCorpusInfoById *request, _ns1__WsCorpusInfoByIdResponse *response) override;
    int WsUpdateCorHits(_ns1__WsUpdateCorHits *request, _ns1__WsUpdateCorHitsResponse *response) override;
    int WsUpdateKeyHits(_ns1__WsUpdateKeyHits *request, _ns1__WsUpdateKeyHitsResponse *response) override;
    int WsCompSaveOrEdit(_ns1__WsCompSaveOrEdit *request, _ns1__WsCompSaveOrEditResponse *response) override;
    int WsUserComp(_ns1__WsUserComp *request, _ns1__WsUserCompResponse *response) override;
    int WsCompInfo(_ns1__WsCompInfo *request, _ns1__WsCompInfoResponse *response) override;
    int WsDeleteComp(_ns1__WsDeleteComp *request, _ns1__WsDeleteCompResponse *response) override;
    int WsCompMatch(_ns1__WsCompMatch *request, _ns1__WsCompMatchResponse *response) override;
    int WsRecentScore(_ns1__WsRecentScore *request, _ns1__WsRecentScoreResponse *response) override;
    int WsActivity(_ns1__WsActivity *request, _ns1__WsActivityResponse *response) override;
    int WsActivityInfo(_ns1__WsActivityInfo *request, _ns1__WsActivityInfoResponse *response) override;
    int WsUserIdea(_ns1__WsUserIdea *request, _ns1__WsUserIdeaResponse *response) override;

private:
    // The identity of a signed-in call: a status code to answer at once, or the user.
    struct Caller
    {
        std::string status; // "2", "3", "4" or empty when the call may proceed
        std::int64_t userId = 0;
        std::string name;
    };
    // The session of the call's number and device code; a call that matches none counts as a
    // guess (delayed like a wrong password).
    Caller SignedIn(const char *id, const char *code);
    // The session as the database has it (shared by every process), judged by this process's
    // idle time-out; an active call's use is written back now and then.
    SessionTable::Verdict SharedSession(const std::string &number, const std::string &device);
    // The account name of a sign-in: the element's bytes as sent, read as UTF-8 when they are
    // UTF-8 and as GBK otherwise (the designed client sends the GBK bytes as they are).
    std::string SignInName(const char *parsed) const;
    // The answer of a sign-in: a status code, or the user.
    std::string CheckCredentials(const char *name, const char *digest, const std::string &device, bool withVerifyCode,
                                 std::int64_t *userId);
    std::string SignInDocument(std::int64_t userId, const std::string &sessionNumber);
    // Checks the name and password digest and, when they pass, opens the user's session for the
    // device: the sign-in document, or the refusal's status code.
    std::string StartSession(const std::string &device, const char *name, const char *passwordDigest, bool withVerifyCode);
    // A new session of the user on the device: its number.
    std::string OpenSession(std::int64_t userId, const std::string &device);
    // Whether the request's text arrived as the sender wrote it: the body is UTF-8 and holds no
    // NUL (the XML runtime would have changed the one and cut at the other).
    bool RequestTextIsIntact() const;
    // Absolute address of a site path ("/help.aspx" -> base + "help.aspx").
    std::string SiteAddress(const std::string &path) const;

    std::string SaveOrEdit(const _ns1__WsCompSaveOrEdit &request);
    std::string UserComp(const _ns1__WsUserComp &request);
    std::string CompMatch(const _ns1__WsCompMatch &request);
    std::string ActivityInfo(const _ns1__WsActivityInfo &request);

    void Dispatch();

    // Runs one operation's logic and stores its answer. When it fails (the database gone, a
    // statement or commit refused) the answer is the operation's own failure code, which the
    // client shows as a failed call: "0" for a write or sign-in, "false" for a deletion, an
    // empty result (nothing to show) for a read. Never an acknowledgement: whatever was not
    // committed was not stored.
    int Answer(char *&result, const std::function<std::string()> &operation, const char *failure);
    // The same for an operation of a signed-in user: a refused session answers its status.
    int AnswerSignedIn(char *&result, const char *id, const char *code, const std::function<std::string(const Caller &)> &operation,
                       const char *failure);
    // The failure answers above.
    static constexpr const char *kNotDone = "0";
    static constexpr const char *kNotDeleted = "false";
    static constexpr const char *kNothingToShow = "";

    ServiceShared &m_shared;
    std::unique_ptr<StorePool> m_ownPool; // only when made with a database path
    StorePool &m_pool;
    PlatformStore *m_borrowed = nullptr; // the request's connection, while it holds one
    RequestRecord m_record;               // of the request being served
    StoredFailureCounts m_failureCounts{[this]() -> PlatformStore & { return Store(); }};
    // The request being served, as the sender's bytes (empty between requests).
    const std::string *m_rawRequest = &m_noRequest;
    std::string m_noRequest;
    ClientOrigin m_origin; // of the request being served
    std::chrono::milliseconds m_replyDelay{0};
    bool m_dropAnswer = false;
    std::string m_answer; // the result text of the operation being answered
};

// The namespace table of the service, the runtime's global one (service/RuntimeNamespaces.cpp):
// SOAP 1.2 out, 1.1 accepted in, any ns1 URI accepted.
extern struct Namespace namespaces[];
