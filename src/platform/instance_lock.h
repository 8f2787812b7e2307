// One running instance per program title and user: an advisory lock on a file, held for
// the life of the process. The file lies in the user's runtime folder, or, when that is not
// set or cannot hold it (after su, in some containers), in a private folder of the user's
// under the temporary folder.
#pragma once

#include <string>
#include <vector>

namespace velmora {

enum class LockResult { Acquired, HeldByAnother, Unavailable };

// The lock files of a title in the order they are tried: $XDG_RUNTIME_DIR/<title>.lock when
// that is an absolute folder, then <temporary folder>/velmora-<uid>/<title>.lock.
std::vector<std::string> InstanceLockPlaces(const std::string& title);
// Takes the lock at the first place that can hold it and keeps it until the process ends.
LockResult AcquireSingleInstanceLock(const std::string& title);

} // namespace velmora
