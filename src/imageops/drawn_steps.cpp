#include "imageops/drawn_steps.h"

#include "platform/library_loader.h"

namespace velmora {
namespace {

constexpr const char* kDrawingLibrary = "libvelmora-drawing.so";
constexpr const char* kEntrySymbol = "VelmoraDrawnSteps";

} // namespace

const DrawnSteps* LoadDrawnSteps() {
    static LibraryLoader library(
        ProgramLibrary(kDrawingLibrary, kEntrySymbol, "VelmoraDrawnStepsAbi", kDrawnStepsAbi));
    static const DrawnSteps* steps = ProgramLibraryTable<DrawnSteps>(library, kEntrySymbol);
    return steps;
}

} // namespace velmora
