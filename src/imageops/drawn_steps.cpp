#include "imageops/drawn_steps.h"

#include "platform/files.h"

#include <dlfcn.h>

namespace velmora {
namespace {

constexpr const char* kDrawingLibrary = "libvelmora-drawing.so";
constexpr const char* kEntrySymbol = "VelmoraDrawnSteps";

using Entry = const DrawnSteps* (*)();

const DrawnSteps* FindDrawnSteps() {
    // Linked into the process already (the graphical face, the tests), or opened from the
    // program's library folder; the library takes the settings from the executable.
    void* symbol = dlsym(RTLD_DEFAULT, kEntrySymbol);
    if (!symbol) {
        std::string path = ProgramLibraryPath(kDrawingLibrary);
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            return nullptr;
        symbol = dlsym(handle, kEntrySymbol);
    }
    return symbol ? reinterpret_cast<Entry>(symbol)() : nullptr;
}

} // namespace

const DrawnSteps* LoadDrawnSteps() {
    static const DrawnSteps* steps = FindDrawnSteps();
    return steps;
}

} // namespace velmora
