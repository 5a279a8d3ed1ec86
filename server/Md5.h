// MD5 digest as the client sends it: 32 lowercase hexadecimal digits of the given bytes.
#pragma once

#include <string>

std::string Md5Hex(const std::string &bytes);
