// The library page's rules that need no window: the text of a list item and which checked
// essays a deletion removes and sends, in which order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// "CreateTime" up to its first blank, padded with blanks to 10 characters when the whole value
// is shorter than that, then three blanks and the title (GBK in, GBK out).
std::string LibraryItemText(const std::string &createTime, const std::string &title);

// What the list's place says when the service lists no essay: "还没有作文" for the whole library,
// "没有找到标题含有<title>的作文" for a search (GBK in, as the search was sent; GBK out).
std::string EmptyListNotice(const std::string &searchedTitle);

// One list item as the deletion sees it, in list order from the top.
struct LibraryListItem
{
    int index = 0;       // the list's own item number
    std::int32_t id = 0; // the essay's identifier; 0 when the service gave none that reads as one
    bool checked = false;
};

struct DeletionPlan
{
    std::vector<int> indexes;      // the items to remove, from the bottom up
    std::vector<std::int32_t> ids; // their identifiers, in the same order
    bool Empty() const { return ids.empty(); }
};

// The checked items that hold a real identifier, from the last to the first. A checked item
// without one is left alone: the service could not delete it, so it stays in the list.
DeletionPlan PlanDeletion(const std::vector<LibraryListItem> &itemsFromTop);
