#include "platform/temp_files.h"

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

// mkstemps on pattern inside a free slot; the created path, or "" when it failed.
std::string CreateInFreeSlot(const std::string& pattern, mode_t mode) {
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
        // mkstemps makes the file private; it gets what a plain new file would get.
        fchmod(fd, mode);
        close(fd);
        std::string created = slot.path;
        if (gTerminating.load()) {
            unlink(created.c_str());
            return {};
        }
        return created;
    }
    return {};
}

void Forget(const std::string& temp) {
    TerminationSignalsBlocked blocked;
    std::lock_guard lock(gPendingChanges);
    for (PendingTemp& slot : gPending)
        if (temp == slot.path)
            ChangeSlot(slot, [](char* path) { path[0] = '\0'; });
}

// Async-signal-safe: atomics, nanosleep, unlink, sigaction and raise only.
void RemovePendingAndEnd(int signal) {
    gTerminating.store(true);
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
    close(fd);
    return flushed;
}

} // namespace

std::optional<std::string> CreateTempFileBeside(const std::string& target) {
    std::string pattern = TempPatternFor(target);
    if (pattern.size() >= PATH_MAX)
        return std::nullopt;
    std::string temp = CreateInFreeSlot(pattern, 0666 & ~CurrentUmask());
    if (temp.empty())
        return std::nullopt;
    return temp;
}

bool CommitTempFile(const std::string& temp, const std::string& target) {
    // Flushed first: after a crash the target is the earlier file or the whole new one, never
    // a name whose blocks were not written yet.
    if (!Flush(temp, 0) || std::rename(temp.c_str(), target.c_str()) != 0) {
        DiscardTempFile(temp);
        return false;
    }
    Forget(temp);
    // The rename itself reaches the disk with the folder.
    std::string folder = FolderOf(target);
    Flush(folder.empty() ? "." : folder, O_DIRECTORY);
    return true;
}

void DiscardTempFile(const std::string& temp) {
    unlink(temp.c_str());
    Forget(temp);
}

bool WriteFileAtomically(const std::string& target, std::string_view bytes) {
    auto temp = CreateTempFileBeside(target);
    if (!temp)
        return false;
    int fd = open(temp->c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    bool ok = fd >= 0 && WriteAll(fd, bytes);
    if (fd >= 0)
        ok = (close(fd) == 0) && ok;
    if (!ok) {
        DiscardTempFile(*temp);
        return false;
    }
    return CommitTempFile(*temp, target);
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
