// After a sign-in: the essays the same user left unsaved in an earlier run, offered one after
// another in the program's question box.
#pragma once

#include "EssayJournal.h"

#include <functional>
#include <string>

class QWidget;

// The question for one left entry (GBK): its title, cut to 20 characters, in the sentence.
std::string LeftEssayQuestion(const JournalEntry &entry);

// Asks about each of user's left entries, oldest first: "确定" calls open with the entry (the
// caller opens the writing screen of its kind, carrying on with the same entry id); "放弃"
// retires it; "取消" keeps it for the next start. Returns how many were opened.
int OfferLeftEssays(QWidget *parent, const EssayJournal &journal, const std::string &user,
                    const std::function<void(const LeftJournalEntry &)> &open);
