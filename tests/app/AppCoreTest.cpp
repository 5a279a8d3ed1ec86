// The device identifier from the disk serial, and config.ini's keys and defaults.
#include "AppSettings.h"
#include "DeviceCode.h"
#include "DiskSerial.h"
#include "PenlarkApp.h"
#include "ServiceContext.h"
#include "ShareGateway.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class FixedSerial : public IDiskSerialSource
{
public:
    explicit FixedSerial(std::optional<std::string> serial) : m_serial(std::move(serial)) {}
    std::optional<std::string> ReadSerial() override
    {
        ++reads;
        return m_serial;
    }
    int reads = 0;

private:
    std::optional<std::string> m_serial;
};

} // namespace

TEST(DeviceCode, LastFourteenSerialCharactersAsLowercaseHex)
{
    SetDiskSerialSource(std::make_shared<FixedSerial>("ABCDEFGHIJKLMNOPQRST"));
    EXPECT_EQ(ComputeDeviceCode(), "4748494a4b4c4d4e4f5051525354");
    // A short serial is right-aligned in its field first, as the disk reports it.
    SetDiskSerialSource(std::make_shared<FixedSerial>("ABC"));
    EXPECT_EQ(ComputeDeviceCode(), "2020202020202020202020414243");
    SetDiskSerialSource(nullptr);
}

TEST(DeviceCode, UnreadableSerialGivesTheFixedFiller)
{
    SetDiskSerialSource(std::make_shared<FixedSerial>(std::nullopt));
    EXPECT_EQ(ComputeDeviceCode(), "0000000000000000000000000000");
    EXPECT_EQ(std::string(kDeviceCodeFiller).size(), 28u);
    SetDiskSerialSource(std::make_shared<FixedSerial>("   "));
    EXPECT_EQ(ComputeDeviceCode(), kDeviceCodeFiller);
    SetDiskSerialSource(nullptr);
}

TEST(DeviceCode, ComputedOncePerProcess)
{
    auto source = std::make_shared<FixedSerial>("ABCDEFGHIJKLMNOPQRST");
    SetDiskSerialSource(source);
    EXPECT_EQ(ProcessDeviceCode(), "4748494a4b4c4d4e4f5051525354");
    SetDiskSerialSource(std::make_shared<FixedSerial>("ZZZZZZZZZZZZZZZZZZZZ"));
    EXPECT_EQ(ProcessDeviceCode(), "4748494a4b4c4d4e4f5051525354");
    EXPECT_EQ(source->reads, 1);
    SetDiskSerialSource(nullptr);
}

// The platform's own serial reader over a prepared sysfs tree, so that the identifier is
// checked end to end against bytes the test knows.
class DeviceCodeFromDiskTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_root = fs::temp_directory_path() / ("device_code_test_" + std::to_string(::getpid()));
        for (const char *dir : {"block", "dev", "udev"})
            fs::create_directories(m_root / dir);
        SetDiskSerialSource(std::make_shared<LinuxDiskSerialSource>((m_root / "block").string(), (m_root / "dev").string(),
                                                                    (m_root / "udev").string()));
    }
    void TearDown() override
    {
        SetDiskSerialSource(nullptr);
        fs::remove_all(m_root);
    }
    void AddDiskWithSerial(const std::string &name, const std::string &serial)
    {
        fs::create_directories(m_root / "block" / name / "device");
        std::ofstream(m_root / "block" / name / "serial", std::ios::binary) << serial;
    }

    fs::path m_root;
};

TEST_F(DeviceCodeFromDiskTest, KnownSerialBytesGiveTheExactIdentifier)
{
    // 16 characters, right-aligned in the 20-character field; two bytes above 0x7F.
    AddDiskWithSerial("sdb", "OTHER-DISK-SERIAL-99\n");
    AddDiskWithSerial("sda", "  WD-WMC4N0\xA5\xFFK1H3P\n");
    EXPECT_EQ(ComputeDeviceCode(), "2d574d43344e30a5ff4b31483350");
}

TEST_F(DeviceCodeFromDiskTest, NoDiskGivesTheFiller)
{
    fs::create_directories(m_root / "block" / "loop0" / "device");
    EXPECT_EQ(ComputeDeviceCode(), "0000000000000000000000000000");
}

class AppSettingsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("app_settings_test_" + std::to_string(::getpid()));
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }
    std::string Path() const { return (m_dir / "config.ini").string(); }
    std::string Content() const
    {
        std::ifstream in(Path(), std::ios::binary);
        std::ostringstream content;
        content << in.rdbuf();
        return content.str();
    }

    fs::path m_dir;
};

TEST_F(AppSettingsTest, MissingFileGivesTheDesignedDefaults)
{
    const AppSettings settings(Path());
    EXPECT_EQ(settings.StartPageShow(), 1);
    EXPECT_EQ(settings.ShowVerifyCode(), 0);
    EXPECT_EQ(settings.RememberPassword(), 0);
    EXPECT_EQ(settings.RememberUserName(), 0);
    EXPECT_EQ(settings.User(), "");
    EXPECT_EQ(settings.ServiceHost(), "");
    EXPECT_FALSE(fs::exists(Path())); // reading never creates the file
}

TEST_F(AppSettingsTest, WritesUseTheDesignedSectionsKeysAndValues)
{
    AppSettings settings(Path());
    ASSERT_TRUE(settings.SetStartPageShow(0));
    ASSERT_TRUE(settings.SetShowVerifyCode(true));
    ASSERT_TRUE(settings.SetRememberPassword(true));
    ASSERT_TRUE(settings.SetRememberUserName(false));
    ASSERT_TRUE(settings.SetUser("\xd5\xc5\xc8\xfd"));
    EXPECT_EQ(Content(), "[StartPage]\r\nShow=0\r\n[Login]\r\nShowVerifyCode=1\r\nRemberPwd=1\r\nRemberUserName=0\r\n"
                         "User=\xd5\xc5\xc8\xfd\r\n");
    EXPECT_EQ(settings.StartPageShow(), 0);
    EXPECT_EQ(settings.ShowVerifyCode(), 1);
    EXPECT_EQ(settings.RememberPassword(), 1);
    EXPECT_EQ(settings.RememberUserName(), 0);
    EXPECT_EQ(settings.User(), "\xd5\xc5\xc8\xfd");
}

TEST_F(AppSettingsTest, UserIsReadToTwentyNineBytesAndServiceOverridesAreRead)
{
    std::ofstream(Path()) << "[Login]\nUser=" << std::string(40, 'u') << "\n[Service]\nHost=127.0.0.1:9000\n"
                          << "Site=http://127.0.0.1:9000/\nShare=127.0.0.1:9001\n";
    const AppSettings settings(Path());
    EXPECT_EQ(settings.User(), std::string(29, 'u'));
    EXPECT_EQ(settings.ServiceHost(), "127.0.0.1:9000");
    EXPECT_EQ(settings.ServiceSite(), "http://127.0.0.1:9000/");
    EXPECT_EQ(settings.ShareHost(), "127.0.0.1:9001");
}

// Start-up points the service, and the sharing gateway the corpus panel shares through, at what
// config.ini names, and at the built-in service where it names nothing.
TEST_F(AppSettingsTest, StartUpTakesTheServiceAndShareAddressesFromTheSettings)
{
    std::ofstream(Path()) << "[Service]\nHost=127.0.0.1:9000\nSite=http://127.0.0.1:9000/\nShare=127.0.0.1:9001\n";
    ApplyServiceSettings(AppSettings(Path()));
    EXPECT_EQ(ServiceContext.DefaultBaseAddress, "http://127.0.0.1:9000/");
    EXPECT_EQ(CurrentShareGateway().host, "127.0.0.1:9001");
    EXPECT_EQ(CurrentShareGateway().site, "http://127.0.0.1:9000/");

    std::ofstream(Path(), std::ios::trunc) << "[Service]\nHost=127.0.0.1:9002\n";
    ApplyServiceSettings(AppSettings(Path()));
    EXPECT_EQ(CurrentShareGateway().host, "127.0.0.1:9002");
    EXPECT_EQ(CurrentShareGateway().site, "http://127.0.0.1:9002/");
}
