// The verification picture: a random code drawn into a small GIF.
#pragma once

#include <string>

// A new random code of four digits.
std::string NewVerifyCode();

// The code drawn on a 72 x 22 GIF with noise; empty on an encoder failure.
std::string DrawVerifyGif(const std::string &code);
