// File system operations on UTF-8 paths: sizes, folders, first bytes, dates, the
// executable's folder and the program's own files.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace velmora {

constexpr int64_t kFileMissing = -1;
constexpr int64_t kFileIsFolder = -2;

// Size in bytes; kFileMissing when nothing is there, kFileIsFolder for a folder.
int64_t FileSize(const std::string& path);
bool FolderExists(const std::string& path);
// An existing folder in which this user may create files.
bool FolderCanTakeFiles(const std::string& path);

// Up to maxBytes from the start of the file; nullopt when it cannot be read.
std::optional<std::string> ReadFileStart(const std::string& path, size_t maxBytes);
// The whole file, refused when larger than maxBytes.
std::optional<std::string> ReadWholeFile(const std::string& path, size_t maxBytes);

struct FileTime {
    int64_t seconds = 0;
    int64_t nanoseconds = 0;
};
std::optional<FileTime> ModificationTime(const std::string& path);
bool SetModificationTime(const std::string& path, FileTime time);

// Path of the running executable, from /proc/self/exe.
std::string ExecutablePath();
// Folder of the running executable, ending in "/".
std::string ExecutableFolder();
// The current working folder, ending in "/".
std::string CurrentFolder();

// Paths of the program's own files. In a build tree they lie beside the executable; an
// installation (VELMORA_INSTALL_* in CMakeLists.txt) keeps the executable in <prefix>/bin/,
// its libraries in <prefix>/lib/velmoracmd/, its data in <prefix>/share/velmoracmd/ and its
// manual in <prefix>/share/doc/velmoracmd/. Each gives the path beside the executable when
// name (a file or folder) is there, else the installed one.
std::string ProgramLibraryPath(const std::string& name);
std::string ProgramDataPath(const std::string& name);
std::string ProgramDocumentPath(const std::string& name);

// A file mapped read-only into memory for as long as the object lives; data() is null when
// the file could not be mapped (missing, empty, a folder).
class MappedFile {
public:
    explicit MappedFile(const std::string& path);
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    const unsigned char* data() const { return data_; }
    size_t size() const { return size_; }

private:
    unsigned char* data_ = nullptr;
    size_t size_ = 0;
};

} // namespace velmora
