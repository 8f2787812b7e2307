// Rotation by whole degrees and the two mirror flips.
#pragma once

#include "imageops/picture.h"
#include "settings/keywords.h"

#include <cstdint>
#include <string>

namespace velmora {

struct Settings;

struct RotationRequest {
    bool enabled = false;
    RotationType type = RotationType::Simple; // a value outside the list turns nothing
    int32_t degrees = 0;                      // turns only for 1..359
    std::string backColor = "000000";
};
RotationRequest RotationRequestFrom(const Settings& settings);

// Turns the picture by the request's degrees (counter-clockwise as FreeImage turns):
// SIMPLE grows the canvas and paints the uncovered corners in backColor, ADVANCED keeps the
// size and turns about the centre. Pictures that are not 24 or 32 bits are turned as 24 bits.
Picture ApplyRotation(Picture picture, const RotationRequest& request);

struct FlipRequest {
    bool horizontal = false, vertical = false;
};
FlipRequest FlipRequestFrom(const Settings& settings);

// Mirrors left-right, then top-bottom, as asked; in place, the depth unchanged.
Picture ApplyFlips(Picture picture, const FlipRequest& request);

} // namespace velmora
