// Debounced writing of one screen's journal entry.
#include "JournalWriter.h"

#include "AtomicFile.h"

#include <algorithm>
#include <cerrno>

JournalWriter::JournalWriter(const EssayJournal &journal, std::string entryId, std::function<JournalEntry()> snapshot)
    : m_journal(journal), m_entryId(std::move(entryId)), m_snapshot(std::move(snapshot))
{
}

JournalWriter::~JournalWriter()
{
    Flush();
    ReleaseLock();
}

void JournalWriter::Touch(Clock::time_point now)
{
    ++m_editCount;
    if (!m_dirty)
        m_firstUnwritten = now;
    m_dirty = true;
    m_lastEdit = now;
}

std::optional<JournalWriter::Clock::time_point> JournalWriter::NextDue() const
{
    if (!m_dirty)
        return std::nullopt;
    const Clock::time_point due = std::min(m_lastEdit + kQuietDelay, m_firstUnwritten + kMaxDelay);
    return m_retryAt ? std::max(due, *m_retryAt) : due;
}

bool JournalWriter::FlushIfDue(Clock::time_point now)
{
    const auto due = NextDue();
    if (!due || now < *due)
        return false;
    return WriteNow(now);
}

bool JournalWriter::Flush()
{
    return !m_dirty || WriteNow(Clock::now());
}

bool JournalWriter::WriteNow(Clock::time_point now)
{
    // The lock comes first, so another running program never takes this entry for a left one.
    if (!m_lock) {
        if (const int error = EnsurePrivateFolder(m_journal.Folder())) {
            m_lastError = error;
            m_retryAt = now + kMaxDelay;
            return false;
        }
        m_lock = std::make_unique<HeldFileLock>(m_journal.LockPath(m_entryId));
    }
    m_lastError = m_journal.Write(m_entryId, m_snapshot());
    if (m_lastError != 0) {
        m_retryAt = now + kMaxDelay;
        return false;
    }
    m_dirty = false;
    m_retryAt.reset();
    return true;
}

bool JournalWriter::RetireIfUnchangedSince(std::uint64_t editCount)
{
    if (editCount != m_editCount)
        return false;
    Retire();
    return true;
}

void JournalWriter::Retire()
{
    m_dirty = false;
    m_retryAt.reset();
    m_journal.Retire(m_entryId);
    ReleaseLock();
}

void JournalWriter::ReleaseLock()
{
    if (!m_lock)
        return;
    // Removed while still held, so no other program can see the entry unlocked in between.
    RemoveFileDurably(m_journal.LockPath(m_entryId));
    m_lock.reset();
}
