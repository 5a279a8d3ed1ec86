// The offer of left essays.
#include "LeftEssayOffer.h"

#include "DoubleByte.h"
#include "GbkText.h"
#include "MsgDlg.h"

namespace {

constexpr std::size_t kTitleBytes = 40; // 20 Chinese characters: the question stays within three lines

std::string ShortTitle(const std::string &title)
{
    if (title.empty())
        return Utf8ToGbk("无题");
    if (title.size() <= kTitleBytes)
        return title;
    std::size_t end = 0;
    while (end < title.size() && end + CharLengthAt(title, end) <= kTitleBytes - 2)
        end += CharLengthAt(title, end);
    return title.substr(0, end) + Utf8ToGbk("…");
}

} // namespace

std::string LeftEssayQuestion(const JournalEntry &entry)
{
    return Utf8ToGbk("\t  上次没有保存的作文《") + ShortTitle(entry.title) + Utf8ToGbk("》已找回，是否打开继续写？");
}

int OfferLeftEssays(QWidget *parent, const EssayJournal &journal, const std::string &user,
                    const std::function<void(const LeftJournalEntry &)> &open)
{
    static const std::string kOpen = Utf8ToGbk("确定");
    static const std::string kDrop = Utf8ToGbk("放弃");
    static const std::string kKeep = Utf8ToGbk("取消");
    int opened = 0;
    for (const LeftJournalEntry &left : journal.LeftEntries(user)) {
        const int answer = CMsgDlg::Show(LeftEssayQuestion(left.entry), kOpen, kDrop, kKeep, parent);
        if (answer == 1) {
            open(left);
            ++opened;
        } else if (answer == 2) {
            journal.Retire(left.id);
        }
    }
    return opened;
}
