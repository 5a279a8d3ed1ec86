// The essay journal: the latest text of every essay open in a writing screen, kept in the user's
// data folder until the essay is safely in the library (or the student drops it), so that a
// crash, a kill, a power cut or a forced sign-out never loses what was typed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class WritingScreenKind
{
    FreeWriting,
    PreliminaryRound,
    SecondRound,
};

// What a writing screen needs to be opened again as it was. Texts are GBK.
struct JournalEntry
{
    WritingScreenKind kind = WritingScreenKind::FreeWriting;
    std::string user;          // the signed-in account (SignedInAccount())
    std::string title;         // the title field's text
    std::string body;          // the editor's text, paragraph marks as bare CR
    std::string compositionId; // the library id; "" for an essay not saved yet
    // Contest rounds only.
    std::string activityId;
    std::string roundTitle;   // the round title (preliminary) or the chosen topic's title (second round)
    std::string topicId;      // second round: the chosen topic's "mid"
    std::string requirements; // the requirements panel's text
    std::int32_t writingMinutes = 0;
    std::int32_t clockSecondsLeft = -1; // second round: what the clock had left when written; -1 none
    std::int64_t savedAt = 0;           // when written, seconds since 1970 (UTC)

    bool operator==(const JournalEntry &) const = default;
};

// An entry left by an earlier run, with the id that names it in the journal.
struct LeftJournalEntry
{
    std::string id;
    JournalEntry entry;
};

// The journal folder: one file per open essay, "<id>.journal", written whole and atomically.
class EssayJournal
{
public:
    static constexpr int kFormatVersion = 1;
    // Larger files are not journal entries (an essay is at most 5000 characters).
    static constexpr std::uintmax_t kMaxFileSize = 1u << 20;

    // folder: where the entries live; it is created owner-only on the first write.
    explicit EssayJournal(std::string folder);

    // The program's own folder in the user's data folder ("~/.local/share/penlark"), or "" when the
    // user has no home folder.
    static std::string DefaultFolder();
    const std::string &Folder() const { return m_folder; }

    // A new entry id, unique in the folder ([0-9a-f-] only).
    std::string NewEntryId() const;

    // Writes the entry, savedAt set to now, replacing any earlier version of it atomically.
    // Returns 0, or the errno of the failure (an earlier version is then kept as it was).
    int Write(const std::string &id, JournalEntry entry) const;
    // Removes the entry (and the lock a crashed screen left for it). Returns 0 (also when it was
    // not there) or an errno.
    int Retire(const std::string &id) const;

    // The entries of user left by runs that ended without retiring them, oldest first. Entries
    // of other users and entries of screens open right now (in this or another running
    // program) are not listed. A damaged file, or one of another format version, is renamed to
    // "<id>.journal.damaged" (never deleted) and skipped.
    std::vector<LeftJournalEntry> LeftEntries(const std::string &user) const;

    // Paths of an entry and of the lock its writer holds while its screen is open.
    std::string EntryPath(const std::string &id) const;
    std::string LockPath(const std::string &id) const;

    // The file format, exposed for tests: the document for an entry, and the entry read back
    // (false for anything damaged, foreign or of another version).
    static std::string Serialize(const JournalEntry &entry);
    static bool Parse(const std::string &content, JournalEntry &entry);

private:
    void SetAside(const std::string &id) const;

    std::string m_folder;
};
