// Which writing screen opens an essay the journal kept: each kind of screen registers a maker
// where the screen lives, so the main window reopens a left entry without knowing the kinds.
#pragma once

#include "EssayJournal.h"

#include <functional>

class CDlgWrite;
class QWidget;

// Makes (not shows) the screen of the entry's kind with its essay and carries on with the same
// journal entry id; the caller opens it as it opens any writing screen.
using WritingScreenMaker = std::function<CDlgWrite *(QWidget *parent, const LeftJournalEntry &left)>;

// Returns true, so a screen's source can register at start-up in a constant's initialiser.
bool RegisterWritingScreenMaker(WritingScreenKind kind, WritingScreenMaker maker);
// The entry's screen, or nullptr when no screen of its kind is in the program (the entry is
// then left for a program that has one).
CDlgWrite *MakeWritingScreenFor(QWidget *parent, const LeftJournalEntry &left);
