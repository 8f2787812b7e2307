#include "platform/instance_lock.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace velmora {

std::string InstanceLockPath(const std::string& title) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime) {
        std::string folder = runtime;
        if (folder.back() != '/')
            folder += '/';
        return folder + title + ".lock";
    }
    const char* temp = std::getenv("TMPDIR");
    std::string folder = (temp && *temp) ? temp : "/tmp";
    if (folder.back() != '/')
        folder += '/';
    return folder + title + "-" + std::to_string(getuid()) + ".lock";
}

LockResult AcquireSingleInstanceLock(const std::string& title) {
    // The descriptor stays open on purpose: closing it would release the lock.
    int fd = open(InstanceLockPath(title).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return LockResult::Unavailable;
    if (flock(fd, LOCK_EX | LOCK_NB) == 0)
        return LockResult::Acquired;
    int error = errno;
    close(fd);
    return error == EWOULDBLOCK ? LockResult::HeldByAnother : LockResult::Unavailable;
}

} // namespace velmora
