// Small helpers the service's test programs share: an answer's JSON document, a scratch folder,
// a test run once per database engine.
#pragma once

#include "TestDatabase.h"

#include <gtest/gtest.h>
#include <json/json.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <system_error>

// The answer's JSON document, or a null value when it is none. A refusal's bare status code
// ("0", "-6") reads as a number.
inline Json::Value ParseAnswer(const std::string &text)
{
    Json::Value root;
    std::istringstream in(text);
    Json::CharReaderBuilder builder;
    std::string errors;
    Json::parseFromStream(builder, in, &root, &errors);
    return root;
}

// The answer's JSON document; a test failure when it is not JSON.
inline Json::Value ParseJsonDocument(const std::string &text)
{
    Json::CharReaderBuilder builder;
    Json::Value root;
    std::string errors;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    if (!reader->parse(text.data(), text.data() + text.size(), &root, &errors))
        ADD_FAILURE() << "not JSON: " << text;
    return root;
}

// A folder of this test process under the system's temporary folder, removed with the object.
struct ScratchFolder
{
    explicit ScratchFolder(const std::string &prefix)
        : path((std::filesystem::temp_directory_path() / (prefix + "-" + std::to_string(getpid()))).string())
    {
        std::filesystem::create_directories(path);
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    ScratchFolder(const ScratchFolder &) = delete;
    ScratchFolder &operator=(const ScratchFolder &) = delete;
    std::string path;
};

// A test run once per engine, its parameter "sqlite" or "postgresql": the services it starts use
// that engine (PLATFORM_TEST_ENGINE, see TestDatabase.h); the PostgreSQL run is a skip (77)
// without the test cluster.
class EachEngineTest : public ::testing::TestWithParam<const char *>
{
protected:
    void SetUp() override
    {
        m_postgres = std::string(GetParam()) == "postgresql";
        if (m_postgres)
            TestDatabase::ClusterUri();
        setenv("PLATFORM_TEST_ENGINE", GetParam(), 1);
    }
    bool m_postgres = false;
};
