// The program folder (AppFolder): the executable's directory, ending with its separator, and the
// resolution of the designed relative names ("\config.ini", "img\startpage.jpg") under it. The
// files the program writes (config.ini, write.dll) live in the data folder, which is the
// program folder unless the program was installed by its package.
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
// The program's English name: its user data folder and its package are named after it.
inline constexpr const char *kProgramName = "penlark";
// A file only the installed package puts beside the executable. The installed program folder is
// not the user's to write (and a test running as root could write it anyway), so the marker, not
// the folder's permissions, says that the program keeps its own files elsewhere.
inline constexpr const char *kInstalledMarker = "penlark.installed";

// Whether a designed relative name is one of the files the program writes ("\config.ini",
// "write.dll"...), which live in the data folder rather than the program folder.
bool IsDataFileName(const std::string &relative);

// The data folder for a program folder: the program folder itself, or, when the installed marker
// lies in it, the user's data folder (UserDataFolder(kProgramName) + "/") if one can be found.
std::string DataFolderFor(const std::string &appFolder);
// The process-wide data folder, decided with AppFolder (on first use or by InitAppFolder).
const std::string &DataFolder();

// Makes the data folder ready when it is not the program folder: creates it owner-only and copies
// each data file still missing there from the copy shipped in the program folder, owner-only.
// Files already there are kept, made owner-only. Returns 0 or the errno of the first failure.
int SeedDataFolder();

// The one resolution of every file of the program: data files under DataFolder(), every other
// name (pictures, pages, the skin) under AppFolder().
std::string AppPath(const std::string &relative);
