// Device identifier from the disk serial.
#include "DeviceCode.h"

#include "DiskSerial.h"

#include <cstdio>

const char *const kDeviceCodeFiller = "0000000000000000000000000000";

std::string DeviceCodeFromSerial(const std::optional<std::string> &serial)
{
    const std::optional<std::string> field =
        serial && serial->size() == kAtaSerialLength ? serial : (serial ? ShapeAtaSerial(*serial) : std::nullopt);
    if (!field)
        return kDeviceCodeFiller;
    std::string code;
    for (std::size_t i = 6; i < kAtaSerialLength; ++i) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02x", static_cast<unsigned char>((*field)[i]));
        code += digits;
    }
    return code;
}

std::string ComputeDeviceCode()
{
    return DeviceCodeFromSerial(ReadDiskSerial());
}

const std::string &ProcessDeviceCode()
{
    static const std::string code = ComputeDeviceCode();
    return code;
}
