#include "dng/scene.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace velmora::dng {
namespace {

int EvenBelow(double value) {
    return std::max(0, static_cast<int>(std::floor(value / 2)) * 2);
}

// Patch geometry as fractions of the picture, so every size shows the same scene.
struct PatchLayout {
    const char* name;
    double left, top, width, height; // width and height of a square are fractions of the height
    bool square;
    double red, green, blue;
};

constexpr double kPatchTop = 0.62, kPatchHeight = 0.22, kPatchWidth = 0.125, kPatchStep = 0.155;

constexpr PatchLayout kLayout[] = {
    {"white", 0.5, 0.12, 0.26, 0.26, true, 0.90, 0.90, 0.90},
    {"red", 0.05 + 0 * kPatchStep, kPatchTop, kPatchWidth, kPatchHeight, false, 0.60, 0.05, 0.04},
    {"green", 0.05 + 1 * kPatchStep, kPatchTop, kPatchWidth, kPatchHeight, false, 0.05, 0.45, 0.06},
    {"blue", 0.05 + 2 * kPatchStep, kPatchTop, kPatchWidth, kPatchHeight, false, 0.04, 0.06, 0.55},
    {"yellow", 0.05 + 3 * kPatchStep, kPatchTop, kPatchWidth, kPatchHeight, false, 0.62, 0.55,
     0.04},
    {"magenta", 0.05 + 4 * kPatchStep, kPatchTop, kPatchWidth, kPatchHeight, false, 0.50, 0.05,
     0.50},
    {"grey", 0.05 + 5 * kPatchStep, kPatchTop, kPatchWidth, kPatchHeight, false, 0.18, 0.18, 0.18},
};

float Phase(uint32_t seed, uint32_t channel) {
    return static_cast<float>(Mix(seed, channel, 0x9E3779B9u) >> 8) / static_cast<float>(1 << 24);
}

} // namespace

uint32_t Mix(uint32_t a, uint32_t b, uint32_t c) {
    // Murmur-style finalisation of a combination: cheap, and every input bit reaches every
    // output bit, so neighbouring pixels get unrelated noise.
    uint32_t h =
        a * 0x85EBCA6Bu ^ (b + 0x7F4A7C15u) * 0xC2B2AE35u ^ (c + 0x165667B1u) * 0x27D4EB2Fu;
    h ^= h >> 16;
    h *= 0x85EBCA6Bu;
    h ^= h >> 13;
    h *= 0xC2B2AE35u;
    h ^= h >> 16;
    return h;
}

std::vector<ScenePatch> ScenePatches(int width, int height) {
    std::vector<ScenePatch> patches;
    for (const PatchLayout& layout : kLayout) {
        ScenePatch patch;
        patch.name = layout.name;
        if (layout.square) {
            const int side = std::max(2, EvenBelow(layout.width * height));
            patch.left = EvenBelow(layout.left * width - side / 2.0);
            patch.width = side;
            patch.height = side;
        } else {
            patch.left = EvenBelow(layout.left * width);
            patch.width = std::max(2, EvenBelow(layout.width * width));
            patch.height = std::max(2, EvenBelow(layout.height * height));
        }
        patch.top = EvenBelow(layout.top * height);
        patch.width = std::min(patch.width, width - patch.left);
        patch.height = std::min(patch.height, height - patch.top);
        patch.red = layout.red;
        patch.green = layout.green;
        patch.blue = layout.blue;
        patches.push_back(patch);
    }
    return patches;
}

Scene::Scene(int width, int height, uint32_t seed)
    : width_(width), patches_(ScenePatches(width, height)) {
    constexpr float kTwoPi = 2 * std::numbers::pi_v<float>;
    const float redPhase = Phase(seed, 0), greenPhase = Phase(seed, 1), bluePhase = Phase(seed, 2);
    columnRed_.resize(width);
    columnSin_.resize(width);
    columnCos_.resize(width);
    for (int x = 0; x < width; ++x) {
        const float u = (x + 0.5f) / width;
        columnRed_[x] = 0.10f + 0.35f * (0.5f + 0.5f * std::sin(kTwoPi * (u + redPhase)));
        columnSin_[x] = std::sin(kTwoPi * (0.5f * u + bluePhase));
        columnCos_[x] = std::cos(kTwoPi * (0.5f * u + bluePhase));
    }
    rowGreen_.resize(height);
    rowSin_.resize(height);
    rowCos_.resize(height);
    for (int y = 0; y < height; ++y) {
        const float v = (y + 0.5f) / height;
        rowGreen_[y] = 0.10f + 0.35f * (0.5f + 0.5f * std::sin(kTwoPi * (v + greenPhase)));
        rowSin_[y] = std::sin(kTwoPi * 0.5f * v);
        rowCos_[y] = std::cos(kTwoPi * 0.5f * v);
    }
}

void Scene::Row(int y, std::vector<LinearRgb>& out) const {
    out.resize(width_);
    const float green = rowGreen_[y], rowSin = rowSin_[y], rowCos = rowCos_[y];
    for (int x = 0; x < width_; ++x) {
        // sin(a + b) from the column's and the row's parts.
        const float blueWave = columnSin_[x] * rowCos + columnCos_[x] * rowSin;
        out[x] = {columnRed_[x], green, 0.08f + 0.40f * (0.5f + 0.5f * blueWave)};
    }
    for (const ScenePatch& patch : patches_) {
        if (y < patch.top || y >= patch.top + patch.height)
            continue;
        const LinearRgb colour{static_cast<float>(patch.red), static_cast<float>(patch.green),
                               static_cast<float>(patch.blue)};
        std::fill(out.begin() + patch.left, out.begin() + patch.left + patch.width, colour);
    }
}

} // namespace velmora::dng
