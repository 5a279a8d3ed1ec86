// Opening a web address in the user's browser.
#pragma once

#include <QString>
#include <functional>
#include <string>

// Opens the address with the desktop's handler, falling back to running xdg-open; returns false
// when neither could be started.
bool OpenUrl(const QString &url);
// The same for an address held as program text (GBK bytes).
bool OpenUrl(const std::string &gbkUrl);

// Replaces the opener (tests record the addresses instead of starting a browser); an empty
// function restores the desktop's.
void SetUrlOpener(std::function<bool(const QString &url)> opener);
