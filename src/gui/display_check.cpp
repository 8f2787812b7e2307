#include "gui/display_check.h"

namespace velmora {
namespace {

bool IsSet(const char* value) {
    return value && *value;
}

} // namespace

bool DisplayIsNamed(const char* platform, const char* x11Display, const char* waylandDisplay) {
    return IsSet(platform) || IsSet(x11Display) || IsSet(waylandDisplay);
}

} // namespace velmora
