// Test databases for the service on either engine (see TestDatabase.h).
#include "TestDatabase.h"

#include <libpq-fe.h>

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>

namespace {

// The URI with its database name replaced: "postgresql://user@/postgres?host=/x" -> ".../NAME?host=/x".
std::string WithDatabase(const std::string &uri, const std::string &name)
{
    const auto scheme = uri.find("://");
    const auto pathStart = uri.find('/', scheme == std::string::npos ? 0 : scheme + 3);
    if (scheme == std::string::npos || pathStart == std::string::npos)
        throw std::runtime_error("PLATFORM_TEST_PG is not a postgresql:// URI with a database");
    const auto query = uri.find('?', pathStart);
    return uri.substr(0, pathStart + 1) + name + (query == std::string::npos ? "" : uri.substr(query));
}

} // namespace

bool TestDatabase::OnPostgres()
{
    const char *engine = std::getenv("PLATFORM_TEST_ENGINE");
    return engine && std::string(engine) == "postgresql";
}

std::string TestDatabase::ClusterUri()
{
    const char *uri = std::getenv("PLATFORM_TEST_PG");
    if (!uri || !*uri) {
        std::fprintf(stderr, "SKIP: no PostgreSQL cluster for this test (run it under tests/support/with-postgres.sh)\n");
        std::exit(77);
    }
    return uri;
}

void TestDatabase::AdminExec(const std::string &sql)
{
    std::unique_ptr<PGconn, void (*)(PGconn *)> connection(PQconnectdb(ClusterUri().c_str()), PQfinish);
    if (PQstatus(connection.get()) != CONNECTION_OK)
        throw std::runtime_error(std::string("cannot reach the test cluster: ") + PQerrorMessage(connection.get()));
    std::unique_ptr<PGresult, void (*)(PGresult *)> result(PQexec(connection.get(), sql.c_str()), PQclear);
    const ExecStatusType status = PQresultStatus(result.get());
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        throw std::runtime_error(sql + ": " + PQresultErrorMessage(result.get()));
}

TestDatabase::TestDatabase(const std::string &folder, bool postgres)
{
    if (!postgres) {
        m_target = folder + "/platform.db";
        return;
    }
    static std::atomic<int> counter{0};
    m_name = "platform_test_" + std::to_string(getpid()) + "_" + std::to_string(++counter);
    const std::string uri = ClusterUri();
    AdminExec("CREATE DATABASE " + m_name + " TEMPLATE template0 ENCODING 'UTF8'");
    m_target = WithDatabase(uri, m_name);
}

TestDatabase::~TestDatabase()
{
    if (m_name.empty())
        return;
    try {
        AdminExec("DROP DATABASE IF EXISTS " + m_name + " WITH (FORCE)");
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
    }
}
