// The sign-in screen's fixed places and rules.
#include "UserLoginLayout.h"

#include "Screen.h"

#include <cstring>

namespace loginlayout {

QPoint WindowPosition(const QSize &screen, const QRect &workArea)
{
    return PlaceWindow(kWindowSize, screen, workArea, false).rect.topLeft();
}

const std::array<SayEntryRects, 4> &SayEntries()
{
    static const std::array<SayEntryRects, 4> entries{{
        {QRect(81, 249, 72, 22), QRect(168, 259, 156, 13), QRect(81, 273, 244, 120)},
        {QRect(80, 414, 72, 22), QRect(169, 424, 156, 13), QRect(81, 438, 244, 120)},
        {QRect(338, 249, 72, 22), QRect(424, 259, 156, 13), QRect(338, 273, 244, 120)},
        {QRect(338, 414, 72, 22), QRect(425, 424, 156, 13), QRect(338, 438, 244, 120)},
    }};
    return entries;
}

const std::array<ControlDefaults, 20> &DefaultControlRects()
{
    static const std::array<ControlDefaults, 20> rects{{
        {"Pic_UserSay", QRect(336, 206, 140, 32)},   {"Pic_MediaSay", QRect(79, 206, 140, 32)},
        {"Edit_UserName", QRect(690, 263, 256, 26)}, {"Edit_Pwd", QRect(690, 307, 256, 26)},
        {"Text_ForgetPwd", QRect(880, 350, 70, 16)}, {"Text_VCode", QRect(652, 449, 40, 16)},
        {"Text_NextVCode", QRect(862, 449, 96, 16)}, {"Edit_VCode", QRect(779, 447, 72, 20)},
        {"CB_Name", QRect(660, 352, 14, 14)},        {"Text_Name", QRect(678, 350, 72, 16)},
        {"CB_Pwd", QRect(760, 352, 14, 14)},         {"Text_Pwd", QRect(778, 350, 60, 16)},
        {"CB_Login", QRect(660, 380, 14, 14)},       {"Text_Login", QRect(678, 378, 60, 16)},
        {"Button_Login", QRect(692, 500, 157, 40)},  {"Button_Register", QRect(862, 506, 80, 28)},
        {"Button_Min", QRect(888, -1, 43, 28)},      {"Button_Max", QRect(931, -1, 40, 28)},
        {"Button_Close", QRect(971, -1, 43, 28)},    {"Pic_Login", QRect(639, 200, 330, 392)},
    }};
    return rects;
}

QRect DefaultControlRect(const char *element)
{
    for (const ControlDefaults &entry : DefaultControlRects())
        if (std::strcmp(entry.element, element) == 0)
            return entry.rect;
    return QRect();
}

} // namespace loginlayout

bool SayTextsRotate(std::size_t list1Size, std::size_t list2Size)
{
    return list1Size >= 3 && list2Size >= 3;
}

SayPair AdvanceSayPair(const SayPair &pair, std::size_t listSize)
{
    if (listSize == 0)
        return pair;
    return {(pair.first + 2) % listSize, (pair.second + 2) % listSize};
}

RememberClick ClickRememberUserName(const RememberBoxes &boxes, bool onLabel)
{
    RememberClick click{boxes, RememberWrite::None};
    click.boxes.userName = !boxes.userName;
    if (!click.boxes.userName && click.boxes.password)
        click.boxes.password = false;
    if (!click.boxes.userName && !onLabel)
        click.write = RememberWrite::UserNameOff;
    return click;
}

RememberClick ClickRememberPassword(const RememberBoxes &boxes, bool onLabel)
{
    RememberClick click{boxes, RememberWrite::None};
    click.boxes.password = !boxes.password;
    if (click.boxes.password)
        click.boxes.userName = true;
    if (!click.boxes.password && !onLabel)
        click.write = RememberWrite::PasswordOff;
    return click;
}

SignInEffects EffectsOfSignIn(SignInStatus status)
{
    SignInEffects effects;
    switch (status) {
    case SignInStatus::Success:
        effects.success = true;
        break;
    case SignInStatus::Failed:
    case SignInStatus::WrongPassword:
        effects.clearPassword = true;
        effects.writeShowVerifyCode = true;
        effects.writeRememberPasswordOff = true;
        effects.verificationOn = true;
        break;
    case SignInStatus::WrongVerifyCode:
    case SignInStatus::Disabled:
    case SignInStatus::NotRegistered:
        effects.writeRememberPasswordOff = true;
        break;
    case SignInStatus::NoConnection:
    case SignInStatus::BadDocument:
        break;
    }
    return effects;
}
