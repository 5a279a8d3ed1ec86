// The server engine: one PostgreSQL connection (libpq) with its statements prepared once per
// connection, reconnecting after the server went away.
#include "SqlConnection.h"

#include <libpq-fe.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

namespace {

// Parameter types as the server knows them (pg_type), so that "? = ''" and LIMIT ? need no casts.
constexpr Oid kInt8Oid = 20;
constexpr Oid kTextOid = 25;

// "?" placeholders become "$1", "$2"...; quoted text and names are left as they are.
std::string NumberedPlaceholders(const char *sql)
{
    std::string out;
    int next = 1;
    char quote = 0;
    for (const char *p = sql; *p; ++p) {
        if (quote) {
            if (*p == quote)
                quote = 0;
        } else if (*p == '\'' || *p == '"') {
            quote = *p;
        } else if (*p == '?') {
            out += '$' + std::to_string(next++);
            continue;
        }
        out += *p;
    }
    return out;
}

struct ResultFree
{
    void operator()(PGresult *result) const { PQclear(result); }
};
using Result = std::unique_ptr<PGresult, ResultFree>;

void IgnoreNotice(void *, const char *) {}

class PostgresConnection;

class PostgresCursor final : public SqlCursor
{
public:
    PostgresCursor(PostgresConnection &connection, const char *sql) : m_connection(connection), m_sql(NumberedPlaceholders(sql)) {}

    void BindText(int index, const std::string &text) override
    {
        // The server's text cannot hold NUL: refuse rather than store a cut text.
        if (text.find('\0') != std::string::npos)
            throw StoreError("text with a NUL character");
        Set(index, text, kTextOid);
    }
    void BindInt(int index, std::int64_t value) override { Set(index, std::to_string(value), kInt8Oid); }
    bool Step() override;
    void Reset() override
    {
        m_result.reset();
        m_values.clear();
        m_types.clear();
        m_row = -1;
    }
    std::string_view TextView(int column) const override
    {
        if (!m_result || m_row < 0 || m_row >= PQntuples(m_result.get()) || PQgetisnull(m_result.get(), m_row, column))
            return {};
        return std::string_view(PQgetvalue(m_result.get(), m_row, column),
                                static_cast<std::size_t>(PQgetlength(m_result.get(), m_row, column)));
    }
    std::int64_t Int(int column) const override
    {
        std::string text(TextView(column));
        return text.empty() ? 0 : std::strtoll(text.c_str(), nullptr, 10);
    }
    std::int64_t Changes() const override
    {
        const char *count = m_result ? PQcmdTuples(m_result.get()) : "";
        return *count ? std::strtoll(count, nullptr, 10) : 0;
    }

private:
    void Set(int index, std::string value, Oid type)
    {
        if (index < 1)
            throw StoreError("parameter index out of range");
        const auto slot = static_cast<std::size_t>(index - 1);
        if (m_values.size() <= slot) {
            m_values.resize(slot + 1);
            m_types.resize(slot + 1, kTextOid);
        }
        m_values[slot] = std::move(value);
        m_types[slot] = type;
    }

    PostgresConnection &m_connection;
    std::string m_sql;
    std::vector<std::string> m_values;
    std::vector<Oid> m_types;
    Result m_result;
    int m_row = -1;
};

class PostgresConnection final : public SqlConnection
{
public:
    explicit PostgresConnection(const std::string &uri)
    {
        // Later values win: a connect_timeout in the URI overrides the default here.
        const char *keys[] = {"connect_timeout", "client_encoding", "application_name", "dbname", nullptr};
        const char *values[] = {"5", "UTF8", "platform-service", uri.c_str(), nullptr};
        m_conn = PQconnectdbParams(keys, values, 1);
        if (!m_conn || PQstatus(m_conn) != CONNECTION_OK) {
            // The message names the server, never the URI (which may hold a password).
            std::string message = m_conn ? PQerrorMessage(m_conn) : "out of memory";
            PQfinish(m_conn);
            throw StoreError("cannot connect to the PostgreSQL database: " + message);
        }
        PQsetNoticeProcessor(m_conn, IgnoreNotice, nullptr);
    }
    ~PostgresConnection() override { PQfinish(m_conn); }

