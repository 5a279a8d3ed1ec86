// The device identifier every service request carries: 28 lowercase hexadecimal digits made
// from the last 14 characters of the first disk's 20-character serial number.
#pragma once

#include <optional>
#include <string>

// The identifier when the serial cannot be read; it stays the same within a process.
extern const char *const kDeviceCodeFiller;

// Characters 7 to 20 of the serial field, each as two lowercase hexadecimal digits. A serial
// that is not yet a 20-character field is shaped into one first; no serial gives the filler.
std::string DeviceCodeFromSerial(const std::optional<std::string> &serial);
// Reads the disk serial now (through the platform's replaceable source).
std::string ComputeDeviceCode();
// The process's identifier, computed on the first call only.
const std::string &ProcessDeviceCode();
