#include "platform/files.h"

#include "platform/paths.h"

#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora {
namespace {

std::string BesideOrInstalled(const std::string& name, const char* installedFolder) {
    std::string folder = ExecutableFolder();
    if (FileSize(folder + name) != kFileMissing)
        return folder + name;
    // The prefix is the executable folder's parent: <prefix>/bin/ gives <prefix>/.
    std::string prefix = folder.size() > 1 ? FolderOf(folder.substr(0, folder.size() - 1)) : folder;
    return prefix + installedFolder + name;
}

} // namespace

int64_t FileSize(const std::string& path) {
    struct stat info;
    if (path.empty() || stat(path.c_str(), &info) != 0)
        return kFileMissing;
    if (S_ISDIR(info.st_mode))
        return kFileIsFolder;
    return static_cast<int64_t>(info.st_size);
}

bool FolderExists(const std::string& path) {
    return FileSize(path) == kFileIsFolder;
}

bool FolderCanTakeFiles(const std::string& path) {
    // With this user's own rights, as creating a file there would be checked; a read-only
    // mount refuses too.
    return FolderExists(path) && faccessat(AT_FDCWD, path.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

std::optional<std::string> ReadFileStart(const std::string& path, size_t maxBytes) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return std::nullopt;
    std::string bytes(maxBytes, '\0');
    size_t got = std::fread(bytes.data(), 1, maxBytes, file);
    bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed)
        return std::nullopt;
    bytes.resize(got);
    return bytes;
}

std::optional<std::string> ReadWholeFile(const std::string& path, size_t maxBytes) {
    int64_t size = FileSize(path);
    if (size < 0 || static_cast<uint64_t>(size) > maxBytes)
        return std::nullopt;
    return ReadFileStart(path, static_cast<size_t>(size));
}

std::optional<FileTime> ModificationTime(const std::string& path) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0)
        return std::nullopt;
    return FileTime{info.st_mtim.tv_sec, info.st_mtim.tv_nsec};
}

bool SetModificationTime(const std::string& path, FileTime time) {
    timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT; // access time stays
    times[1].tv_sec = static_cast<time_t>(time.seconds);
    times[1].tv_nsec = static_cast<long>(time.nanoseconds);
    return utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

std::string ExecutablePath() {
    char buffer[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0)
        return {};
    return std::string(buffer, static_cast<size_t>(length));
}

std::string ExecutableFolder() {
    std::string path = ExecutablePath();
    return path.empty() ? CurrentFolder() : FolderOf(path);
}

std::string ProgramLibraryPath(const std::string& name) {
    return BesideOrInstalled(name, VELMORA_INSTALL_LIBDIR);
}

std::string ProgramDataPath(const std::string& name) {
    return BesideOrInstalled(name, VELMORA_INSTALL_DATADIR);
}

std::string ProgramDocumentPath(const std::string& name) {
    return BesideOrInstalled(name, VELMORA_INSTALL_DOCDIR);
}

std::string CurrentFolder() {
    char buffer[PATH_MAX];
    if (!getcwd(buffer, sizeof buffer))
        return "./";
    return WithTrailingSlash(buffer);
}

MappedFile::MappedFile(const std::string& path) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat info;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
        void* mapped =
            mmap(nullptr, static_cast<size_t>(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
        if (mapped != MAP_FAILED) {
            data_ = static_cast<unsigned char*>(mapped);
            size_ = static_cast<size_t>(info.st_size);
        }
    }
    close(fd);
}

MappedFile::~MappedFile() {
    if (data_)
        munmap(data_, size_);
}

} // namespace velmora
