#include "imageops/drawn_steps.h"

#include "platform/files.h"

namespace velmora {
namespace {

constexpr const char* kDrawingLibrary = "libvelmora-drawing.so";
constexpr const char* kEntrySymbol = "VelmoraDrawnSteps";

using Entry = const DrawnSteps* (*)();

const DrawnSteps* FindDrawnSteps() {
    void* entry = ProgramLibraryEntry(kDrawingLibrary, kEntrySymbol);
    return entry ? reinterpret_cast<Entry>(entry)() : nullptr;
}

} // namespace

const DrawnSteps* LoadDrawnSteps() {
    static const DrawnSteps* steps = FindDrawnSteps();
    return steps;
}

} // namespace velmora
