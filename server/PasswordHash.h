// Stored credentials: the password digest a client sends (MD5 of the password's GBK bytes, hex)
// is never kept as it is; the database holds a slow salted Argon2id hash of it, so a copy of the
// file does not let anyone sign in.
#pragma once

#include <string>

// A new hash of the digest (case of the hex digits ignored), in libsodium's string form.
// Throws std::runtime_error when the hash cannot be computed (out of memory).
std::string HashPasswordDigest(const std::string &digest);
// Whether the digest matches the stored hash; the comparison takes the same time whatever the
// stored value. An empty stored value still costs one hash, so unknown accounts answer as slowly.
bool VerifyPasswordDigest(const std::string &storedHash, const std::string &digest);
// Whether a stored value is a hash of this kind (older databases held the bare digest).
bool IsPasswordHash(const std::string &stored);
// The digest of a password as the designed client forms it: MD5 of its GBK bytes, for a
// password given as UTF-8 (test controls, seed files, the web site's forms).
std::string DigestOfUtf8Password(const std::string &utf8Password);
