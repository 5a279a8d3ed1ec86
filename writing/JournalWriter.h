// One writing screen's journal entry, kept on disk while the student types: the screen calls
// Touch on every edit and FlushIfDue from a timer set to NextDue, so each edit reaches the disk
// within kMaxDelay of being made, but typing costs one write a second at most.
//
// Order of calls for a screen:
//   open the screen            -> JournalWriter(journal, journal.NewEntryId() or a left entry's id, snapshot)
//   every edit                 -> Touch(now); arm the timer for NextDue()
//   timer                      -> FlushIfDue(now); re-arm for NextDue() when it has one
//   save or submission begins  -> count = EditCount()
//   ... and succeeds           -> RetireIfUnchangedSince(count)
//   back or close confirmed    -> Retire()
//   screen destroyed otherwise -> the destructor writes what is unwritten and leaves the entry
// The destructor calls snapshot, so the writer must go before anything snapshot reads (the
// screen resets it first thing in its own destructor, or declares it as its last member).
#pragma once

#include "EssayJournal.h"
#include "AtomicFile.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class JournalWriter
{
public:
    using Clock = std::chrono::steady_clock;
    // Written once the typing has paused this long...
    static constexpr Clock::duration kQuietDelay = std::chrono::milliseconds(300);
    // ... and never later than this after the first unwritten edit. Also the retry period after
    // a failed write.
    static constexpr Clock::duration kMaxDelay = std::chrono::milliseconds(1000);

    // snapshot gives the screen's essay as it is at the moment of writing (user, kind, title,
    // body, id, contest data, clock). An entry is only written after an edit.
    JournalWriter(const EssayJournal &journal, std::string entryId, std::function<JournalEntry()> snapshot);
    ~JournalWriter();
    JournalWriter(const JournalWriter &) = delete;
    JournalWriter &operator=(const JournalWriter &) = delete;

    const std::string &EntryId() const { return m_entryId; }

    void Touch(Clock::time_point now);
    // When the next write is due; nothing when everything is written.
    std::optional<Clock::time_point> NextDue() const;
    // Writes the entry when it is due. True when it was written.
    bool FlushIfDue(Clock::time_point now);
    // Writes at once whatever is unwritten. True when nothing is left unwritten.
    bool Flush();

    // Edits so far; a save remembers it when it starts.
    std::uint64_t EditCount() const { return m_editCount; }
    // The essay reached the library (or the contest) as it was at editCount: the entry goes,
    // unless the student edited after that, in which case it stays and is written as usual.
    // True when retired.
    bool RetireIfUnchangedSince(std::uint64_t editCount);
    // The student chose to drop the essay: the entry goes, and any pending write with it.
    void Retire();

    // errno of the last failed write, 0 after a good one.
    int LastError() const { return m_lastError; }

private:
    bool WriteNow(Clock::time_point now);
    void ReleaseLock();

    const EssayJournal &m_journal;
    std::string m_entryId;
    std::function<JournalEntry()> m_snapshot;
    std::unique_ptr<HeldFileLock> m_lock;
    std::uint64_t m_editCount = 0;
    bool m_dirty = false;
    Clock::time_point m_firstUnwritten{};
    Clock::time_point m_lastEdit{};
    std::optional<Clock::time_point> m_retryAt;
    int m_lastError = 0;
};
