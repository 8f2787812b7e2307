// One running instance per program title and user: an advisory lock on a file in the
// user's runtime folder, held for the life of the process.
#pragma once

#include <string>

namespace velmora {

enum class LockResult { Acquired, HeldByAnother, Unavailable };

// Path of the lock file for a title: $XDG_RUNTIME_DIR/<title>.lock, or the system
// temporary folder with the user id in the name.
std::string InstanceLockPath(const std::string& title);
// Takes the lock and keeps it until the process ends.
LockResult AcquireSingleInstanceLock(const std::string& title);

} // namespace velmora
