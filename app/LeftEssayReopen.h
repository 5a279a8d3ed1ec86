// After a sign-in: the essays the same user left unsaved are offered, and those the student
// takes are opened in their writing screens one at a time, the next when the last one closes.
#pragma once

class QWidget;

// Runs once the main window's start-up has returned to the event loop.
void OfferLeftEssaysAfterSignIn(QWidget *mainWindow);
