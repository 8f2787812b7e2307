// Owning handles for lcms2's profiles, transforms and curves, and the one way the program
// saves a profile it built.
#pragma once

#include <lcms2.h>

#include <memory>
#include <string>
#include <string_view>

namespace velmora {

struct CloseProfile {
    void operator()(void* profile) const { cmsCloseProfile(profile); }
};
using Profile = std::unique_ptr<void, CloseProfile>;

struct DeleteTransform {
    void operator()(void* transform) const { cmsDeleteTransform(transform); }
};
using Transform = std::unique_ptr<void, DeleteTransform>;

struct FreeCurve {
    void operator()(cmsToneCurve* curve) const { cmsFreeToneCurve(curve); }
};
using Curve = std::unique_ptr<cmsToneCurve, FreeCurve>;

Profile OpenProfile(std::string_view icc);

// Names the profile, gives it the copyright line of the program's profiles, and returns its
// bytes, dated at a fixed moment so that converting the same file twice gives the same file.
std::string SavedProfile(cmsHPROFILE profile, const std::string& description);

} // namespace velmora
