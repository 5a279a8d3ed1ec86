// config.ini keys and defaults.
#include "AppSettings.h"

#include "AppFolder.h"
#include "ProfileFile.h"

namespace {

constexpr const char *kStartPage = "StartPage";
constexpr const char *kLogin = "Login";
constexpr const char *kService = "Service";
constexpr std::size_t kUserMaxBytes = 29;
constexpr std::size_t kAddressMaxBytes = 255;
constexpr std::size_t kPathMaxBytes = 4096;

const char *Flag(bool on)
{
    return on ? "1" : "0";
}

} // namespace

AppSettings::AppSettings() : m_path(AppPath("\\config.ini"))
{
}

AppSettings::AppSettings(std::string path) : m_path(std::move(path))
{
}

int AppSettings::StartPageShow() const
{
    return GetProfileInt(kStartPage, "Show", 1, m_path);
}

bool AppSettings::SetStartPageShow(int show)
{
    return WriteProfileString(kStartPage, "Show", std::to_string(show), m_path);
}

int AppSettings::ShowVerifyCode() const
{
    return GetProfileInt(kLogin, "ShowVerifyCode", 0, m_path);
}

bool AppSettings::SetShowVerifyCode(bool show)
{
    return WriteProfileString(kLogin, "ShowVerifyCode", Flag(show), m_path);
}

int AppSettings::RememberPassword() const
{
    return GetProfileInt(kLogin, "RemberPwd", 0, m_path);
}

bool AppSettings::SetRememberPassword(bool remember)
{
    return WriteProfileString(kLogin, "RemberPwd", Flag(remember), m_path);
}

int AppSettings::RememberUserName() const
{
    return GetProfileInt(kLogin, "RemberUserName", 0, m_path);
}

bool AppSettings::SetRememberUserName(bool remember)
{
    return WriteProfileString(kLogin, "RemberUserName", Flag(remember), m_path);
}

std::string AppSettings::User() const
{
    return GetProfileString(kLogin, "User", "", kUserMaxBytes, m_path);
}

bool AppSettings::SetUser(const std::string &gbkUser)
{
    return WriteProfileString(kLogin, "User", gbkUser, m_path);
}

std::string AppSettings::ServiceHost() const
{
    return GetProfileString(kService, "Host", "", kAddressMaxBytes, m_path);
}

std::string AppSettings::ServiceSite() const
{
    return GetProfileString(kService, "Site", "", kAddressMaxBytes, m_path);
}

std::string AppSettings::ShareHost() const
{
    return GetProfileString(kService, "Share", "", kAddressMaxBytes, m_path);
}

std::string AppSettings::ServiceCAFile() const
{
    return GetProfileString(kService, "CAFile", "", kPathMaxBytes, m_path);
}
