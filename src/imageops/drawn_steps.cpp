#include "imageops/drawn_steps.h"

#include "platform/files.h"

namespace velmora {
namespace {

constexpr const char* kDrawingLibrary = "libvelmora-drawing.so";
constexpr const char* kEntrySymbol = "VelmoraDrawnSteps";

} // namespace

const DrawnSteps* LoadDrawnSteps() {
    static const DrawnSteps* steps = ProgramLibraryTable<DrawnSteps>(kDrawingLibrary, kEntrySymbol);
    return steps;
}

} // namespace velmora
