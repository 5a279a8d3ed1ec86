// Sign-in, profile, poll and synchronisation operations of the service.
#pragma once

#include "OperationCommon.h"

#include <string>
#include <vector>

enum class SignInStatus
{
    Success,          // the service values are set and a new signed-in proxy is current
    Failed,           // "0"
    WrongPassword,    // "-6"
    WrongVerifyCode,  // "-1"
    Disabled,         // "-3"
    NotRegistered,    // "-5"
    NoConnection,     // transport failure
    BadDocument,      // the success document is unreadable or lacks "ID" or "host": ends silently
};

struct SignInOutcome
{
    SignInStatus status = SignInStatus::NoConnection;
    std::string message;  // GBK text the sign-in screen shows; empty when it shows nothing
};

// One sign-in attempt. Sets UserName and PasswordDigest first, whatever the outcome; on success
// sets UserId, the signed-in addresses and UserNo in that order and makes a new signed-in proxy
// current. Without a verification code it signs in with WsAutoLogin, with one with WsLogin.
SignInOutcome SignIn(const std::string &userName, const std::string &password, const std::string *verifyCode);

// The verification picture (GIF bytes) bound to this device code. False on transport failure;
// true with empty bytes when the service sent no picture.
bool FetchVerifyImage(std::vector<unsigned char> &gif);

// The process-wide profile, filled by LoadUserInfo.
struct UserInfoRecord
{
    std::string ID, TrueName, School, Phone, Email, Status, UT;
};
extern UserInfoRecord UserInfo;

FetchStatus LoadUserInfo();

struct PollMessage
{
    std::string content;  // the text to show
    std::string url;      // the address to open when it is clicked; may be empty
};

// The newest of the user's queued messages (the last of "message"); Empty when there is none.
FetchStatus PollNewestMessage(PollMessage &message);

struct OverallInfo
{
    std::string version, mainInfoTime, keyWordMaxId;
};

// Common status: handled (retry while the handler asks for it); Abandoned when it gave up.
FetchStatus FetchOverallInfo(OverallInfo &info);

struct MainInfoItem
{
    std::string id, name, cls, type, content;
};

// "2", "3", "4" skip the step without the handler.
FetchStatus FetchMainInfo(std::vector<MainInfoItem> &items);

struct ServiceKeyword
{
    std::string id;    // decimal digits as sent
    std::string text;  // GBK
};

// New keywords above keyId. An empty result and "2", "3", "4" skip the step.
FetchStatus FetchKeywords(const std::string &keyId, std::vector<ServiceKeyword> &keywords);
// The keyword document of a WsKeyword result (GBK), {"data":[{"I":id,"K":text}, ...]}: Ok with
// its keywords, or BadDocument (keywords left as they were).
FetchStatus ParseKeywordDocument(const std::string &result, std::vector<ServiceKeyword> &keywords);
