#include "platform/temp_files.h"

#include "platform/console.h"
#include "platform/paths.h"
#include "platform/text.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <pthread.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace velmora {
namespace {

// ".NAME" + kTempSuffix; mkstemps fills the X's and keeps the ".part" after them.
constexpr std::string_view kTempSuffix = ".XXXXXX.part";
constexpr int kTempSuffixAfterRandom = 5;
constexpr int kTerminationSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The temporary files being written, for the signal handler. A slot's generation is odd
// while its path changes; the changing thread blocks the termination signals meanwhile, so
// a handler running on another thread waits for the change instead of reading half a path.
struct PendingTemp {
    std::atomic<unsigned> generation{0};
    char path[PATH_MAX] = {};
};
PendingTemp gPending[4];
std::mutex gPendingChanges; // between threads; the handler never takes it
// Set by the handler before it looks at the slots: a file created after that look removes
// itself.
std::atomic<bool> gTerminating{false};

class TerminationSignalsBlocked {
public:
    TerminationSignalsBlocked() {
        sigset_t blocked;
        sigemptyset(&blocked);
        for (int signal : kTerminationSignals)
            sigaddset(&blocked, signal);
        pthread_sigmask(SIG_BLOCK, &blocked, &previous_);
    }
    ~TerminationSignalsBlocked() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
    TerminationSignalsBlocked(const TerminationSignalsBlocked&) = delete;
    TerminationSignalsBlocked& operator=(const TerminationSignalsBlocked&) = delete;

private:
    sigset_t previous_;
};

// Runs change on slot with its generation odd.
template <typename Change> void ChangeSlot(PendingTemp& slot, Change change) {
    slot.generation.fetch_add(1);
    change(slot.path);
    slot.generation.fetch_add(1);
}

// What the new file takes over from the file it replaces, or a new file's defaults.
struct Protection {
    mode_t mode = 0;
    std::optional<struct stat> replaced;
};

// The group (and, for root, the owner) of the replaced file, where this user may set them;
// then its mode, which a change of owner could otherwise have cut.
void Protect(int fd, const Protection& protection) {
    if (protection.replaced) {
        const struct stat& old = *protection.replaced;
        if (fchown(fd, old.st_uid, old.st_gid) != 0 &&
            fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0) {
            // Not this user's to give: the new file keeps the user's own group.
        }
    }
    fchmod(fd, protection.mode);
}

// mkstemps on pattern inside a free slot; the created path, or "" (errno set) when it
// failed.
std::string CreateInFreeSlot(const std::string& pattern, const Protection& protection) {
    TerminationSignalsBlocked blocked;
    std::lock_guard lock(gPendingChanges);
    for (PendingTemp& slot : gPending) {
        if (slot.path[0] != '\0')
            continue;
        int fd = -1;
        ChangeSlot(slot, [&](char* path) {
            std::memcpy(path, pattern.c_str(), pattern.size() + 1);
            fd = mkstemps(path, kTempSuffixAfterRandom);
            if (fd < 0)
                path[0] = '\0';
        });
        if (fd < 0)
            return {};
        // mkstemps makes the file private; it gets what the file it replaces had.
        Protect(fd, protection);
        close(fd);
        std::string created = slot.path;
        if (gTerminating.load()) {
            unlink(created.c_str());
            errno = EINTR;
            return {};
        }
        return created;
    }
    errno = EBUSY;
    return {};
}

void Forget(const std::string& temp) {
    TerminationSignalsBlocked blocked;
    std::lock_guard lock(gPendingChanges);
    for (PendingTemp& slot : gPending)
        if (temp == slot.path)
            ChangeSlot(slot, [](char* path) { path[0] = '\0'; });
}

// Async-signal-safe: atomics, nanosleep, unlink, tcsetattr, sigaction and raise only.
void RemovePendingAndEnd(int signal) {
    gTerminating.store(true);
    RestoreTerminalAfterSignal();
    char path[PATH_MAX];
    for (PendingTemp& slot : gPending) {
        for (;;) {
            unsigned before = slot.generation.load();
            if (before % 2 == 0) {
                std::memcpy(path, slot.path, sizeof path);
                if (slot.generation.load() == before)
                    break;
            }
            timespec pause{0, 100000};
            nanosleep(&pause, nullptr);
        }
        if (path[0] != '\0')
            unlink(path);
    }
    // The signal is delivered again, with its default action, once the handler returns.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigaction(signal, &fallback, nullptr);
    raise(signal);
}

mode_t CurrentUmask() {
    // umask can only be read by setting it; done once, before any thread starts writing files.
    static mode_t mask = [] {
        mode_t old = umask(022);
        umask(old);
        return old;
    }();
    return mask;
}

// ".NAME.XXXXXX.part" beside target, with NAME cut (never inside a character) so that the
// whole name fits the folder's limit.
std::string TempPatternFor(const std::string& target) {
    std::string folder = FolderOf(target);
    long limit = pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
    size_t room = static_cast<size_t>(limit > 0 ? limit : NAME_MAX);
    size_t decoration = 1 + kTempSuffix.size();
    std::string name = NameOf(target);
    name = Utf8Prefix(name, room > decoration ? room - decoration : 0);
    return folder + "." + name + std::string(kTempSuffix);
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

bool Flush(const std::string& path, int flags) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | flags);
    if (fd < 0)
        return false;
    bool flushed = fsync(fd) == 0;
    int error = errno;
    close(fd);
    errno = error;
    return flushed;
}

