// What the two feedback screens share: sending the field's text and telling the user the
// outcome, and opening a programme screen in the main window's place.
#pragma once
#include "OperationsComposition.h"

#include <QRect>
#include <string>

class CFatherDlg;
class QWidget;

// Sends the text (GBK, as the field holds it) with WsUserIdea and shows what the screen shows
// for the outcome in the notice box with the button "确 定". An empty text is not sent.
IdeaOutcome SubmitIdea(const std::string &gbkText, IdeaScreen screen, QWidget *owner);

// Opens a programme screen over the main window: the screen learns whether the main window was
// restored, takes its rectangle (or the whole screen when it was maximised) and shows; the main
// window hides. The screen is a child of the main window and deletes itself on Back.
void ShowScreenInPlace(CFatherDlg *screen, QWidget *mainWindow, bool mainMaximised);
