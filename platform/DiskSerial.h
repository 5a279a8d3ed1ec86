// The first physical disk's serial number, as the 20-character serial field of the disk's
// identify data (characters in reading order, right-aligned, padded with blanks in front).
#pragma once

#include <memory>
#include <optional>
#include <string>

constexpr std::size_t kAtaSerialLength = 20;

// Where the serial comes from. The platform's own source reads the kernel; tests put in their own.
class IDiskSerialSource
{
public:
    virtual ~IDiskSerialSource() = default;
    // The 20-character field, or nothing when the serial cannot be read.
    virtual std::optional<std::string> ReadSerial() = 0;
};

// Linux: the first disk (the first block device in /sys/block with a device behind it, loop,
// memory, device-mapper and the like left out, in name order) is asked with the
// HDIO_GET_IDENTITY request, then for its sysfs serial and SCSI unit serial page, then
// udev's record of it is read.
class LinuxDiskSerialSource : public IDiskSerialSource
{
public:
    // Roots are parameters so the search can run over a prepared folder tree.
    explicit LinuxDiskSerialSource(std::string sysBlock = "/sys/block", std::string devDir = "/dev",
                                   std::string udevData = "/run/udev/data");
    std::optional<std::string> ReadSerial() override;

    // The first disk's name ("sda", "nvme0n1", "vda"), if any.
    std::optional<std::string> FirstDisk() const;

private:
    std::optional<std::string> FromIdentify(const std::string &disk) const;
    std::optional<std::string> FromSysfs(const std::string &disk) const;
    std::optional<std::string> FromUdev(const std::string &disk) const;

    std::string m_sysBlock;
    std::string m_devDir;
    std::string m_udevData;
};

// Shapes a serial as the 20-character field: surrounding blanks and NULs dropped, then
// right-aligned with blanks in front; of a longer serial the last 20 characters are kept.
// An empty serial gives nothing.
std::optional<std::string> ShapeAtaSerial(const std::string &serial);

// The serial through the process-wide source (the Linux source unless replaced).
std::optional<std::string> ReadDiskSerial();
// Replaces the process-wide source; nullptr restores the platform's own.
void SetDiskSerialSource(std::shared_ptr<IDiskSerialSource> source);