void Tell(std::string* why, std::string text) {
    if (why)
        *why = std::move(text);
}

// The file a save to path replaces: path itself, or the file a link there points at. The
// protection the new file takes comes from it. nullopt, with *why, when it cannot be
// replaced.
std::optional<std::string> ResolveTarget(const std::string& path, Protection& protection,
                                         std::string* why) {
    protection = {0666 & ~CurrentUmask(), std::nullopt};
    struct stat found;
    if (lstat(path.c_str(), &found) != 0)
        return path; // a new file (a missing folder shows when the temporary file is made)
    std::string target = path;
    if (S_ISLNK(found.st_mode)) {
        char* resolved = realpath(path.c_str(), nullptr);
        if (!resolved) {
            Tell(why, errno == ENOENT
                          ? "the output path is a link to a file that does not exist"
                          : FileErrorText(errno, "the link at the output path cannot be followed"));
            return std::nullopt;
        }
        target = resolved;
        std::free(resolved);
        if (stat(target.c_str(), &found) != 0) {
            Tell(why, FileErrorText(errno, "the file the output link points at cannot be read"));
            return std::nullopt;
        }
    }
    if (S_ISDIR(found.st_mode)) {
        Tell(why, "the output path is a folder");
        return std::nullopt;
    }
    if (!S_ISREG(found.st_mode)) {
        Tell(why, "the output path is not a regular file");
        return std::nullopt;
    }
    // An overwrite in place would be refused; so is a replacement.
    if (faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
        Tell(why, FileErrorText(errno, "the existing output file cannot be written"));
        return std::nullopt;
    }
    protection = {found.st_mode & 0777, found};
    return target;
}

} // namespace

std::string FileErrorText(int errorNumber, std::string_view doing) {
    switch (errorNumber) {
    case ENOSPC:
        return "the disk is full";
    case EDQUOT:
        return "the disk quota is exceeded";
    case EFBIG:
        return "file too large for this system's limit";
    default:
        break;
    }
    char buffer[256];
    // The GNU strerror_r gives back its text, in buffer or not.
    const char* text = strerror_r(errorNumber, buffer, sizeof buffer);
    return std::string(doing) + ": " + text;
}

std::optional<TempFile> CreateTempFileBeside(const std::string& target, std::string* why) {
    Protection protection;
    std::optional<std::string> replaced = ResolveTarget(target, protection, why);
    if (!replaced)
        return std::nullopt;
    std::string pattern = TempPatternFor(*replaced);
    if (pattern.size() >= PATH_MAX) {
        Tell(why, "the output path is too long");
        return std::nullopt;
    }
    std::string temp = CreateInFreeSlot(pattern, protection);
    if (temp.empty()) {
        Tell(why, errno == ENOENT ? "the output folder does not exist"
                                  : FileErrorText(errno, "the output folder cannot be written"));
        return std::nullopt;
    }
    return TempFile{temp, *replaced};
}

bool CommitTempFile(const TempFile& temp, std::string* why) {
    // Flushed first: after a crash the target is the earlier file or the whole new one, never
    // a name whose blocks were not written yet.
    if (!Flush(temp.path, 0)) {
        Tell(why, FileErrorText(errno, "the output file could not be written to the disk"));
        DiscardTempFile(temp);
        return false;
    }
    if (std::rename(temp.path.c_str(), temp.target.c_str()) != 0) {
        Tell(why, FileErrorText(errno, "the output file cannot be replaced"));
        DiscardTempFile(temp);
        return false;
    }
    Forget(temp.path);
    // The rename itself reaches the disk with the folder.
    std::string folder = FolderOf(temp.target);
    Flush(folder.empty() ? "." : folder, O_DIRECTORY);
    return true;
}

void DiscardTempFile(const TempFile& temp) {
    unlink(temp.path.c_str());
    Forget(temp.path);
}

bool WriteFileAtomically(const std::string& target, std::string_view bytes, std::string* why) {
    auto temp = CreateTempFileBeside(target, why);
    if (!temp)
        return false;
    int fd = open(temp->path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    bool ok = fd >= 0 && WriteAll(fd, bytes);
    int error = errno;
    if (fd >= 0)
        ok = (close(fd) == 0) && ok;
    if (!ok) {
        Tell(why, FileErrorText(error, "the file could not be written"));
        DiscardTempFile(*temp);
        return false;
    }
    return CommitTempFile(*temp, why);
}

void RemoveTempFilesOnTermination() {
    struct sigaction action {};
    action.sa_handler = RemovePendingAndEnd;
    sigemptyset(&action.sa_mask);
    for (int signal : kTerminationSignals)
        sigaddset(&action.sa_mask, signal);
    for (int signal : kTerminationSignals) {
        // A signal ignored from the start stays ignored: nohup and background jobs count on it.
        struct sigaction inherited {};
        if (sigaction(signal, nullptr, &inherited) == 0 && inherited.sa_handler != SIG_IGN)
            sigaction(signal, &action, nullptr);
    }
    std::signal(SIGXFSZ, SIG_IGN);
}

} // namespace velmora
