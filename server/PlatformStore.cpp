// The reference service's database opened on its schema's current version; settings.
#include "PlatformStore.h"

#include "PlatformSchema.h"

PlatformStore::PlatformStore(const std::string &target) : m_db(SqlConnection::Open(target))
{
    if (m_db->Engine() == SqlEngine::SQLite)
        LimitJournal();
    BringSchemaUpToDate(*m_db);
}

PlatformStore::~PlatformStore() = default;

void PlatformStore::Exec(const std::string &sql)
{
    m_db->Exec(sql);
}

bool PlatformStore::IsSeeded()
{
    return !Setting("seeded").empty();
}

std::string PlatformStore::Setting(const std::string &key)
{
    SqlStatement s(*m_db, "SELECT value FROM settings WHERE key = ?");
    s.Bind(1, key);
    return s.Step() ? s.Text(0) : std::string();
}

void PlatformStore::SetSetting(const std::string &key, const std::string &value)
{
    SqlStatement s(*m_db, "INSERT INTO settings(key, value) VALUES(?, ?) "
                         "ON CONFLICT(key) DO UPDATE SET value = excluded.value");
    s.Bind(1, key).Bind(2, value).Step();
}
