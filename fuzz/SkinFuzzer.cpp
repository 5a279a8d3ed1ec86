// Fuzz target: the skin layout text, parsed and then read the way the two screens read it.
#include "SkinReader.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

const char *const kLoadPageChildren[] = {"Pic_UserSay",     "Pic_MediaSay",   "Edit_UserName", "Edit_Pwd",    "Text_ForgetPwd",
                                         "Text_VCode",      "Text_NextVCode", "Edit_VCode",    "CB_Name",     "Text_Name",
                                         "CB_Pwd",          "Text_Pwd",       "CB_Login",      "Text_Login",  "Button_Login",
                                         "Button_Register", "Button_Min",     "Button_Max",    "Button_Close"};

std::size_t Touch(const std::optional<SkinElement> &element)
{
    if (!element)
        return 0;
    return element->normal.size() + element->up.size() + element->down.size() + element->disable.size() + element->img.size() +
           static_cast<std::size_t>(element->x ^ element->y ^ element->width ^ element->height);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char *>(data), size);
    CSkinReader skin;
    if (!skin.Parse(text))
        return 0;
    volatile std::size_t sink = 0;
    sink = sink + Touch(skin.StartEnterButton()) + Touch(skin.StartCheckBox()) + Touch(skin.StartText());
    sink = sink + Touch(skin.RootChild("LoadPage")) + Touch(skin.RootChild("Pic_Login"));
    for (const char *name : kLoadPageChildren)
        sink = sink + Touch(skin.LoadPageChild(name));
    return 0;
}
