// The library page's item text and deletion plan.
#include "LibraryRules.h"

#include "GbkText.h"

namespace {
constexpr std::size_t kDateColumns = 10;
constexpr const char *kDateTitleGap = "   ";
} // namespace

std::string LibraryItemText(const std::string &createTime, const std::string &title)
{
    std::string text = createTime.substr(0, createTime.find(' '));
    // The padding counts the whole value, as the dates it is made for have no time part.
    if (createTime.size() < kDateColumns)
        text.append(kDateColumns - createTime.size(), ' ');
    return text + kDateTitleGap + title;
}

std::string EmptyListNotice(const std::string &searchedTitle)
{
    if (searchedTitle.empty())
        return Utf8ToGbk("还没有作文");
    return Utf8ToGbk("没有找到标题含有") + searchedTitle + Utf8ToGbk("的作文");
}

DeletionPlan PlanDeletion(const std::vector<LibraryListItem> &itemsFromTop)
{
    DeletionPlan plan;
    for (auto it = itemsFromTop.rbegin(); it != itemsFromTop.rend(); ++it) {
        if (!it->checked || it->id <= 0)
            continue;
        plan.indexes.push_back(it->index);
        plan.ids.push_back(it->id);
    }
    return plan;
}
