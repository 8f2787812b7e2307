// Rotation by whole degrees and the two mirror flips.
#pragma once

#include "imageops/picture.h"

namespace velmora {

// Values of the RotationType keyword list.
enum RotationType { kRotationSimple = 0, kRotationAdvanced = 1 };

// Turns the picture by ImageRotation degrees (1..359, counter-clockwise as FreeImage turns):
// SIMPLE grows the canvas and paints the uncovered corners in ImageRotationBackColor,
// ADVANCED keeps the size and turns about the centre. Pictures that are not 24 or 32 bits
// are turned as 24 bits.
Picture ApplyRotation(Picture picture);

// Mirrors left-right, then top-bottom, as the settings ask; in place, the depth unchanged.
Picture ApplyFlips(Picture picture);

} // namespace velmora