    SqlEngine Engine() const override { return SqlEngine::PostgreSQL; }

    void Exec(const std::string &sql) override
    {
        EnsureConnected();
        Result result(PQexec(m_conn, sql.c_str()));
        Check(result.get());
    }
    std::unique_ptr<SqlCursor> Prepare(const char *sql) override { return std::make_unique<PostgresCursor>(*this, sql); }

    void Begin() override
    {
        Exec("BEGIN");
        m_inTransaction = true;
    }
    void Commit() override
    {
        EnsureConnected();
        Result result(PQexec(m_conn, "COMMIT"));
        m_inTransaction = false;
        Check(result.get());
        if (std::strcmp(PQcmdStatus(result.get()), "COMMIT") != 0)
            throw StoreError("the transaction was rolled back");
    }
    void Rollback() noexcept override
    {
        if (m_inTransaction && !m_broken)
            PQclear(PQexec(m_conn, "ROLLBACK"));
        m_inTransaction = false;
    }

    // Runs a statement prepared once per connection (by its text and parameter types).
    Result Run(const std::string &sql, const std::vector<std::string> &values, const std::vector<Oid> &types)
    {
        EnsureConnected();
        std::string key = sql;
        for (Oid type : types)
            key += type == kInt8Oid ? "\x01i" : "\x01t";
        auto found = m_prepared.find(key);
        if (found == m_prepared.end()) {
            std::string name("p");
            name += std::to_string(m_prepared.size() + 1);
            Result prepared(PQprepare(m_conn, name.c_str(), sql.c_str(), static_cast<int>(types.size()), types.data()));
            Check(prepared.get());
            found = m_prepared.emplace(key, name).first;
        }
        std::vector<const char *> pointers;
        std::vector<int> lengths;
        for (const std::string &value : values) {
            pointers.push_back(value.c_str());
            lengths.push_back(static_cast<int>(value.size()));
        }
        Result result(PQexecPrepared(m_conn, found->second.c_str(), static_cast<int>(values.size()), pointers.data(),
                                     lengths.data(), nullptr, 0));
        Check(result.get());
        return result;
    }

private:
    // A connection that broke is opened again before the next statement, but never inside a
    // transaction: what that transaction wrote is gone, and the rest of it must fail too.
    void EnsureConnected()
    {
        if (!m_broken)
            return;
        if (m_inTransaction)
            throw StoreError("the database connection was lost during a transaction");
        PQreset(m_conn);
        if (PQstatus(m_conn) != CONNECTION_OK)
            throw StoreError(std::string("the database is unavailable: ") + PQerrorMessage(m_conn));
        PQsetNoticeProcessor(m_conn, IgnoreNotice, nullptr);
        m_prepared.clear(); // the new server session knows none of them
        m_broken = false;
    }

    void Check(PGresult *result)
    {
        const ExecStatusType status = result ? PQresultStatus(result) : PGRES_FATAL_ERROR;
        if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK)
            return;
        if (PQstatus(m_conn) != CONNECTION_OK)
            m_broken = true;
        std::string message = result ? PQresultErrorMessage(result) : "";
        if (message.empty())
            message = PQerrorMessage(m_conn);
        throw StoreError("PostgreSQL: " + message);
    }

    PGconn *m_conn = nullptr;
    bool m_broken = false;
    bool m_inTransaction = false;
    std::map<std::string, std::string> m_prepared;
};

bool PostgresCursor::Step()
{
    if (!m_result) {
        m_result = m_connection.Run(m_sql, m_values, m_types);
        m_row = 0;
    } else {
        ++m_row;
    }
    return m_row < PQntuples(m_result.get());
}

} // namespace

std::unique_ptr<SqlConnection> OpenPostgresConnection(const std::string &uri)
{
    return std::make_unique<PostgresConnection>(uri);
}
