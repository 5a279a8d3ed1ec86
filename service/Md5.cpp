// MD5 through OpenSSL's EVP interface (the low-level MD5() calls are deprecated in OpenSSL 3).
#include "Md5.h"

#include <openssl/evp.h>

std::string Md5Hex(const std::string &bytes)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_md5(), nullptr))
        return {};
    static const char kHex[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(length * 2);
    for (unsigned int i = 0; i < length; ++i) {
        hex.push_back(kHex[digest[i] >> 4]);
        hex.push_back(kHex[digest[i] & 0x0F]);
    }
    return hex;
}
