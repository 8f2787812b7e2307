// The profile of the grey-component-replacement separations, and the reading of a CMYK
// printer profile the user names.
//
// The formula's way back, R = (1 - C)(1 - K), is a product, which lcms2's interpolation
// would only approximate. Its logarithm is a sum, which a table of two points per ink holds
// exactly: the ink curves take each ink to ln(1 - ink), the table adds, and the curves after
// it take the sum back out of the logarithm and sRGB's curve, before sRGB's matrix to XYZ.
#include "imageops/cmyk_separation.h"

#include "imageops/lcms_handles.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

namespace velmora {
namespace {

namespace fs = std::filesystem;

// lcms2 carries XYZ through a pipeline divided by the largest value its 16-bit encoding holds.
constexpr double kMaxEncodableXyz = 1.0 + 32767.0 / 32768.0;
// What full ink leaves of the paper, so that its logarithm is finite; 1e-5 of white is black.
constexpr double kFullInkPaper = 1e-5;
constexpr int kCurvePoints = 256;
// The way in (for programs that separate into this profile) interpolates the formula; the
// way back stays within one level of 8 bits, in 23 KiB per file.
constexpr int kSrgbGridPoints = 9;

double SrgbDecode(double v) {
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}
double SrgbEncode(double v) {
    return v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
}
// An ink as the logarithm of the paper it leaves, in [0, 1]; the table takes the mean of a
// colour ink's and black's, so the curve after it doubles its input back.
double InkToLogPaper(double ink) {
    return std::log(1 - (1 - kFullInkPaper) * ink) / std::log(kFullInkPaper);
}
double LogPaperToLinear(double sum) {
    return SrgbDecode(std::exp(2 * std::log(kFullInkPaper) * sum));
}

cmsStage* TabulatedCurves(int channels, double (*f)(double)) {
    std::vector<cmsUInt16Number> table(kCurvePoints);
    for (int i = 0; i < kCurvePoints; ++i) {
        double value = std::clamp(f(i / double(kCurvePoints - 1)), 0.0, 1.0);
        table[i] = static_cast<cmsUInt16Number>(std::lround(value * 65535));
    }
    cmsToneCurve* curve = cmsBuildTabulatedToneCurve16(nullptr, kCurvePoints, table.data());
    std::vector<cmsToneCurve*> curves(channels, curve);
    cmsStage* stage = cmsStageAllocToneCurves(nullptr, channels, curves.data());
    cmsFreeToneCurve(curve);
    return stage;
}

cmsStage* IdentityCurves(int channels) {
    return cmsStageAllocToneCurves(nullptr, channels, nullptr);
}

int AddLogPaper(const cmsUInt16Number in[], cmsUInt16Number out[], void*) {
    for (int channel = 0; channel < 3; ++channel)
        out[channel] = static_cast<cmsUInt16Number>((in[channel] + in[3] + 1) / 2);
    return TRUE;
}

int SrgbToInks(const cmsUInt16Number in[], cmsUInt16Number out[], void*) {
    double maximum = std::max({in[0], in[1], in[2]}) / 65535.0;
    out[3] = static_cast<cmsUInt16Number>(std::lround((1.0 - maximum) * 65535.0));
    for (int channel = 0; channel < 3; ++channel) {
        double ink = maximum > 0 ? (maximum - in[channel] / 65535.0) / maximum : 0.0;
        out[channel] = static_cast<cmsUInt16Number>(std::lround(ink * 65535.0));
    }
    return TRUE;
}

// Linear sRGB to XYZ, and back. A version 4 perceptual table takes black to the perceptual
// reference black (which lcms2 then maps onto the other profile's black), and white to white.
struct Affine {
    double matrix[9];
    double offset[3];
};

Affine SrgbToPcs(bool perceptual) {
    static const cmsCIEXYZ kBlack = {cmsPERCEPTUAL_BLACK_X, cmsPERCEPTUAL_BLACK_Y,
                                     cmsPERCEPTUAL_BLACK_Z};
    const cmsCIEXYZ* white = cmsD50_XYZ();
    Profile srgb(cmsCreate_sRGBProfile());
    const cmsTagSignature colorants[3] = {cmsSigRedColorantTag, cmsSigGreenColorantTag,
                                          cmsSigBlueColorantTag};
    Affine affine{};
    for (int column = 0; column < 3; ++column) {
        const auto* xyz = static_cast<const cmsCIEXYZ*>(cmsReadTag(srgb.get(), colorants[column]));
        const double values[3] = {xyz->X, xyz->Y, xyz->Z};
        for (int row = 0; row < 3; ++row)
            affine.matrix[row * 3 + column] = values[row] / kMaxEncodableXyz;
    }
    if (perceptual) {
        const double black[3] = {kBlack.X, kBlack.Y, kBlack.Z};
        const double paper[3] = {white->X, white->Y, white->Z};
        for (int row = 0; row < 3; ++row) {
            for (int column = 0; column < 3; ++column)
                affine.matrix[row * 3 + column] *= (paper[row] - black[row]) / paper[row];
            affine.offset[row] = black[row] / kMaxEncodableXyz;
        }
    }
    return affine;
}

Affine Inverted(const Affine& a) {
    const double* m = a.matrix;
    auto at = [m](int row, int column) { return m[(row % 3) * 3 + column % 3]; };
    Affine inverse{};
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            inverse.matrix[column * 3 + row] = at(row + 1, column + 1) * at(row + 2, column + 2) -
                                               at(row + 1, column + 2) * at(row + 2, column + 1);
    double determinant =
        m[0] * inverse.matrix[0] + m[1] * inverse.matrix[3] + m[2] * inverse.matrix[6];
    for (double& value : inverse.matrix)
        value /= determinant;
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            inverse.offset[row] -= inverse.matrix[row * 3 + column] * a.offset[column];
    return inverse;
}

cmsStage* AffineStage(const Affine& affine) {
    return cmsStageAllocMatrix(nullptr, 3, 3, affine.matrix, affine.offset);
}

cmsPipeline* InksToPcs(bool perceptual) {
    cmsPipeline* lut = cmsPipelineAlloc(nullptr, 4, 3);
    cmsStage* sum = cmsStageAllocCLut16bit(nullptr, 2, 4, 3, nullptr);
    cmsStageSampleCLut16bit(sum, AddLogPaper, nullptr, 0);
    cmsPipelineInsertStage(lut, cmsAT_END, TabulatedCurves(4, InkToLogPaper));
    cmsPipelineInsertStage(lut, cmsAT_END, sum);
    cmsPipelineInsertStage(lut, cmsAT_END, TabulatedCurves(3, LogPaperToLinear));
    cmsPipelineInsertStage(lut, cmsAT_END, AffineStage(SrgbToPcs(perceptual)));
    cmsPipelineInsertStage(lut, cmsAT_END, IdentityCurves(3));
    return lut;
}

cmsPipeline* PcsToInks(bool perceptual) {
    cmsPipeline* lut = cmsPipelineAlloc(nullptr, 3, 4);
    cmsStage* grid = cmsStageAllocCLut16bit(nullptr, kSrgbGridPoints, 3, 4, nullptr);
    cmsStageSampleCLut16bit(grid, SrgbToInks, nullptr, 0);
    cmsPipelineInsertStage(lut, cmsAT_END, IdentityCurves(3));
    cmsPipelineInsertStage(lut, cmsAT_END, AffineStage(Inverted(SrgbToPcs(perceptual))));
    cmsPipelineInsertStage(lut, cmsAT_END, TabulatedCurves(3, SrgbEncode));
    cmsPipelineInsertStage(lut, cmsAT_END, grid);
    cmsPipelineInsertStage(lut, cmsAT_END, IdentityCurves(4));
    return lut;
}

void WritePipeline(cmsHPROFILE profile, cmsTagSignature tag, cmsPipeline* lut) {
    cmsWriteTag(profile, tag, lut);
    cmsPipelineFree(lut);
}

} // namespace

std::string BuildGreyComponentReplacementProfile() {
    Profile profile(cmsCreateProfilePlaceholder(nullptr));
    cmsHPROFILE p = profile.get();
    cmsSetProfileVersion(p, 4.3);
    cmsSetDeviceClass(p, cmsSigOutputClass);
    cmsSetColorSpace(p, cmsSigCmykData);
    cmsSetPCS(p, cmsSigXYZData);
    cmsSetHeaderRenderingIntent(p, INTENT_PERCEPTUAL);
    cmsWriteTag(p, cmsSigMediaWhitePointTag, cmsD50_XYZ());
    WritePipeline(p, cmsSigAToB0Tag, InksToPcs(true));
    WritePipeline(p, cmsSigBToA0Tag, PcsToInks(true));
    WritePipeline(p, cmsSigAToB1Tag, InksToPcs(false));
    WritePipeline(p, cmsSigBToA1Tag, PcsToInks(false));
    cmsLinkTag(p, cmsSigAToB2Tag, cmsSigAToB0Tag);
    cmsLinkTag(p, cmsSigBToA2Tag, cmsSigBToA0Tag);
    return SavedProfile(p, "CMYK, grey-component replacement from sRGB");
}

namespace {

// The largest profile read; printer profiles with large tables take a few MiB.
constexpr uintmax_t kLargestProfile = 64u << 20;

// A printer profile for CMYK, by the class and colour space its header names; the whole
// file is read only for those.
std::string CmykOutputProfileIn(const fs::path& path) {
    std::error_code error;
    uintmax_t size = fs::file_size(path, error);
    if (error || size > kLargestProfile)
        return {};
    std::ifstream in(path, std::ios::binary);
    char header[20] = {};
    if (!in.read(header, sizeof header) || std::string_view(header + 12, 8) != "prtrCMYK")
        return {};
    in.seekg(0);
    std::string icc(std::istreambuf_iterator<char>(in), {});
    Profile profile = OpenProfile(icc);
    bool usable =
        profile && cmsIsIntentSupported(profile.get(), INTENT_PERCEPTUAL, LCMS_USED_AS_OUTPUT);
    return usable ? icc : std::string();
}

} // namespace

const std::string& GreyComponentReplacementProfile() {
    static const std::string profile = BuildGreyComponentReplacementProfile();
    return profile;
}

const std::string& CmykPrinterProfile(const std::string& path) {
    // One run reads the file once (validation and every file converted); a file replaced
    // between runs of the window is read again.
    static std::mutex mutex;
    static std::string readPath, profile;
    static fs::file_time_type readTime;
    std::lock_guard<std::mutex> lock(mutex);
    std::error_code error;
    fs::file_time_type time = fs::last_write_time(path, error);
    if (path != readPath || error || time != readTime) {
        readPath = path, readTime = time;
        profile = path.empty() || error ? std::string() : CmykOutputProfileIn(path);
    }
    return profile;
}

} // namespace velmora
