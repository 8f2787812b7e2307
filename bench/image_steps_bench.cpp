// Times each image step on a 24-megapixel picture (6000 x 4000), 24-bit and, where the
// step treats deep pictures differently, 48-bit, so later changes can see regressions.
// Each iteration works on a fresh copy; the copy is not timed.
#include "imageops/color_adjustment.h"
#include "imageops/dither.h"
#include "imageops/greyscale.h"
#include "imageops/resize.h"
#include "imageops/rotation.h"
#include "imageops/threshold.h"
#include "imageops/tone_mapping.h"
#include "settings/keywords.h"
#include "settings/settings.h"

#include <benchmark/benchmark.h>

#include <functional>

namespace velmora {
namespace {

constexpr int kWidth = 6000, kHeight = 4000;

// A smooth scene with detail, so that tone mapping and dithering have work to do.
FIBITMAP* MakeScene(bool deep) {
    FIBITMAP* picture = deep ? FreeImage_AllocateT(FIT_RGB16, kWidth, kHeight)
                             : FreeImage_Allocate(kWidth, kHeight, 24);
    for (int row = 0; row < kHeight; ++row) {
        BYTE* line = FreeImage_GetScanLine(picture, row);
        for (int x = 0; x < kWidth; ++x) {
            unsigned r = (x * 65535u) / kWidth, g = (row * 65535u) / kHeight;
            unsigned b = ((x ^ row) & 0xFF) * 257u;
            if (deep) {
                reinterpret_cast<FIRGB16*>(line)[x] = {WORD(r), WORD(g), WORD(b)};
            } else {
                line[x * 3 + FI_RGBA_RED] = BYTE(r >> 8);
                line[x * 3 + FI_RGBA_GREEN] = BYTE(g >> 8);
                line[x * 3 + FI_RGBA_BLUE] = BYTE(b >> 8);
            }
        }
    }
    return picture;
}

FIBITMAP* Scene(bool deep) {
    static FIBITMAP* scenes[2] = {MakeScene(false), MakeScene(true)};
    return scenes[deep];
}

using Step = std::function<Picture(Picture)>;

// A step with its request built from the settings the benchmark set.
template <auto apply, auto requestFrom> Picture WithSettings(Picture picture) {
    return apply(std::move(picture), requestFrom(gSettings));
}

void RunStep(benchmark::State& state, bool deep, const std::function<void(Settings&)>& set,
             const Step& step) {
    SettingsDefaults(true);
    set(gSettings);
    for (auto _ : state) {
        state.PauseTiming();
        Picture picture(FreeImage_Clone(Scene(deep)));
        state.ResumeTiming();
        picture = step(std::move(picture));
        benchmark::DoNotOptimize(picture.get());
        state.PauseTiming();
        if (!picture)
            state.SkipWithError("the step gave no picture");
        picture.reset();
        state.ResumeTiming();
    }
}

void Register(const char* name, bool deep, std::function<void(Settings&)> set, Step step,
              int iterations = 0) {
    auto* bench = benchmark::RegisterBenchmark(
        name, [=](benchmark::State& state) { RunStep(state, deep, set, step); });
    bench->Unit(benchmark::kMillisecond)->UseRealTime();
    if (iterations)
        bench->Iterations(iterations);
}

Picture Resize(Picture picture) {
    return ApplyResize(std::move(picture), ResizeRequestFrom(gSettings), kWidth, kHeight);
}

void RegisterAll() {
    auto rotate = [](int type, int angle) {
        return [=](Settings& s) {
            s.DoImageRotation = 1, s.ImageRotationType = int8_t(type), s.ImageRotation = angle;
        };
    };
    auto resize = [](int algorithm) {
        return [=](Settings& s) {
            s.DoImageResize = 1, s.ImageWidth = s.ImageHeight = 50;
            s.ImageWidthUnit = s.ImageHeightUnit = ValueOf(SizeUnit::Percent);
            s.ImageResizeAlgorithm = int8_t(algorithm);
        };
    };
    auto tone = [](int mapping) {
        return [=](Settings& s) {
            s.RawLoadAs = ValueOf(RawLoadAs::Rgb48), s.RawToneMapping = mapping;
        };
    };
    auto flips = [](Settings& s) { s.DoImageFlipHorizontal = s.DoImageFlipVertical = 1; };
    auto adjust = [](Settings& s) {
        s.DoImageColorCorrection = 1, s.ImageBrightness = 10, s.ImageContrast = 20;
        s.ImageGamma = 1.4f, s.ImageInvert = 1;
    };
    auto dither = [](int algorithm) {
        return
            [=](Settings& s) { s.DoImageDither = 1, s.ImageDitherAlgorithm = int8_t(algorithm); };
    };
    for (bool deep : {false, true}) {
        std::string depth = deep ? "/48bit" : "/24bit";
        auto name = [&](const char* step) { return std::string(step) + depth; };
        Register(name("Rotation/simple90").c_str(), deep, rotate(ValueOf(RotationType::Simple), 90),
                 WithSettings<ApplyRotation, RotationRequestFrom>);
        Register(name("Rotation/simple45").c_str(), deep, rotate(ValueOf(RotationType::Simple), 45),
                 WithSettings<ApplyRotation, RotationRequestFrom>);
        Register(name("Rotation/advanced45").c_str(), deep,
                 rotate(ValueOf(RotationType::Advanced), 45),
                 WithSettings<ApplyRotation, RotationRequestFrom>);
        Register(name("Resize/half/bicubic").c_str(), deep,
                 resize(ValueOf(ResizeAlgorithm::Bicubic)), Resize);
        Register(name("Resize/half/lanczos").c_str(), deep,
                 resize(ValueOf(ResizeAlgorithm::Lanczos)), Resize);
        Register(name("Flips/both").c_str(), deep, flips,
                 WithSettings<ApplyFlips, FlipRequestFrom>);
        Register(name("ColorAdjustment").c_str(), deep, adjust,
                 WithSettings<ApplyColorAdjustment, ColorAdjustmentRequestFrom>);
        Register(
            name("Greyscale").c_str(), deep, [](Settings& s) { s.DoImageGreyscale = 1; },
            WithSettings<ApplyGreyscale, GreyscaleRequestFrom>);
        Register(
            name("Threshold").c_str(), deep,
            [](Settings& s) { s.DoImageThreshold = 1, s.ImageThreshold = 128; },
            WithSettings<ApplyThreshold, ThresholdRequestFrom>);
        Register(name("Dither/fs").c_str(), deep, dither(ValueOf(DitherAlgorithm::Fs)),
                 WithSettings<ApplyDither, DitherRequestFrom>);
        Register(name("Dither/bayer8").c_str(), deep, dither(ValueOf(DitherAlgorithm::Bayer8)),
                 WithSettings<ApplyDither, DitherRequestFrom>);
    }
    Register("ToneMapping/linear/48bit", true, tone(ValueOf(ToneMapping::Linear)),
             WithSettings<ApplyToneMapping, ToneMappingRequestFrom>);
    Register("ToneMapping/al/48bit", true, tone(ValueOf(ToneMapping::AdaptiveLogarithmic)),
             WithSettings<ApplyToneMapping, ToneMappingRequestFrom>, 3);
    Register("ToneMapping/drr/48bit", true, tone(ValueOf(ToneMapping::RangeReduction)),
             WithSettings<ApplyToneMapping, ToneMappingRequestFrom>, 3);
    Register("ToneMapping/gd/48bit", true, tone(ValueOf(ToneMapping::GradientDomain)),
             WithSettings<ApplyToneMapping, ToneMappingRequestFrom>, 2);
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
