// The database a test's service runs on: a SQLite file in the service's folder (the default),
// or, when PLATFORM_TEST_ENGINE is "postgresql", a database of its own on the test cluster
// whose "postgresql://" URI PLATFORM_TEST_PG holds (tests/support/with-postgres.sh starts one).
// A test run for PostgreSQL without the cluster exits with status 77 (a skip to ctest).
#pragma once

#include <string>

class TestDatabase
{
public:
    // Whether this run's services use PostgreSQL.
    static bool OnPostgres();
    // The cluster's maintenance URI; exits the process with 77 when there is none.
    static std::string ClusterUri();
    // Runs SQL on the cluster's maintenance database (PostgreSQL runs only); throws
    // std::runtime_error with the server's message when it fails.
    static void AdminExec(const std::string &sql);

    // A new, empty database: "FOLDER/platform.db", or a new PostgreSQL database; on the
    // run's engine (OnPostgres) unless told.
    explicit TestDatabase(const std::string &folder) : TestDatabase(folder, OnPostgres()) {}
    TestDatabase(const std::string &folder, bool postgres);
    // Drops a PostgreSQL database (the services on it must have stopped; any left are cut off).
    ~TestDatabase();
    TestDatabase(const TestDatabase &) = delete;
    TestDatabase &operator=(const TestDatabase &) = delete;

    // What --db is given: the file's path or the database's URI.
    const std::string &Target() const { return m_target; }
    // The PostgreSQL database's name (empty for SQLite).
    const std::string &Name() const { return m_name; }

private:
    std::string m_target;
    std::string m_name;
};
