// The store's shared helpers: write transactions, per-user write locks, the rows' time text.
#include "PlatformStore.h"

#include <ctime>

std::string NowText(long secondsAgo)
{
    std::time_t now = std::time(nullptr) - secondsAgo;
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

std::int64_t UtcSeconds()
{
    return static_cast<std::int64_t>(std::time(nullptr));
}

// ---- WriteTransaction ----

WriteTransaction::WriteTransaction(PlatformStore &store) : m_store(store)
{
    m_store.Handle().Begin();
}

WriteTransaction::~WriteTransaction()
{
    if (!m_done)
        m_store.Handle().Rollback();
}

void WriteTransaction::Commit()
{
    m_store.Handle().Commit();
    m_done = true;
}

// ---- locks ----

void PlatformStore::LockUser(std::int64_t userId)
{
    if (Engine() != SqlEngine::PostgreSQL)
        return;
    // Released by the transaction's end, whichever way it ends. The first key keeps these apart
    // from the schema upgrade's lock.
    SqlStatement s(*m_db, "SELECT pg_advisory_xact_lock(1, CAST(? AS INTEGER))");
    s.Bind(1, userId).Step();
}
