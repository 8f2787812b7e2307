// What the colour profile costs each written file: building the profile of its values
// (a console run builds one per process), attaching it, and the bytes it adds; and the
// CMYK separation of a 24-megapixel picture.
#include "imageops/cmyk_separation.h"
#include "imageops/color_profile.h"

#include <benchmark/benchmark.h>

namespace velmora {
namespace {

void BuildAndAttach(benchmark::State& state, PictureColor color, ProfileLayout layout) {
    Picture picture(FreeImage_Allocate(64, 64, layout == ProfileLayout::Grey ? 8 : 24));
    size_t bytes = 0;
    for (auto _ : state) {
        std::string icc = BuildIccProfile(color, layout);
        FreeImage_CreateICCProfile(picture.get(), icc.data(), static_cast<long>(icc.size()));
        bytes = icc.size();
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}

void Separate(benchmark::State& state) {
    Picture scene(FreeImage_Allocate(6000, 4000, 32));
    for (int y = 0; y < 4000; ++y) {
        BYTE* row = FreeImage_GetScanLine(scene.get(), y);
        for (int x = 0; x < 6000 * 4; ++x)
            row[x] = static_cast<BYTE>(x * 7 + y);
    }
    PictureColor linear{ColorEncoding::LinearSrgbPrimaries, {}};
    for (auto _ : state) {
        state.PauseTiming();
        Picture picture(FreeImage_Clone(scene.get()));
        PictureColor color = linear;
        state.ResumeTiming();
        benchmark::DoNotOptimize(SeparateIntoCmyk(std::move(picture), color).get());
    }
}

void RegisterAll() {
    struct Kind {
        const char* name;
        ColorEncoding encoding;
        ProfileLayout layout;
    };
    const Kind kinds[] = {
        {"Profile/linear", ColorEncoding::LinearSrgbPrimaries, ProfileLayout::Rgb},
        {"Profile/bt709", ColorEncoding::Bt709Curve, ProfileLayout::Rgb},
        {"Profile/srgb", ColorEncoding::Srgb, ProfileLayout::Rgb},
        {"Profile/grey-srgb", ColorEncoding::Srgb, ProfileLayout::Grey},
    };
    for (const Kind& kind : kinds)
        benchmark::RegisterBenchmark(kind.name, BuildAndAttach, PictureColor{kind.encoding, {}},
                                     kind.layout)
            ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("Profile/cmyk-formula", [](benchmark::State& state) {
        size_t bytes = 0;
        for (auto _ : state) {
            std::string icc = BuildGreyComponentReplacementProfile();
            benchmark::DoNotOptimize(icc.data());
            bytes = icc.size();
        }
        state.counters["bytes"] = static_cast<double>(bytes);
    })->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("CmykSeparation/24MP/from-linear", Separate)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
}

} // namespace
} // namespace velmora

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    velmora::RegisterAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
