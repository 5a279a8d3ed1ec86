// Accounts against the real service: names sent as GBK or UTF-8, the lock after repeated wrong
// passwords and its release, slowed answers that hold no worker, hashed credentials, and the
// profile pages behind the account's password.
#include "ServiceTestFixture.h"

#include "GbkText.h"

#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// The digest the designed client sends: MD5 of the password's GBK bytes.
std::string ClientDigest(const std::string &utf8Password)
{
    return Md5Hex(Utf8ToGbk(utf8Password));
}

std::string SignedInId(const std::string &result)
{
    Json::Value doc;
    Json::Reader().parse(result, doc);
    return doc["data"][0]["ID"].asString();
}

// Whose session a sign-in opened: the user id its profile gives ("" when it opened none).
std::string SignedInUser(ServiceClient &client, const std::string &result, const std::string &device)
{
    std::string id = SignedInId(result);
    if (id.empty())
        return "";
    Json::Value profile;
    Json::Reader().parse(client.UserInfo(id, device), profile);
    return profile["data"][0]["ID"].asString();
}

std::string FileBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs one SQL statement on the database file.
void Sql(const std::string &path, const std::string &sql)
{
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    char *error = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
}

std::string PostForm(int port, const std::string &path, const std::string &form, int *status)
{
    std::string response = RawHttpExchange(port, "POST " + path +
                                                     " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: "
                                                     "application/x-www-form-urlencoded\r\nContent-Length: " +
                                                     std::to_string(form.size()) + "\r\nConnection: close\r\n\r\n" + form);
    *status = response.size() > 12 ? std::atoi(response.c_str() + 9) : 0;
    return response;
}

} // namespace

TEST_F(ServiceTest, AccountNamesSignInWhetherSentAsGbkOrUtf8)
{
    struct Account
    {
        std::string name, password; // UTF-8
    } accounts[] = {
        {"pupil7", "pw7"},
        {"张三丰", "123456"},
        {"李四", "密码"},
        {"小明2026", "ab中文cd"},
    };
    for (const Account &a : accounts) {
        std::string id = m_service->Control("add-user?name=" + UrlEncode(a.name) + "&password=" + UrlEncode(a.password));
        ASSERT_EQ(id.find_first_not_of("0123456789"), std::string::npos) << a.name << ": " << id;
        const std::string asSent[] = {a.name, Utf8ToGbk(a.name)};
        for (const std::string &name : asSent) {
            EXPECT_EQ(SignedInUser(*m_client, m_client->AutoLogin(name, ClientDigest(a.password), "DEVICE-A"), "DEVICE-A"), id)
                << a.name;
            EXPECT_EQ(m_client->ReLogin(name, ClientDigest(a.password), "DEVICE-A"), "1") << a.name;
        }
        // The digest of the UTF-8 bytes is not the designed digest of a Chinese password.
        if (Utf8ToGbk(a.password) != a.password) {
            EXPECT_EQ(m_client->AutoLogin(a.name, Md5Hex(a.password), "DEVICE-B"), "-6") << a.name;
        }
        // A sign-in resets the failure count, so the table runs without locking anyone.
        EXPECT_NE(SignedInId(m_client->AutoLogin(a.name, ClientDigest(a.password), "DEVICE-A")), "");
    }
}

