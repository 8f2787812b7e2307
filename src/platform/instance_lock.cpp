#include "platform/instance_lock.h"

#include "platform/paths.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora {
namespace {

std::string EnvironmentFolder(const char* name) {
    const char* value = std::getenv(name);
    return value ? WithTrailingSlash(value) : std::string();
}

// A folder the lock file may lie in; a private one is made on first use.
struct LockFolder {
    std::string path; // without a trailing "/", so that lstat sees a link as a link
    bool isPrivate;
};

std::vector<LockFolder> LockFolders() {
    std::vector<LockFolder> folders;
    std::string runtime = EnvironmentFolder("XDG_RUNTIME_DIR");
    // A relative runtime folder is invalid, as the base directory rules say.
    if (!runtime.empty() && runtime.front() == '/')
        folders.push_back({runtime.substr(0, runtime.size() - 1), false});
    std::string temp = EnvironmentFolder("TMPDIR");
    folders.push_back(
        {(temp.empty() ? std::string("/tmp/") : temp) + "velmora-" + std::to_string(getuid()),
         true});
    return folders;
}

// Made with mode 0700 when missing. Refused when it is a link, belongs to another user or
// lets others write into it: whoever could change it could take or fake the lock.
bool IsPrivateFolder(const std::string& folder) {
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat info;
    return lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == getuid() &&
           (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// The lock this process holds; its descriptor stays open on purpose, since closing it
// would release the lock.
int gLockDescriptor = -1;
bool gHeldAlone = false;
// The lock file held here, or the one last found held by another instance.
std::string gLockPath;

std::string LockFileIn(const LockFolder& folder, const std::string& title) {
    return folder.path + "/" + title + ".lock";
}

} // namespace

std::vector<std::string> InstanceLockPlaces(const std::string& title) {
    std::vector<std::string> places;
    for (const LockFolder& folder : LockFolders())
        places.push_back(LockFileIn(folder, title));
    return places;
}

LockResult AcquireSingleInstanceLock(const std::string& title, LockSharing sharing) {
    int kind = sharing == LockSharing::Alone ? LOCK_EX : LOCK_SH;
    for (const LockFolder& folder : LockFolders()) {
        if (folder.isPrivate && !IsPrivateFolder(folder.path))
            continue;
        std::string path = LockFileIn(folder, title);
        int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0)
            continue;
        if (flock(fd, kind | LOCK_NB) == 0) {
            gLockDescriptor = fd;
            gHeldAlone = kind == LOCK_EX;
            gLockPath = path;
            return LockResult::Acquired;
        }
        int error = errno;
        close(fd);
        if (error == EWOULDBLOCK) {
            gLockPath = path;
            return LockResult::HeldByAnother;
        }
    }
    return LockResult::Unavailable;
}

std::string InstanceLockPath() {
    return gLockPath;
}

LockResult HoldInstanceLockAlone() {
    if (gLockDescriptor < 0)
        return LockResult::Unavailable;
    if (gHeldAlone)
        return LockResult::Acquired;
    if (flock(gLockDescriptor, LOCK_EX | LOCK_NB) != 0)
        return errno == EWOULDBLOCK ? LockResult::HeldByAnother : LockResult::Unavailable;
    gHeldAlone = true;
    return LockResult::Acquired;
}

} // namespace velmora
