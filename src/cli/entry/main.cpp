// Program entry: takes the single-instance lock, runs the console driver and, when the
// driver finds no input to convert, hands over to the graphical face.
#include "cli/console_main.h"
#include "cli/entry/face.h"
#include "cli/help.h"
#include "platform/console.h"
#include "platform/files.h"
#include "platform/instance_lock.h"
#include "platform/picture_heap.h"
#include "platform/temp_files.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

using namespace velmora;

int ReportFaceUnavailable(const std::string& program, const char* reason) {
    std::fputs(FaceUnavailableLine(program, reason).c_str(), stderr);
    return kExitError;
}

std::string JoinedPlaces(const std::vector<std::string>& places) {
    std::string joined;
    for (const std::string& place : places)
        joined += (joined.empty() ? "" : " or ") + place;
    return joined;
}

constexpr const char* kParallelVariable = "VELMORA_PARALLEL";

// Console conversions share the instance lock with each other when the user asks for it
// (xargs -P, GNU parallel); without the variable one instance runs at a time.
LockSharing RequestedSharing() {
    const char* value = std::getenv(kParallelVariable);
    bool parallel = value && *value && std::string_view(value) != "0";
    return parallel ? LockSharing::WithConsoleRuns : LockSharing::Alone;
}

// One line that says who holds the lock and, for a refused console run, how to run several.
int ReportLockHeld(const std::string& program, LockSharing sharing) {
    const char* hint = sharing == LockSharing::Alone
                           ? "; console conversions can run side by side with %s=1"
                           : " that needs it alone (a window, or a run without %s=1)";
    std::string line = "%s: another instance of %s is running" + std::string(hint) + "\n";
    std::fprintf(stderr, line.c_str(), program.c_str(), ProgramTitle().c_str(), kParallelVariable);
    return kExitLockHeld;
}

int RunGraphicalFace(FaceMode mode, const std::string& argument, const std::string& program) {
    // A window is never opened beside console runs that share the lock.
    if (HoldInstanceLockAlone() != LockResult::Acquired) {
        std::fprintf(stderr,
                     "%s: console conversions of %s are running; the window needs them done\n",
                     program.c_str(), ProgramTitle().c_str());
        return kExitLockHeld;
    }
    std::string library = ProgramLibraryPath(kFaceLibraryName);
    void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_GLOBAL);
    if (!handle) {
        // A library that is there but does not load (a missing Qt, a missing symbol) says why.
        std::string reason =
            FileSize(library) == kFileMissing ? "this build has no graphical face" : dlerror();
        return ReportFaceUnavailable(program, reason.c_str());
    }
    auto entry = reinterpret_cast<VelmoraFaceEntry>(dlsym(handle, kFaceEntrySymbol));
    if (!entry)
        return ReportFaceUnavailable(program, "its library is damaged");
    return entry(static_cast<int>(mode), argument.c_str(), program.c_str());
}

} // namespace

int main(int argc, char** argv) {
    ConfigurePictureHeap();
    RemoveTempFilesOnTermination();
    // The name the user typed, which may be a link's: the help and every message use it.
    std::string invokedAs = argc > 0 && argv[0][0] != '\0' ? argv[0] : ExecutablePath();
    std::string program = ExecutableNameForHelp(invokedAs);
    SetProgramNameForErrors(program);
    LockSharing sharing = RequestedSharing();
    switch (AcquireSingleInstanceLock(ProgramTitle(), sharing)) {
    case LockResult::Acquired:
        break;
    case LockResult::HeldByAnother:
        return ReportLockHeld(program, sharing);
    case LockResult::Unavailable:
        std::fprintf(stderr, "%s: cannot create the instance lock %s\n", program.c_str(),
                     JoinedPlaces(InstanceLockPlaces(ProgramTitle())).c_str());
        return kExitLockHeld;
    }

    Arguments arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    DriverResult result = ConsoleMain(arguments, invokedAs);
    FlushConsole();

    int status = result.exitCode;
    switch (result.next) {
    case NextStep::Exit:
        break;
    case NextStep::OpenGraphicalFace:
        status = RunGraphicalFace(FaceMode::MainWindow, result.windowInput, program);
        break;
    case NextStep::UninstallWindow:
        status = RunGraphicalFace(FaceMode::UninstallWindow, {}, program);
        break;
    case NextStep::Screenshots:
        status = RunGraphicalFace(FaceMode::Screenshots, result.screenshotFolder, program);
        break;
    }
    return status;
}
