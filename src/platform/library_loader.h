// Shared libraries the program opens at run time (FreeImage, the graphical face, the drawing
// and metadata libraries): each opened once per process with the dlopen flags it needs, and
// refused unless it is the version the program was built for, so that a wrong library ends
// in one line on standard error rather than in a crash inside it.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace velmora {

// FreeImage's file name, under which the program's loader for it (in the executable) is
// found by the libraries that link FreeImage.
inline constexpr const char* kFreeImageLibraryName = "libfreeimage.so.3";

// A function of the library that says which version it is, and what the program expects.
struct VersionCheck {
    enum class Form {
        // extern "C" int symbol(): an ABI number, which must be `major`.
        AbiNumber,
        // extern "C" const char* symbol(): text with "major.minor" in it ("3.18.0",
        // "LIBTIFF, Version 4.5.0"); the major must be `major`, the minor at least `minor`,
        // as a later minor release keeps the interface.
        VersionText,
    };
    // The library as the message names it (a dependency may answer for itself).
    std::string library;
    const char* symbol = nullptr;
    Form form = Form::AbiNumber;
    int major = 0;
    int minor = 0;
};

class LibraryLoader;

struct LibraryDescription {
    // The file name, as messages and other loaders' opensFirst name the library.
    std::string name;
    // What dlopen is given; the name when empty.
    std::string path;
    int flags = 0;
    // When the process has this symbol already (the library is linked in), the library's
    // symbols are taken from the process and nothing is opened.
    const char* linkedWhenFound = nullptr;
    std::vector<VersionCheck> versions;
    // Libraries opened first through the loaders the process keeps for them to its end (found
    // by name); a name without a loader is left to the dynamic loader.
    std::vector<std::string> opensFirst;
    // Runs once the library is open and checked, on the opening thread, which may call back
    // into this loader from it; other threads wait until it has returned.
    std::function<void(LibraryLoader&)> afterOpen;
    // Runs once when the library cannot be used, on the opening thread; it may end the process.
    std::function<void(LibraryLoader&)> whenUnusable;
};

enum class LibraryProblem { None, Missing, Unloadable, WrongVersion };

class LibraryLoader {
public:
    explicit LibraryLoader(LibraryDescription description);
    ~LibraryLoader();
    LibraryLoader(const LibraryLoader&) = delete;
    LibraryLoader& operator=(const LibraryLoader&) = delete;

    // Opens the library on the first call; true when it is open and of the expected version.
    bool Open();
    // The named symbol of the open library, or nullptr (and *why says why when given).
    void* Symbol(const char* name, std::string* why = nullptr);

    const std::string& Name() const { return description_.name; }
    // After Open: what keeps the library from use, and one line that says it, without the
    // program's name ("libfreeimage.so.3 is version 3.17; this program needs 3.18", or the
    // dynamic loader's own words).
    LibraryProblem Problem() const { return problem_; }
    const std::string& ProblemLine() const { return problemLine_; }

private:
    void OpenOnce();
    void OpenLibrary();

    const LibraryDescription description_;
    std::once_flag once_;
    std::atomic<bool> ready_{false};
    // The thread running OpenOnce, set before the after-open hook runs.
    std::atomic<std::thread::id> opener_{};
    void* handle_ = nullptr;
    LibraryProblem problem_ = LibraryProblem::None;
    std::string problemLine_;
};

// The table of functions one of the program's own libraries offers through its entry point
// (a function taking nothing); nullptr when the library cannot be used. A library of
// another version says so in one line on standard error.
const void* ProgramLibraryEntryTable(LibraryLoader& loader, const char* entry);
template <typename Table>
const Table* ProgramLibraryTable(LibraryLoader& loader, const char* entry) {
    return static_cast<const Table*>(ProgramLibraryEntryTable(loader, entry));
}

// The description of one of the program's own libraries: from the process when linked in
// (the graphical face, the tests), else from the program's library folder, bound at once;
// its abiSymbol must return abi, the number this program was built with.
LibraryDescription ProgramLibrary(const std::string& name, const char* entry, const char* abiSymbol,
                                  int abi);

} // namespace velmora
