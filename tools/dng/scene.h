// The synthetic scene, sampled row by row at any size: the mosaic and the preview are drawn
// from the same description.
#pragma once

#include "dng/dng_writer.h"

#include <cstdint>
#include <vector>

namespace velmora::dng {

struct LinearRgb {
    float red = 0, green = 0, blue = 0;
};

class Scene {
public:
    Scene(int width, int height, uint32_t seed);

    // Linear colour of each pixel of row y; out gets width() values.
    void Row(int y, std::vector<LinearRgb>& out) const;

private:
    int width_;
    std::vector<ScenePatch> patches_;
    // The gradients are separable: red varies along x, green along y, blue along x + y, so a
    // row costs a few multiplications per pixel and no trigonometry.
    std::vector<float> columnRed_, columnSin_, columnCos_;
    std::vector<float> rowGreen_, rowSin_, rowCos_;
};

// A deterministic hash of three values, for noise and seed-dependent phases.
uint32_t Mix(uint32_t a, uint32_t b, uint32_t c);

} // namespace velmora::dng
