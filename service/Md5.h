// MD5 digest as the client sends a password and the service compares it: 32 lowercase
// hexadecimal digits of the given bytes. The one digest of the client, the service and the tests.
#pragma once

#include <string>

std::string Md5Hex(const std::string &bytes);
