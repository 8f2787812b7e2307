// One running instance per program title and user: an advisory lock on a file, held for
// the life of the process. The file lies in the user's runtime folder, or, when that is not
// set or cannot hold it (after su, in some containers), in a private folder of the user's
// under the temporary folder.
#pragma once

#include <string>
#include <vector>

namespace velmora {

enum class LockResult { Acquired, HeldByAnother, Unavailable };

// Alone: no other instance may run. WithConsoleRuns: other console conversion runs that
// share too may run at the same time; an instance that holds the lock alone (a window) keeps
// them all out, and they keep it out.
enum class LockSharing { Alone, WithConsoleRuns };

// The lock files of a title in the order they are tried: $XDG_RUNTIME_DIR/<title>.lock when
// that is an absolute folder, then <temporary folder>/velmora-<uid>/<title>.lock.
std::vector<std::string> InstanceLockPlaces(const std::string& title);
// Takes the lock at the first place that can hold it and keeps it until the process ends.
LockResult AcquireSingleInstanceLock(const std::string& title,
                                     LockSharing sharing = LockSharing::Alone);
// The lock file this process holds, else the one it last found held by another instance
// (where that instance's window listens, see window_handover.h); "" before either.
std::string InstanceLockPath();
// Turns a shared lock this process holds into one it holds alone (a run that opens a window
// needs it so); HeldByAnother while other runs share it.
LockResult HoldInstanceLockAlone();

} // namespace velmora
