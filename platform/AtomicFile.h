// Whole-file replacement that never leaves half a file behind, and the private folders the
// program keeps its own files in. No Qt here: the core subsystems use it too.
#pragma once

#include <string>

// Replaces the file at path with content as one step: the bytes go into a temporary file in the
// same folder, which is flushed to disk and then renamed over path; the folder is flushed too,
// so after a power cut the file is either the old one or the new one, whole. An existing file
// keeps its permission bits; a new one gets newFileMode less the process umask. Returns 0, or
// the errno of the step that failed (the old file and the folder are then as they were). The
// folder's flush is best effort: once the rename is done the file is replaced, and 0 is returned
// even where the folder cannot be opened for the flush.
int ReplaceFileAtomically(const std::string &path, const std::string &content, unsigned newFileMode = 0600);

// Called by ReplaceFileAtomically with the temporary file's path once it is written and flushed,
// just before the rename: where a program killed mid-replacement stops. For tests that must hit
// that moment rather than hope for it; process-wide, none (nullptr) by default.
using BeforeReplaceHook = void (*)(const std::string &tempPath);
void SetBeforeReplaceHook(BeforeReplaceHook hook);

// Renames from to to and flushes the folder (best effort), so the new name survives a power cut.
// Returns 0 or the rename's errno.
int RenameDurably(const std::string &from, const std::string &to);

// Removes a file and flushes its folder (best effort). A file that is already gone counts as
// removed. Returns 0 or the unlink's errno.
int RemoveFileDurably(const std::string &path);

// The user's data folder for the program named programName: $XDG_DATA_HOME/programName when
// XDG_DATA_HOME is an absolute path, otherwise ~/.local/share/programName (the home folder
// from $HOME, or from the password database when HOME is unset or not absolute). "" when no
// home folder can be found.
std::string UserDataFolder(const std::string &programName);

// Creates folder and its missing parents, each new one owner-only (0700), and makes folder
// itself owner-only even when it already existed. A folder that is not a directory or belongs
// to another user is refused. Returns 0 or an errno.
int EnsurePrivateFolder(const std::string &folder);

// An advisory lock on a file, held for the object's lifetime. The system drops it when the
// process ends in any way, so a lock that nobody holds marks a holder that is gone.
class HeldFileLock
{
public:
    // Creates the file (owner-only) when missing and takes the lock without waiting.
    explicit HeldFileLock(const std::string &path);
    ~HeldFileLock();
    HeldFileLock(const HeldFileLock &) = delete;
    HeldFileLock &operator=(const HeldFileLock &) = delete;
    bool Held() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

// True when some holder (in this process or another) has the lock on path.
bool IsFileLockHeld(const std::string &path);
