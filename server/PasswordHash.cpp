// Argon2id hashing of password digests through libsodium.
#include "PasswordHash.h"

#include "GbkText.h"
#include "Md5.h"

#include <sodium.h>

#include <algorithm>
#include <cctype>
#include <mutex>
#include <stdexcept>

namespace {

// Two passes over 19 MiB: tens of milliseconds per sign-in on one core, a memory cost that
// makes guessing on graphics hardware slow, and eight workers hashing at once stay under
// 160 MiB.
constexpr unsigned long long kOpsLimit = 2;
constexpr std::size_t kMemLimit = 19u * 1024 * 1024;

void InitialiseOnce()
{
    static std::once_flag once;
    std::call_once(once, [] {
        if (sodium_init() < 0)
            throw std::runtime_error("libsodium cannot start");
    });
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// A hash of a digest nobody sends, to spend the same time when there is nothing to compare.
const std::string &DecoyHash()
{
    static const std::string decoy = HashPasswordDigest("decoy-of-unknown-account");
    return decoy;
}

} // namespace

std::string HashPasswordDigest(const std::string &digest)
{
    InitialiseOnce();
    std::string normal = Lower(digest);
    char hash[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str_alg(hash, normal.data(), normal.size(), kOpsLimit, kMemLimit, crypto_pwhash_ALG_ARGON2ID13) != 0)
        throw std::runtime_error("password hash failed (out of memory)");
    return hash;
}

bool VerifyPasswordDigest(const std::string &storedHash, const std::string &digest)
{
    InitialiseOnce();
    std::string normal = Lower(digest);
    if (!IsPasswordHash(storedHash)) {
        [[maybe_unused]] int spent = crypto_pwhash_str_verify(DecoyHash().c_str(), normal.data(), normal.size());
        return false;
    }
    return crypto_pwhash_str_verify(storedHash.c_str(), normal.data(), normal.size()) == 0;
}

bool IsPasswordHash(const std::string &stored)
{
    return stored.rfind("$argon2id$", 0) == 0 && stored.size() < crypto_pwhash_STRBYTES;
}

std::string DigestOfUtf8Password(const std::string &utf8Password)
{
    return Md5Hex(Utf8ToGbk(utf8Password));
}
