// The reference service's database: one connection, lent to one call at a time (StorePool), to
// a SQLite file (WAL mode) or a PostgreSQL server (SqlConnection.h), every statement prepared
// with bound parameters. All text in and out is UTF-8.
//
// One class, its definitions in one file per table group:
//   PlatformStore.cpp            opening, schema version (PlatformSchema.cpp), settings
//   PlatformStoreStatements.cpp  WriteTransaction, NowText (shared by every group)
//   PlatformStoreAccounts.cpp    users and sign-ins
//   PlatformStoreCorpus.cpp      main-page texts, keywords, excerpts
//   PlatformStoreLibrary.cpp     compositions
//   PlatformStoreContest.cpp     activities, topics, entries
//   PlatformStoreMessages.cpp    poll messages, scores and ideas with their hourly quotas, shares
//   PlatformStoreQuotas.cpp      the library's quota per user, the write-ahead log's bound
//   PlatformStoreGuard.cpp       what every process must share against guessing and floods:
//                                verification codes, failure counts, rate limits, session use
#pragma once

#include "SignInGuard.h"
#include "SqlConnection.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct UserRow
{
    std::int64_t id = 0;
    std::string name, passwordHash, userNo, trueName, school, phone, email, status, userType;
    bool disabled = false;
    bool registered = true;
};

struct StoredSession
{
    std::string digest;
    std::int64_t userId = 0;
    std::string deviceCode;
    bool current = false;        // the user's newest session, not displaced since
    std::int64_t lastUsedUtc = 0; // as last written: a session's use is written at most about once a minute
    bool lapsed = false;         // lapsed until a re-sign-in, whatever the idle time
};

struct MainPageRow
{
    std::int64_t id = 0;
    std::string name, className, type, content;
};

struct CorpusBriefRow
{
    std::int64_t id = 0;
    std::string brief;
};

struct CorpusDetailRow
{
    std::string content, title, source, author;
};

struct CompositionRow
{
    std::int64_t id = 0;
    std::string title, content, createTime;
};

struct ActivityRow
{
    std::int64_t id = 0;
    std::string theme, urlPath, status, isMeg;
    int round = 1;                 // 1 preliminary, 2 second round
    std::string title, desc;       // preliminary round texts
    std::string times, supinfo;    // second round: writing minutes, supplementary text
    std::string deadline;          // "YYYY-MM-DD HH:MM:SS", local time
    std::string finalists;         // second round: comma list of account names; empty = everyone
    std::string page;              // the information page's body text
};

struct TopicRow
{
    std::int64_t mid = 0;
    std::string title, desc, writer, type;
};

struct MessageRow
{
    std::string content, url;
};

struct ShareRow
{
    std::string webid, url, title, summary, arrived;
};

// Current local time as "YYYY-MM-DD HH:MM:SS"; secondsAgo earlier when given.
std::string NowText(long secondsAgo = 0);
// Seconds since 1970 in UTC: what limits over time compare, the same in every zone and season.
std::int64_t UtcSeconds();
// Milliseconds since 1970 in UTC (PlatformStoreGuard.cpp).
std::int64_t UtcMilliseconds();

class PlatformStore
{
public:
    // Opens the database a --db value names (a SQLite file, created when missing, or a
    // "postgresql://" URI) and brings its schema up to date (PlatformSchema.h). A SQLite file
    // and its -wal and -shm companions are readable by the owner only, whatever the umask.
    explicit PlatformStore(const std::string &target);
    ~PlatformStore();
    PlatformStore(const PlatformStore &) = delete;
    PlatformStore &operator=(const PlatformStore &) = delete;

    // ---- the database (PlatformStore.cpp) ----
    SqlConnection &Handle() const { return *m_db; }
    SqlEngine Engine() const { return m_db->Engine(); }
    // Runs statements without results (schema, transactions).
    void Exec(const std::string &sql);
    bool IsSeeded();

    std::string Setting(const std::string &key);
    void SetSetting(const std::string &key, const std::string &value);

    // ---- accounts and sign-ins (PlatformStoreAccounts.cpp) ----
    std::optional<UserRow> UserByName(const std::string &name);
    std::optional<UserRow> UserById(std::int64_t id);
    std::optional<UserRow> UserByNo(const std::string &userNo);
    bool SetUserDisabled(std::int64_t id, bool disabled);
    // A new signed-up account; its user number is 20000 + its id. Returns 0 when the name is taken.
    // The password is stored as a hash (PasswordHash.h), computed before the write lock is taken.
    std::int64_t AddUser(const std::string &name, const std::string &passwordDigest, const std::string &trueName);
    void SetPasswordHash(std::int64_t id, const std::string &hash);
    // Databases written before passwords were hashed keep the bare digest: hashes every such
    // account once. Returns how many were upgraded.
    int UpgradePasswordHashes();

