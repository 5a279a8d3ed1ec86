// The sign-in screen's fixed places and its rules as plain functions of their inputs: the
// rotating texts, the two remember boxes and what each sign-in result does to the screen.
#pragma once

#include "OperationsAccount.h"

#include <QPoint>
#include <QRect>
#include <QSize>
#include <array>
#include <cstddef>

namespace loginlayout {

constexpr QSize kWindowSize(1024, 700);
// The window's place: across on the screen's centre, down on the work area's centre.
QPoint WindowPosition(const QSize &screen, const QRect &workArea);

constexpr QPoint kLoginPanel(639, 200);
constexpr QRect kLoadingAnimation(692, 528, 157, 15);
constexpr QPoint kTel(170, 634);
constexpr QPoint kMail(272, 637);
constexpr QPoint kVersionLine(20, 633);
constexpr QPoint kUpdateNotice(19, 653);
constexpr QPoint kVerifyPicture(696, 446);
constexpr QRect kVerifyPictureArea(696, 446, 72, 23);
constexpr QPoint kVerifyFrame(775, 444);
constexpr std::array<int, 2> kSayLeftX{79, 336};
constexpr std::array<int, 2> kSayMidX{86, 343};
constexpr std::array<int, 2> kSayRightX{295, 552};
constexpr std::array<int, 2> kSayY{273, 438};
constexpr QSize kSayMidSize(237, 123);
constexpr std::array<QPoint, 2> kDashLine{QPoint(88, 409), QPoint(346, 409)};

// The three places of one rotating entry.
struct SayEntryRects
{
    QRect name;    // 72 x 22, bold 15, teal
    QRect cls;     // 156 x 13, 12 weight 500
    QRect content; // 244 x 120, 12
};
// Entry 0 and 1 of the left column (list 2), then entry 0 and 1 of the right column (list 1).
const std::array<SayEntryRects, 4> &SayEntries();

// Places of the skinned controls when the skin does not give them.
struct ControlDefaults
{
    const char *element;
    QRect rect;
};
const std::array<ControlDefaults, 20> &DefaultControlRects();
QRect DefaultControlRect(const char *element);

} // namespace loginlayout

// The two shown entries of one list of rotating texts.
struct SayPair
{
    std::size_t first = 0;
    std::size_t second = 1;
    bool operator==(const SayPair &) const = default;
};

// The texts rotate only when both lists hold at least three entries.
bool SayTextsRotate(std::size_t list1Size, std::size_t list2Size);
// One tick: each index advances by 2 modulo the list's size.
SayPair AdvanceSayPair(const SayPair &pair, std::size_t listSize);

// The remember boxes and what a click on one of them writes to config.ini.
struct RememberBoxes
{
    bool userName = false;
    bool password = false;
    bool operator==(const RememberBoxes &) const = default;
};
enum class RememberWrite
{
    None,
    UserNameOff, // [Login] RemberUserName = "0"
    PasswordOff, // [Login] RemberPwd = "0"
};
struct RememberClick
{
    RememberBoxes boxes;
    RememberWrite write = RememberWrite::None;
};
// A click on a box toggles it with its companion rule; only a click on the box itself
// (onLabel false) writes, and only when the box ends up cleared.
RememberClick ClickRememberUserName(const RememberBoxes &boxes, bool onLabel);
RememberClick ClickRememberPassword(const RememberBoxes &boxes, bool onLabel);

// What a sign-in result does to the screen, in the order the screen applies it.
struct SignInEffects
{
    bool success = false;
    bool clearPassword = false;
    bool writeShowVerifyCode = false; // ShowVerifyCode = "1" (success writes "0")
    bool writeRememberPasswordOff = false;
    bool verificationOn = false; // also fetches a new picture and shows the row
};
SignInEffects EffectsOfSignIn(SignInStatus status);
