// The empty-essay notice shared by the Word export and composition paper.
#include "EmptyEssayNotice.h"

#include "GbkText.h"
#include "OkDialog.h"

bool RefuseEmptyEssay(QWidget *parent, const std::string &body)
{
    if (!body.empty())
        return false;
    static const std::string kCaption = Utf8ToGbk("确 定");
    static const std::string kEmptyBody = Utf8ToGbk("\t  正文内容不能为空！");
    COkDialog::Show(kCaption, kEmptyBody, parent);
    return true;
}
