// The registry of writing screen makers by kind.
#include "WritingScreenMakers.h"

#include <map>

namespace {
std::map<WritingScreenKind, WritingScreenMaker> &Makers()
{
    // Built on first use: registrations run from other files' static initialisers.
    static std::map<WritingScreenKind, WritingScreenMaker> makers;
    return makers;
}
} // namespace

bool RegisterWritingScreenMaker(WritingScreenKind kind, WritingScreenMaker maker)
{
    Makers()[kind] = std::move(maker);
    return true;
}

CDlgWrite *MakeWritingScreenFor(QWidget *parent, const LeftJournalEntry &left)
{
    const auto found = Makers().find(left.entry.kind);
    if (found == Makers().end() || !found->second)
        return nullptr;
    return found->second(parent, left);
}