TEST_F(ServiceTest, ThreeWrongPasswordsLockUntilASignInWithVerificationCode)
{
    const std::string right = Md5Hex("123456"), wrong = Md5Hex("guess");
    SignIn("xuesheng", "123456");
    // Failures from any operation and any device count against the account.
    EXPECT_EQ(m_client->AutoLogin("xuesheng", wrong, "DEVICE-A"), "-6");
    EXPECT_EQ(m_client->ReLogin("xuesheng", wrong, "DEVICE-B"), "0");
    EXPECT_EQ(m_client->AutoLogin("xuesheng", wrong, "DEVICE-C"), "-6");
    // Locked: the right password no longer signs in without a code.
    EXPECT_EQ(m_client->AutoLogin("xuesheng", right, "DEVICE-A"), "0");
    EXPECT_EQ(m_client->ReLogin("xuesheng", right, "DEVICE-A"), "0");
    // Other accounts are not affected.
    EXPECT_NE(SignedInId(m_client->AutoLogin("tongxue", Md5Hex("654321"), "DEVICE-T")), "");

    // A code with a wrong password keeps the lock.
    m_client->CreateVerifyImage("DEVICE-A");
    EXPECT_EQ(m_client->Login("xuesheng", wrong, "DEVICE-A", m_service->Control("verify-code?code=DEVICE-A")), "-6");
    EXPECT_EQ(m_client->AutoLogin("xuesheng", right, "DEVICE-A"), "0");
    // A wrong code does not release it.
    m_client->CreateVerifyImage("DEVICE-A");
    std::string code = m_service->Control("verify-code?code=DEVICE-A");
    EXPECT_EQ(m_client->Login("xuesheng", right, "DEVICE-A", code == "0000" ? "1111" : "0000"), "-1");
    EXPECT_EQ(m_client->AutoLogin("xuesheng", right, "DEVICE-A"), "0");
    // The right password with a correct, fresh code signs in and lifts the lock.
    EXPECT_EQ(SignedInUser(*m_client, m_client->Login("xuesheng", right, "DEVICE-A", code), "DEVICE-A"), "1");
    EXPECT_EQ(SignedInUser(*m_client, m_client->AutoLogin("xuesheng", right, "DEVICE-A"), "DEVICE-A"), "1");
    EXPECT_EQ(m_client->ReLogin("xuesheng", right, "DEVICE-A"), "1");
}

TEST_F(ServiceTest, GuessesSentAllAtOnceStillLockTheAccount)
{
    const std::string right = Md5Hex("123456");
    std::vector<std::thread> threads;
    std::mutex mutex;
    std::vector<std::string> answers;
    for (int i = 0; i < 12; ++i)
        threads.emplace_back([&, i] {
            auto client = NewClient();
            // One of them is the right password: it must not get through once three are counted.
            std::string digest = i == 11 ? right : Md5Hex("guess" + std::to_string(i));
            std::string answer = client->AutoLogin("xuesheng", digest, "DEV-" + std::to_string(i));
            std::lock_guard lock(mutex);
            answers.push_back(answer);
        });
    for (std::thread &t : threads)
        t.join();
    int checked = 0;
    for (const std::string &answer : answers)
        checked += answer != "0";
    EXPECT_LE(checked, 3);
    EXPECT_EQ(m_client->AutoLogin("xuesheng", right, "DEVICE-A"), "0");
}

