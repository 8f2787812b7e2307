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

int RunGraphicalFace(FaceMode mode, const std::string& argument, const std::string& program) {
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
    switch (AcquireSingleInstanceLock(ProgramTitle())) {
    case LockResult::Acquired:
        break;
    case LockResult::HeldByAnother:
        std::fprintf(stderr, "%s: another instance of %s is running\n", program.c_str(),
                     ProgramTitle().c_str());
        return kExitLockHeld;
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
        status = RunGraphicalFace(FaceMode::MainWindow, {}, program);
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
