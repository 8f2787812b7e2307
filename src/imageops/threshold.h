// Black and white by a threshold level.
#pragma once

#include "imageops/picture.h"

namespace velmora {

// Makes a 1-bit picture when DoImageThreshold is set: pixels whose grey level reaches the
// low 8 bits of ImageThreshold are white, the others black.
Picture ApplyThreshold(Picture picture);

} // namespace velmora
