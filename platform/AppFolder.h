// The program folder (AppFolder): the executable's directory, ending with its separator, and the
// resolution of the designed relative names ("\config.ini", "img\startpage.jpg") under it.
#pragma once

#include <string>

// The directory part of an executable path: everything up to and including the last separator
// ('\\' or '/'), or "" when there is none. The search reads the bytes as GBK, so the second byte
// of a double-byte character is never taken for a separator; '/' can never be such a byte, so a
// UTF-8 path splits at its real separators too.
std::string AppFolderFromPath(const std::string &executablePath);

// The process-wide program folder: computed from this process's executable on first use, or
// set once at start-up by InitAppFolder. Read-only afterwards.
const std::string &AppFolder();
// Sets the program folder from an executable path (start-up; tests point it at a fixture).
void InitAppFolder(const std::string &executablePath);

// folder + relative by plain concatenation, made native: backslashes become '/', runs of
// separators collapse to one, names keep their spelling and case. With an empty folder the
// result is relative to the current directory.
std::string ResolveAppPath(const std::string &folder, const std::string &relative);
// ResolveAppPath(AppFolder(), relative).
std::string AppPath(const std::string &relative);
