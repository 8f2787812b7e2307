// Profile files: the "CLI" group of a key = value file, whose keys are long option names.
#pragma once

#include <string>

namespace velmora {

// Applies the profile's options to Settings. False when the name is empty or the file
// cannot be read; true otherwise, also for an empty file or one without a "CLI" group.
bool LoadProfile(const std::string& fileName);

} // namespace velmora