    // Sessions shared by every process on the database and kept across restarts: the digest of
    // each session number (SessionTable::Digest), its user and device code; the user's newest
    // keep are kept, and the newest is the current one.
    void RecordSession(std::int64_t userId, const std::string &digest, const std::string &deviceCode, std::int64_t keep);
    std::optional<StoredSession> SessionByDigest(const std::string &digest);
    std::optional<StoredSession> CurrentSession(std::int64_t userId);
    // The account's sign-in count (SignInGuard::SharedAccounts): read, changed and written back
    // in one transaction that holds the account's other changes back; a count back to nothing
    // is removed.
    void UpdateSignInCount(std::int64_t userId, const std::function<void(AccountCount &)> &change);
    // Every session of the user ends (a changed password).
    void EndSessions(std::int64_t userId);

    // ---- shared guards (PlatformStoreGuard.cpp) ----
    // Every row here has a time, and rows past it are swept as new ones come, so each table stays
    // bounded by what arrives within the longest time kept.

    // Verification codes (VerifyCodes.h holds the rules; times in UTC milliseconds). Keeping a
    // new one drops the device's codes beyond the newest keptPerAddress from this address and the
    // newest keptPerDevice in all, and codes older than lifetimeMs.
    void KeepVerifyCode(const std::string &deviceCode, const std::string &address, const std::string &code,
                        std::int64_t nowMs, std::int64_t lifetimeMs, std::int64_t keptPerAddress,
                        std::int64_t keptPerDevice);
    // Removes one live code of the device equal to typedUpper (codes compared in upper case);
    // true when there was one. Of two processes using the same code, one gets true.
    bool TakeVerifyCode(const std::string &deviceCode, const std::string &typedUpper, std::int64_t nowMs,
                        std::int64_t lifetimeMs);
    std::string NewestVerifyCode(const std::string &deviceCode, std::int64_t nowMs, std::int64_t lifetimeMs);

    // Failure counts by subject (FailureCounts, times in UTC seconds).
    int RecentFailures(const std::string &subject, std::int64_t since);
    int AddFailure(const std::string &subject, std::int64_t now, std::int64_t since);

    // One action of the subject under a limit of burst actions at once and then one every
    // intervalMs, in one statement: true (and counted) when allowed. The row keeps the moment
    // the subject's allowance is whole again; rows past theirs hold nothing and are swept.
    bool TakeRateAllowance(const std::string &subject, std::int64_t nowMs, std::int64_t intervalMs, std::int64_t burst);

    // A session's use at nowUtc (never moved back). Callers write it only when the stored one is
    // a while old (SessionTable::ShouldTouch): not a write on every call.
    void TouchSession(const std::string &digest, std::int64_t nowUtc);
    void MarkSessionLapsed(const std::string &digest);
    // A re-sign-in on the device of the user's current session: active again and used now.
    // False when the user's current session is on another device (or there is none).
    bool RenewSession(std::int64_t userId, const std::string &deviceCode, std::int64_t nowUtc);
    // Test switches on the user's current session; false when there is none.
    bool LapseCurrentSession(std::int64_t userId);
    bool DisplaceCurrentSession(std::int64_t userId);

    // ---- reading material (PlatformStoreCorpus.cpp) ----
    std::vector<MainPageRow> MainPageItems();
    std::int64_t MaxKeywordId();
    std::vector<std::pair<std::int64_t, std::string>> KeywordsAbove(std::int64_t id);
    // The same rows handed one by one, without copying them (the text lives until the next row).
    void ForEachKeywordAbove(std::int64_t id, const std::function<void(std::int64_t, std::string_view)> &row);
    bool KeywordExists(std::int64_t id);
    bool AddKeywordHit(std::int64_t id);

    std::vector<CorpusBriefRow> CorpusBriefs(std::int64_t keywordId);
    std::optional<CorpusDetailRow> CorpusDetail(std::int64_t corpusId);
    // A user's like of an excerpt: counted once per user, whatever number of times it is sent.
    // False when there is no such excerpt.
    bool AddCorpusHit(std::int64_t userId, std::int64_t corpusId);

    // ---- the library (PlatformStoreLibrary.cpp) ----
    std::int64_t InsertComposition(std::int64_t userId, const std::string &title,
                                   const std::string &content, std::int64_t fromType,
                                   std::int64_t fromId);
    // A new essay from the library's save, in its own transaction: an identical one stored in the
    // last minute (a save whose answer was lost, sent again) is answered with that essay's id.
    std::int64_t SaveNewComposition(std::int64_t userId, const std::string &title,
                                    const std::string &content, std::int64_t fromType,
                                    std::int64_t fromId);
    bool UpdateComposition(std::int64_t userId, std::int64_t compId, const std::string &title,
                           const std::string &content);
    // The newest essay of the user with this title, text and origin stored in the last
    // kIdenticalSaveWindowSeconds, if any.
    static constexpr long kIdenticalSaveWindowSeconds = 60;
    std::optional<std::int64_t> RecentIdenticalComposition(std::int64_t userId, const std::string &title,
                                                           const std::string &content, std::int64_t fromType,
                                                           std::int64_t fromId);
    // Newest first unless oldestFirst; titleFilter empty = all, else titles containing it.
    std::vector<CompositionRow> ListCompositions(std::int64_t userId, const std::string &titleFilter,
                                                 bool oldestFirst, std::int64_t limit,
                                                 std::int64_t offset);
    std::optional<CompositionRow> Composition(std::int64_t userId, std::int64_t compId);
    // All or nothing: deletes every id only when each one is the user's.
    bool DeleteCompositions(std::int64_t userId, const std::vector<std::int64_t> &ids);
    std::int64_t CountCompositions(std::int64_t userId);

