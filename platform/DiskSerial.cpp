// Reading the first disk's serial number from the Linux kernel.
#include "DiskSerial.h"

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <linux/hdreg.h>
#include <memory>
#include <sstream>
#include <sys/ioctl.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::optional<std::string> ReadSmallFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

// Block devices that are not physical disks: memory, loop, compressed swap, device-mapper,
// software RAID, network and optical devices.
bool IsVirtualDisk(const std::string &name)
{
    static const char *const kPrefixes[] = {"loop", "ram", "zram", "dm-", "md", "nbd", "sr", "fd", "zd"};
    return std::any_of(std::begin(kPrefixes), std::end(kPrefixes),
                       [&](const char *prefix) { return name.rfind(prefix, 0) == 0; });
}

std::shared_ptr<IDiskSerialSource> &Source()
{
    static std::shared_ptr<IDiskSerialSource> source;
    return source;
}

} // namespace

std::optional<std::string> ShapeAtaSerial(const std::string &serial)
{
    std::size_t begin = 0;
    std::size_t end = serial.size();
    auto isPad = [](char c) { return c == ' ' || c == '\0' || c == '\n' || c == '\t'; };
    while (begin < end && isPad(serial[begin]))
        ++begin;
    while (end > begin && isPad(serial[end - 1]))
        --end;
    if (begin == end)
        return std::nullopt;
    std::string trimmed = serial.substr(begin, end - begin);
    if (trimmed.size() > kAtaSerialLength)
        trimmed = trimmed.substr(trimmed.size() - kAtaSerialLength);
    return std::string(kAtaSerialLength - trimmed.size(), ' ') + trimmed;
}

LinuxDiskSerialSource::LinuxDiskSerialSource(std::string sysBlock, std::string devDir, std::string udevData)
    : m_sysBlock(std::move(sysBlock)), m_devDir(std::move(devDir)), m_udevData(std::move(udevData))
{
}

std::optional<std::string> LinuxDiskSerialSource::FirstDisk() const
{
    std::error_code error;
    std::vector<std::string> disks;
    for (const fs::directory_entry &entry : fs::directory_iterator(m_sysBlock, error)) {
        const std::string name = entry.path().filename().string();
        // A physical disk has a device behind it; virtual ones have none.
        if (!IsVirtualDisk(name) && fs::exists(entry.path() / "device", error))
            disks.push_back(name);
    }
    if (disks.empty())
        return std::nullopt;
    return *std::min_element(disks.begin(), disks.end());
}

std::optional<std::string> LinuxDiskSerialSource::FromIdentify(const std::string &disk) const
{
    const std::string device = m_devDir + "/" + disk;
    const int fd = ::open(device.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct hd_driveid identity
    {
    };
    const bool ok = ::ioctl(fd, HDIO_GET_IDENTITY, &identity) == 0;
    ::close(fd);
    if (!ok)
        return std::nullopt;
    // The kernel has already put the serial's characters in reading order.
    return ShapeAtaSerial(std::string(reinterpret_cast<const char *>(identity.serial_no), sizeof identity.serial_no));
}

std::optional<std::string> LinuxDiskSerialSource::FromSysfs(const std::string &disk) const
{
    // Virtio disks state the serial beside the disk, NVMe and others on the device behind it.
    const std::string diskDir = m_sysBlock + "/" + disk;
    const std::string deviceDir = diskDir + "/device";
    for (const std::string &file : {diskDir + "/serial", deviceDir + "/serial"}) {
        if (const auto serial = ReadSmallFile(file)) {
            if (const auto shaped = ShapeAtaSerial(*serial))
                return shaped;
        }
    }
    // SCSI unit serial number page: 4 header bytes, the length in byte 3, then the serial.
    if (const auto page = ReadSmallFile(deviceDir + "/vpd_pg80"); page && page->size() > 4) {
        const std::size_t length = std::min<std::size_t>(static_cast<unsigned char>((*page)[3]), page->size() - 4);
        return ShapeAtaSerial(page->substr(4, length));
    }
    return std::nullopt;
}

std::optional<std::string> LinuxDiskSerialSource::FromUdev(const std::string &disk) const
{
    const auto dev = ReadSmallFile(m_sysBlock + "/" + disk + "/dev"); // "major:minor\n"
    if (!dev)
        return std::nullopt;
    std::string numbers = *dev;
    numbers.erase(std::remove(numbers.begin(), numbers.end(), '\n'), numbers.end());
    std::ifstream record(m_udevData + "/b" + numbers);
    const std::string kKey = "E:ID_SERIAL_SHORT=";
    for (std::string line; std::getline(record, line);) {
        if (line.rfind(kKey, 0) == 0)
            return ShapeAtaSerial(line.substr(kKey.size()));
    }
    return std::nullopt;
}

std::optional<std::string> LinuxDiskSerialSource::ReadSerial()
{
    const auto disk = FirstDisk();
    if (!disk)
        return std::nullopt;
    if (auto serial = FromIdentify(*disk))
        return serial;
    if (auto serial = FromSysfs(*disk))
        return serial;
    return FromUdev(*disk);
}

std::optional<std::string> ReadDiskSerial()
{
    if (!Source())
        Source() = std::make_shared<LinuxDiskSerialSource>();
    return Source()->ReadSerial();
}

void SetDiskSerialSource(std::shared_ptr<IDiskSerialSource> source)
{
    Source() = std::move(source);
}
