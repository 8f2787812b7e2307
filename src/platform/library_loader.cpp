#include "platform/library_loader.h"

#include "platform/console.h"
#include "platform/files.h"

#include <cctype>
#include <cstdlib>
#include <dlfcn.h>
#include <optional>

namespace velmora {
namespace {

// The loaders alive in the process, so that a library can have the ones it depends on
// opened first by name.
std::mutex& RegistryLock() {
    static std::mutex lock;
    return lock;
}

std::vector<LibraryLoader*>& Registry() {
    static std::vector<LibraryLoader*> loaders;
    return loaders;
}

LibraryLoader* RegisteredLoader(const std::string& name) {
    std::lock_guard lock(RegistryLock());
    for (LibraryLoader* loader : Registry())
        if (loader->Name() == name)
            return loader;
    return nullptr;
}

std::string LastDlError() {
    const char* error = dlerror();
    return error ? error : "unknown error";
}

// The first "major.minor" in the text.
std::optional<std::pair<int, int>> MajorMinor(const char* text) {
    if (!text)
        return std::nullopt;
    for (const char* at = text; *at; ++at) {
        if (!std::isdigit(static_cast<unsigned char>(*at)))
            continue;
        char* end = nullptr;
        long major = std::strtol(at, &end, 10);
        if (*end == '.' && std::isdigit(static_cast<unsigned char>(end[1])))
            return std::make_pair(static_cast<int>(major),
                                  static_cast<int>(std::strtol(end + 1, nullptr, 10)));
        at = end - 1;
    }
    return std::nullopt;
}

// The line that refuses the library, or nothing when it is the version expected.
std::optional<std::string> VersionMismatch(void* handle, const VersionCheck& check) {
    bool abi = check.form == VersionCheck::Form::AbiNumber;
    std::string expected = abi ? std::to_string(check.major)
                               : std::to_string(check.major) + "." + std::to_string(check.minor);
    std::string found = "unknown";
    bool fits = false;
    if (void* symbol = dlsym(handle, check.symbol)) {
        if (abi) {
            int number = reinterpret_cast<int (*)()>(symbol)();
            found = std::to_string(number);
            fits = number == check.major;
        } else if (auto version = MajorMinor(reinterpret_cast<const char* (*)()>(symbol)())) {
            found = std::to_string(version->first) + "." + std::to_string(version->second);
            fits = version->first == check.major && version->second >= check.minor;
        }
    }
    if (fits)
        return std::nullopt;
    return check.library + " is version " + found + "; this program needs " + expected;
}

} // namespace

LibraryLoader::LibraryLoader(LibraryDescription description)
    : description_(std::move(description)) {
    std::lock_guard lock(RegistryLock());
    Registry().push_back(this);
}

LibraryLoader::~LibraryLoader() {
    std::lock_guard lock(RegistryLock());
    std::erase(Registry(), this);
}

bool LibraryLoader::Open() {
    if (!ready_.load(std::memory_order_acquire)) {
        // Back here from the after-open hook (or what it calls), the opening thread finds the
        // library published already; only other threads wait in call_once, so it is never
        // entered twice on one thread, whatever the hook does.
        if (opener_.load(std::memory_order_acquire) != std::this_thread::get_id())
            std::call_once(once_, [this] { OpenOnce(); });
    }
    return problem_ == LibraryProblem::None;
}

void LibraryLoader::OpenOnce() {
    for (const std::string& first : description_.opensFirst)
        if (LibraryLoader* loader = RegisteredLoader(first))
            loader->Open();
    OpenLibrary();
    // Published to this thread before either hook runs (see Open).
    opener_.store(std::this_thread::get_id(), std::memory_order_release);
    if (problem_ == LibraryProblem::None) {
        if (description_.afterOpen)
            description_.afterOpen(*this);
    } else if (description_.whenUnusable) {
        description_.whenUnusable(*this);
    }
    ready_.store(true, std::memory_order_release);
}

void LibraryLoader::OpenLibrary() {
    const LibraryDescription& d = description_;
    if (d.linkedWhenFound && dlsym(RTLD_DEFAULT, d.linkedWhenFound)) {
        handle_ = RTLD_DEFAULT;
    } else {
        const std::string& path = d.path.empty() ? d.name : d.path;
        handle_ = dlopen(path.c_str(), d.flags);
        if (!handle_) {
            bool missing = path.find('/') != std::string::npos && FileSize(path) == kFileMissing;
            problem_ = missing ? LibraryProblem::Missing : LibraryProblem::Unloadable;
            problemLine_ = LastDlError();
            return;
        }
    }
    for (const VersionCheck& check : d.versions) {
        if (auto mismatch = VersionMismatch(handle_, check)) {
            problem_ = LibraryProblem::WrongVersion;
            problemLine_ = *mismatch;
            return;
        }
    }
}

void* LibraryLoader::Symbol(const char* name, std::string* why) {
    if (!Open()) {
        if (why)
            *why = problemLine_;
        return nullptr;
    }
    void* symbol = dlsym(handle_, name);
    if (!symbol && why)
        *why =
            handle_ == RTLD_DEFAULT ? std::string(name) + " is not in the process" : LastDlError();
    return symbol;
}

const void* ProgramLibraryEntryTable(LibraryLoader& loader, const char* entry) {
    using Entry = const void* (*)();
    void* found = loader.Symbol(entry);
    return found ? reinterpret_cast<Entry>(found)() : nullptr;
}

LibraryDescription ProgramLibrary(const std::string& name, const char* entry, const char* abiSymbol,
                                  int abi) {
    LibraryDescription description;
    description.name = name;
    description.path = ProgramLibraryPath(name);
    // Bound at once: the library takes the rest of the program from the executable, and a
    // symbol it lacks is found now rather than midway through a file.
    description.flags = RTLD_NOW | RTLD_LOCAL;
    description.linkedWhenFound = entry;
    description.versions = {{name, abiSymbol, VersionCheck::Form::AbiNumber, abi, 0}};
    // One that is missing leaves its steps undone, as for an installation without it; one of
    // another version is worth a line.
    description.whenUnusable = [](LibraryLoader& loader) {
        if (loader.Problem() == LibraryProblem::WrongVersion)
            PrintProgramLine(loader.ProblemLine());
    };
    return description;
}

} // namespace velmora
