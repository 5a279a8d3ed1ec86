// Which engine a --db value names, and opening a connection to it.
#include "SqlConnection.h"

SqlEngine EngineOf(const std::string &target)
{
    return target.rfind("postgresql://", 0) == 0 || target.rfind("postgres://", 0) == 0 ? SqlEngine::PostgreSQL
                                                                                         : SqlEngine::SQLite;
}

std::unique_ptr<SqlConnection> SqlConnection::Open(const std::string &target)
{
    return EngineOf(target) == SqlEngine::PostgreSQL ? OpenPostgresConnection(target) : OpenSqliteConnection(target);
}
