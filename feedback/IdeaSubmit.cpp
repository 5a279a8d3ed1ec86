// Submitting feedback and opening the feedback screens in the main window's place.
#include "IdeaSubmit.h"

#include "FatherDlg.h"
#include "GbkText.h"
#include "OkDialog.h"

IdeaOutcome SubmitIdea(const std::string &gbkText, IdeaScreen screen, QWidget *owner)
{
    const IdeaOutcome outcome = SendUserIdea(gbkText, screen);
    if (outcome.showBox)
        COkDialog::Show(Utf8ToGbk("确 定"), outcome.message, owner);
    return outcome;
}

void ShowScreenInPlace(CFatherDlg *screen, QWidget *mainWindow, bool mainMaximised)
{
    screen->SetOpenerRestored(!mainMaximised);
    screen->EnsureInitialized();
    if (mainMaximised)
        screen->Maximise();
    else if (mainWindow)
        screen->setGeometry(mainWindow->geometry());
    if (mainWindow)
        mainWindow->hide();
    screen->show();
    screen->raise();
    screen->activateWindow();
}
