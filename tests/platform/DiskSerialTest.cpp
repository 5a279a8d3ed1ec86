// The first disk's serial: shaping into the 20-character field and the Linux search over a
// prepared sysfs and udev tree.
#include "DiskSerial.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

TEST(ShapeAtaSerial, RightAlignsTrimsAndKeepsTheLastTwentyCharacters)
{
    EXPECT_EQ(ShapeAtaSerial("ABCDEFGHIJKLMNOPQRST"), "ABCDEFGHIJKLMNOPQRST");
    EXPECT_EQ(ShapeAtaSerial("  WD-123\n"), std::string(14, ' ') + "WD-123");
    EXPECT_EQ(ShapeAtaSerial("0123456789ABCDEFGHIJKLMN"), "456789ABCDEFGHIJKLMN");
    EXPECT_EQ(ShapeAtaSerial(std::string("\0\0  ", 4)), std::nullopt);
    EXPECT_EQ(ShapeAtaSerial(""), std::nullopt);
}

class LinuxDiskSerialTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_root = fs::temp_directory_path() / ("disk_serial_test_" + std::to_string(::getpid()));
        fs::create_directories(m_root / "block");
        fs::create_directories(m_root / "dev");
        fs::create_directories(m_root / "udev");
    }
    void TearDown() override { fs::remove_all(m_root); }

    void AddDisk(const std::string &name, bool physical)
    {
        fs::create_directories(m_root / "block" / name);
        if (physical)
            fs::create_directories(m_root / "block" / name / "device");
        std::ofstream(m_root / "block" / name / "dev") << "8:0\n";
    }
    void WriteFile(const fs::path &path, const std::string &content)
    {
        std::ofstream(path, std::ios::binary) << content;
    }
    LinuxDiskSerialSource Source() const
    {
        return LinuxDiskSerialSource((m_root / "block").string(), (m_root / "dev").string(),
                                     (m_root / "udev").string());
    }

    fs::path m_root;
};

TEST_F(LinuxDiskSerialTest, FirstPhysicalDiskInNameOrder)
{
    EXPECT_EQ(Source().FirstDisk(), std::nullopt);
    AddDisk("loop0", true);
    AddDisk("zram0", true);
    AddDisk("vdb", true);
    AddDisk("sdz", false); // no device behind it
    AddDisk("sda", true);
    EXPECT_EQ(Source().FirstDisk(), "sda");
}

TEST_F(LinuxDiskSerialTest, SerialFromSysfsThenUnitSerialPageThenUdev)
{
    AddDisk("sda", true);
    EXPECT_EQ(Source().ReadSerial(), std::nullopt);

    WriteFile(m_root / "udev" / "b8:0", "S:disk/by-id/x\nE:ID_SERIAL=Maker_ABC\nE:ID_SERIAL_SHORT=UDEV1234\n");
    EXPECT_EQ(Source().ReadSerial(), std::string(12, ' ') + "UDEV1234");

    WriteFile(m_root / "block" / "sda" / "device" / "vpd_pg80", std::string("\0\x80\0\x06", 4) + "  PG80");
    EXPECT_EQ(Source().ReadSerial(), std::string(16, ' ') + "PG80");

    WriteFile(m_root / "block" / "sda" / "device" / "serial", "SYSFS-SERIAL-1\n");
    EXPECT_EQ(Source().ReadSerial(), std::string(6, ' ') + "SYSFS-SERIAL-1");

    WriteFile(m_root / "block" / "sda" / "serial", "1076634089133887");
    EXPECT_EQ(Source().ReadSerial(), "    1076634089133887");
}

TEST(DiskSerialSource, ProcessSourceCanBeReplaced)
{
    struct Fixed : IDiskSerialSource
    {
        std::optional<std::string> ReadSerial() override { return "ABCDEFGHIJKLMNOPQRST"; }
    };
    SetDiskSerialSource(std::make_shared<Fixed>());
    EXPECT_EQ(ReadDiskSerial(), "ABCDEFGHIJKLMNOPQRST");
    SetDiskSerialSource(nullptr);
}