TEST_F(ServiceTest, SlowedAnswersHoldNoWorker)
{
    StartService({"--threads", "1"});
    std::string id = SignIn("tongxue", "654321", "DEVICE-T");
    // Four failures from one device: its next attempt waits 2 s before the answer.
    for (int i = 0; i < 4; ++i)
        m_client->AutoLogin("nobody", Md5Hex("x"), "GUESSER");
    std::mutex mutex;
    std::vector<std::string> finished;
    std::thread guess([&] {
        auto client = NewClient();
        std::string answer = client->AutoLogin("nobody", Md5Hex("y"), "GUESSER");
        std::lock_guard lock(mutex);
        finished.push_back("guess " + answer);
    });
    // Wait until the guess has been answered into the hold (or has finished, should it not be).
    for (int i = 0; i < 500 && m_service->Control("held-replies") == "0"; ++i) {
        std::lock_guard lock(mutex);
        if (!finished.empty())
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(m_service->Control("held-replies"), "1");
    auto other = NewClient();
    std::string profile = Parse(other->UserInfo(id, "DEVICE-T"))["data"][0]["TrueName"].asString();
    {
        std::lock_guard lock(mutex);
        finished.push_back("profile " + std::to_string(!profile.empty()));
    }
    guess.join();
    // The only worker answered the profile while the guess's answer was still held.
    EXPECT_EQ(finished, (std::vector<std::string>{"profile 1", "guess -6"}));
}

TEST_F(ServiceTest, StoredCredentialsAreSaltedHashesAndOldDatabasesAreUpgraded)
{
    const std::string digest = Md5Hex("123456");
    std::string database =
        (std::filesystem::temp_directory_path() / ("upgrade-test-" + std::to_string(getpid()) + ".db")).string();
    m_service->Stop();
    StartService({"--db", database});
    m_service->Stop();
    std::string bytes = FileBytes(database);
    EXPECT_EQ(bytes.find(digest), std::string::npos);
    EXPECT_NE(bytes.find("$argon2id$"), std::string::npos);

    // A database of the earlier kind: the bare digest in pwd_md5, no hash column, and no
    // schema version recorded (versions came later still).
    Sql(database, "UPDATE users SET pwd_md5 = '" + digest +
                      "' WHERE name = 'xuesheng'; ALTER TABLE users DROP COLUMN pwd_hash; DROP TABLE schema_version; VACUUM;");
    ASSERT_NE(FileBytes(database).find(digest), std::string::npos);
    StartService({"--db", database});
    EXPECT_EQ(SignedInUser(*m_client, m_client->AutoLogin("xuesheng", digest, "DEVICE-A"), "DEVICE-A"), "1");
    EXPECT_EQ(m_client->AutoLogin("tongxue", digest, "DEVICE-A"), "-6");
    m_service->Stop();
    EXPECT_EQ(FileBytes(database).find(digest), std::string::npos);
    for (const char *suffix : {"", "-wal", "-shm"})
        std::remove((database + suffix).c_str());
}

TEST_F(ServiceTest, ProfilePagesShowAndChangeNothingWithoutThePassword)
{
    int status = 0;
    for (const char *page : {"/user/info.aspx?no=10001", "/user/mima.aspx?no=10001"}) {
        std::string html = m_service->Get(page, &status);
        EXPECT_EQ(status, 200) << page;
        EXPECT_NE(html.find("type=\"password\" name=\"password\""), std::string::npos) << page;
        EXPECT_EQ(html.find("李明"), std::string::npos) << page;
        EXPECT_EQ(html.find("xuesheng"), std::string::npos) << page;
    }
    // Wrong password, and another account's password for this number.
    for (const char *password : {"wrong", "654321"}) {
        std::string html = PostForm(m_service->Port(), "/user/info.aspx", "no=10001&password=" + std::string(password), &status);
        EXPECT_EQ(status, 403) << password;
        EXPECT_EQ(html.find("李明"), std::string::npos) << password;
    }
    std::string html = PostForm(m_service->Port(), "/user/info.aspx", "no=10001&password=123456", &status);
    EXPECT_EQ(status, 200);
    EXPECT_NE(html.find("李明"), std::string::npos) << html;
    EXPECT_NE(html.find("城南实验中学"), std::string::npos);

    // Changing the password needs the current one; a Chinese new password works in the client.
    PostForm(m_service->Port(), "/user/mima.aspx",
             "no=10001&password=wrong&new=" + UrlEncode("新密码") + "&again=" + UrlEncode("新密码"), &status);
    EXPECT_EQ(status, 403);
    EXPECT_EQ(SignedInUser(*m_client, m_client->AutoLogin("xuesheng", Md5Hex("123456"), "DEVICE-A"), "DEVICE-A"), "1");
    html = PostForm(m_service->Port(), "/user/mima.aspx",
                    "no=10001&password=123456&new=" + UrlEncode("新密码") + "&again=" + UrlEncode("新密码"), &status);
    EXPECT_EQ(status, 200);
    EXPECT_NE(html.find("密码已修改"), std::string::npos) << html;
    EXPECT_EQ(m_client->AutoLogin("xuesheng", Md5Hex("123456"), "DEVICE-A"), "-6");
    EXPECT_EQ(SignedInUser(*m_client, m_client->AutoLogin("xuesheng", ClientDigest("新密码"), "DEVICE-A"), "DEVICE-A"), "1");
}

TEST_F(ServiceTest, ProfilePageGuessesCountTowardsTheLock)
{
    int status = 0;
    for (int i = 0; i < 3; ++i)
        PostForm(m_service->Port(), "/user/info.aspx", "no=10001&password=guess" + std::to_string(i), &status);
    std::string html = PostForm(m_service->Port(), "/user/info.aspx", "no=10001&password=123456", &status);
    EXPECT_EQ(status, 403);
    EXPECT_EQ(html.find("李明"), std::string::npos);
    EXPECT_EQ(m_client->AutoLogin("xuesheng", Md5Hex("123456"), "DEVICE-A"), "0");
}
