// Program entry: takes the single-instance lock, runs the console driver and, when the
// driver finds no input to convert, hands over to the graphical face. A window start that
// finds the lock held by an open window hands that window its file instead.
#include "cli/console_main.h"
#include "cli/entry/face.h"
#include "cli/help.h"
#include "platform/console.h"
#include "platform/files.h"
#include "platform/instance_lock.h"
#include "platform/library_loader.h"
#include "platform/picture_heap.h"
#include "platform/temp_files.h"
#include "platform/window_handover.h"

#include <dlfcn.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <thread>

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
    std::string line = "%s: ";
    if (WindowIsListening(WindowSocketPath(InstanceLockPath())))
        line += "the window of %s is open; this run can start once it is closed\n";
    else if (sharing == LockSharing::Alone)
        line += "another instance of %s is running; console conversions can run side by side "
                "with %s=1\n";
    else
        line += "another instance of %s is running that needs it alone (a window, or a run "
                "without %s=1)\n";
    std::fprintf(stderr, line.c_str(), program.c_str(), ProgramTitle().c_str(), kParallelVariable);
    return kExitLockHeld;
}

// How long a second window start keeps asking: the first instance may still be starting its
// window, or ending.
constexpr auto kHandOverPatience = std::chrono::seconds(5);
constexpr int kHandOverReplyMilliseconds = 5000;
constexpr auto kHandOverRetryPause = std::chrono::milliseconds(100);

// A window start beside another instance hands its file to that instance's window, which
// comes to the front; Handed then, or Acquired when the other instance ended meanwhile and
// this one may open its own window.
enum class HandOver { Handed, Acquired, Refused };
HandOver HandToOpenWindow(const std::string& input, LockSharing sharing) {
    std::string file = AbsoluteFromHere(input);
    auto deadline = std::chrono::steady_clock::now() + kHandOverPatience;
    for (;;) {
        std::string socket = WindowSocketPath(InstanceLockPath());
        if (HandFileToWindow(socket, file, kHandOverReplyMilliseconds) == HandOverResult::Taken)
            return HandOver::Handed;
        if (std::chrono::steady_clock::now() >= deadline)
            return HandOver::Refused;
        std::this_thread::sleep_for(kHandOverRetryPause);
        switch (AcquireSingleInstanceLock(ProgramTitle(), sharing)) {
        case LockResult::Acquired:
            return HandOver::Acquired;
        case LockResult::HeldByAnother:
            break;
        case LockResult::Unavailable:
            return HandOver::Refused;
        }
    }
}

int RunGraphicalFace(FaceMode mode, const std::string& argument, const std::string& program) {
    // A window is never opened beside console runs that share the lock.
    if (HoldInstanceLockAlone() != LockResult::Acquired) {
        std::fprintf(stderr,
                     "%s: console conversions of %s are running; the window needs them done\n",
                     program.c_str(), ProgramTitle().c_str());
        return kExitLockHeld;
    }
    LibraryDescription description;
    description.name = kFaceLibraryName;
    description.path = ProgramLibraryPath(kFaceLibraryName);
    // Global: the drawing library the face links is then the one the engine finds in the
    // process (LoadDrawnSteps).
    description.flags = RTLD_NOW | RTLD_GLOBAL;
    description.versions = {
        {kFaceLibraryName, kFaceAbiSymbol, VersionCheck::Form::AbiNumber, kFaceAbi, 0}};
    LibraryLoader face(std::move(description));
    if (!face.Open()) {
        // A library that is there but does not load (a missing Qt, a missing symbol) says why.
        bool missing = face.Problem() == LibraryProblem::Missing;
        return ReportFaceUnavailable(program, missing ? "this build has no graphical face"
                                                      : face.ProblemLine().c_str());
    }
    auto entry = reinterpret_cast<VelmoraFaceEntry>(face.Symbol(kFaceEntrySymbol));
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
    Arguments arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    LockResult lock = AcquireSingleInstanceLock(ProgramTitle(), sharing);
    if (lock == LockResult::HeldByAnother) {
        // A start of the window (from the desktop's menu, or a file's "Open with") is quiet
        // when the open window takes it over.
        if (std::optional<std::string> input = WindowStartInput(arguments)) {
            switch (HandToOpenWindow(*input, sharing)) {
            case HandOver::Handed:
                return kExitOk;
            case HandOver::Acquired:
                lock = LockResult::Acquired;
                break;
            case HandOver::Refused:
                break;
            }
        }
    }
    switch (lock) {
    case LockResult::Acquired:
        break;
    case LockResult::HeldByAnother:
        return ReportLockHeld(program, sharing);
    case LockResult::Unavailable:
        std::fprintf(stderr, "%s: cannot create the instance lock %s\n", program.c_str(),
                     JoinedPlaces(InstanceLockPlaces(ProgramTitle())).c_str());
        return kExitLockHeld;
    }

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