    // ---- what one user may keep, and the journal's bound (PlatformStoreQuotas.cpp) ----
    struct EssayQuota
    {
        std::int64_t maxEssays = 1000;
        std::int64_t maxBytes = 10 << 20; // titles and bodies, as stored (UTF-8)
    };
    // As SaveNewComposition, but 0 when a new essay would take the user's library past the quota
    // (checked in the same transaction as the insert, so concurrent saves cannot pass it).
    // admit, when given, runs first in the save's transaction (after a resent save is recognised):
    // false refuses the save as the quota does. A limit counted in the database costs no write
    // transaction of its own that way.
    std::int64_t SaveNewCompositionWithin(std::int64_t userId, const std::string &title, const std::string &content,
                                          std::int64_t fromType, std::int64_t fromId, const EssayQuota &quota,
                                          const std::function<bool()> &admit = {});
    // As UpdateComposition, but false also when the changed essay would take the library past
    // the quota's size.
    bool UpdateCompositionWithin(std::int64_t userId, std::int64_t compId, const std::string &title,
                                 const std::string &content, const EssayQuota &quota,
                                 const std::function<bool()> &admit = {});
    // Checkpoints the write-ahead log every kJournalCheckpointPages pages and cuts the file back
    // to kJournalBytes after each, so a burst of writes does not leave a large log behind.
    static constexpr int kJournalCheckpointPages = 1000;
    static constexpr std::int64_t kJournalBytes = 4 << 20;
    void LimitJournal();

    // ---- contests (PlatformStoreContest.cpp) ----
    std::vector<ActivityRow> Activities();
    std::optional<ActivityRow> Activity(std::int64_t id);
    std::vector<TopicRow> Topics(std::int64_t activityId);
    bool SetActivityDeadline(std::int64_t id, const std::string &deadline);
    bool HasEntry(std::int64_t userId, std::int64_t activityId, int round);
    // Stores the entry and its library copy in one transaction; returns the library id, or 0
    // when an entry for that round already exists.
    std::int64_t SubmitEntry(std::int64_t userId, std::int64_t activityId, int round,
                             std::int64_t matchId, const std::string &title,
                             const std::string &content);

    // ---- messages and quotas (PlatformStoreMessages.cpp) ----
    void QueueMessage(std::int64_t userId, const std::string &content, const std::string &url);
    // The user's oldest undelivered message, now marked delivered; the rest wait for later polls.
    std::optional<MessageRow> TakeOldestMessage(std::int64_t userId);

    // Each stores the row unless the user already has perHour of them from the last hour; false
    // when the limit refused it.
    bool AddScore(std::int64_t userId, const std::string &score, std::int64_t perHour);
    bool AddIdea(std::int64_t userId, const std::string &content, std::int64_t perHour);
    std::int64_t CountIdeas(std::int64_t userId);
    std::int64_t CountScores(std::int64_t userId);
    // Stores a share and drops the oldest beyond the newest keep.
    void AddShare(const ShareRow &share, std::int64_t keep);
    std::vector<ShareRow> Shares();

private:
    // Inside a write transaction: holds the user's other writes back until it ends, where
    // counting then inserting must not let two requests both pass (SQLite's write lock already
    // serialises every writer).
    void LockUser(std::int64_t userId);
    // Rows of the user in table (ideas or scores) created since the given UTC second.
    std::int64_t CountSince(const char *table, std::int64_t userId, std::int64_t sinceUtc);
    // Deletes rows of table whose column is below before, at most once every sweepEvery of the
    // same units per process and table: cheap through the column's index, and not on every call.
    void Sweep(const char *table, const char *column, std::int64_t before, std::int64_t now, std::int64_t sweepEvery);

    std::unique_ptr<SqlConnection> m_db;
};

// The failure counts of SignInGuard kept in the database.
class StoredFailureCounts final : public FailureCounts
{
public:
    // store gives the connection of the request being served (a worker borrows one per request).
    explicit StoredFailureCounts(std::function<PlatformStore &()> store) : m_store(std::move(store)) {}
    int Recent(const std::string &subject, std::int64_t since) override { return m_store().RecentFailures(subject, since); }
    int Add(const std::string &subject, std::int64_t now, std::int64_t since) override
    {
        return m_store().AddFailure(subject, now, since);
    }

private:
    std::function<PlatformStore &()> m_store;
};

// A write transaction (SqlConnection::Begin), rolled back when destroyed uncommitted.
class WriteTransaction
{
public:
    explicit WriteTransaction(PlatformStore &store);
    ~WriteTransaction();
    void Commit();

private:
    PlatformStore &m_store;
    bool m_done = false;
};
