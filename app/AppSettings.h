// The settings file config.ini in the program folder: every key the program reads or writes,
// with its section, its default and its type, in one place.
#pragma once

#include <string>

class AppSettings
{
public:
    // The program's own file, AppFolder + "\config.ini", unless a path is given (tests).
    AppSettings();
    explicit AppSettings(std::string path);

    const std::string &Path() const { return m_path; }

    // [StartPage] Show, default 1: 0 hides the start-up screen, anything else shows it.
    int StartPageShow() const;
    bool SetStartPageShow(int show);

    // [Login] ShowVerifyCode, default 0: 1 after a failed sign-in, 0 after a successful one.
    int ShowVerifyCode() const;
    bool SetShowVerifyCode(bool show);
    // [Login] RemberPwd, default 0: remember the password (with the account name).
    int RememberPassword() const;
    bool SetRememberPassword(bool remember);
    // [Login] RemberUserName, default 0: remember the account name.
    int RememberUserName() const;
    bool SetRememberUserName(bool remember);
    // [Login] User, default empty: the remembered account name (GBK), at most 29 bytes read.
    std::string User() const;
    bool SetUser(const std::string &gbkUser);

    // [Service] Host, Site and Share: where the service, the web site and the sharing gateway
    // are, when they are not the built-in ones; empty when absent.
    std::string ServiceHost() const;
    std::string ServiceSite() const;
    std::string ShareHost() const;
    // [Service] CAFile: a PEM file of the certificates an https service must chain to (a private
    // platform's authority); empty for the system's trusted certificates.
    std::string ServiceCAFile() const;

private:
    std::string m_path;
};
