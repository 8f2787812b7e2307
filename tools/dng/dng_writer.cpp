#include "dng/dng_writer.h"

#include "dng/scene.h"
#include "dng/tiff_builder.h"

#include <FreeImage.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace velmora::dng {
namespace {

namespace tag {
constexpr uint16_t kNewSubFileType = 254, kImageWidth = 256, kImageLength = 257,
                   kBitsPerSample = 258, kCompression = 259, kPhotometric = 262, kMake = 271,
                   kModel = 272, kStripOffsets = 273, kOrientation = 274, kSamplesPerPixel = 277,
                   kRowsPerStrip = 278, kStripByteCounts = 279, kXResolution = 282,
                   kYResolution = 283, kPlanarConfiguration = 284, kResolutionUnit = 296,
                   kSoftware = 305, kDateTime = 306, kSubIfds = 330, kYCbCrSubSampling = 530,
                   kCfaRepeatPatternDim = 33421, kCfaPattern = 33422, kExposureTime = 33434,
                   kFNumber = 33437, kExifIfd = 34665, kIsoSpeedRatings = 34855,
                   kExifVersion = 36864, kDateTimeOriginal = 36867, kDngVersion = 50706,
                   kDngBackwardVersion = 50707, kUniqueCameraModel = 50708, kCfaPlaneColor = 50710,
                   kCfaLayout = 50711, kBlackLevelRepeatDim = 50713, kBlackLevel = 50714,
                   kWhiteLevel = 50717, kDefaultScale = 50718, kDefaultCropOrigin = 50719,
                   kDefaultCropSize = 50720, kColorMatrix1 = 50721, kAsShotNeutral = 50728,
                   kCalibrationIlluminant1 = 50778;
} // namespace tag

constexpr uint16_t kCompressionNone = 1, kCompressionJpeg = 7;
constexpr uint16_t kPhotometricYCbCr = 6, kPhotometricCfa = 32803;
constexpr uint16_t kResolutionInch = 2, kIlluminantD65 = 21;
constexpr int kPreviewQuality = 90;
constexpr int kMinPreviewSide = 8;
constexpr size_t kMaxTextLength = 64;
constexpr const char* kSoftware = "Velmora sample DNG writer";

// Response of the imaginary sensor to white light, relative to green: what the white balance
// has to undo. The colour matrix below is the XYZ-to-sRGB matrix scaled by it, so after white
// balance the camera's colours are linear sRGB.
constexpr std::array<double, 3> kCameraNeutral = {0.48, 1.0, 0.62};
constexpr double kXyzToSrgb[3][3] = {{3.2404542, -1.5371385, -0.4985314},
                                     {-0.9692660, 1.8760108, 0.0415560},
                                     {0.0556434, -0.2040259, 1.0572252}};
// Peak-to-peak sensor noise in raw units: enough that the seed shows in every pixel.
constexpr float kNoiseAmplitude = 24;

bool IsExifDateTime(const std::string& text) {
    if (text.size() != 19)
        return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char expected = i == 4 || i == 7     ? ':'
                              : i == 10            ? ' '
                              : i == 13 || i == 16 ? ':'
                                                   : '0';
        if (expected == '0' ? !std::isdigit(static_cast<unsigned char>(text[i]))
                            : text[i] != expected)
            return false;
    }
    return true;
}

bool IsPrintableAscii(const std::string& text) {
    for (char c : text)
        if (c < 0x20 || c > 0x7E)
            return false;
    return true;
}

bool PositiveFinite(double value, double limit) {
    return std::isfinite(value) && value > 0 && value <= limit;
}

// Tags that describe the picture and how it was taken; shared by the DNG and the EXIF block
// of its preview, so both tell the same story.
void AddDescriptiveTags(TiffBuilder& tiff, int primaryIndex, const DngOptions& options) {
    TiffDirectory& primary = tiff.Directory(primaryIndex);
    primary.Ascii(tag::kMake, options.make);
    primary.Ascii(tag::kModel, options.model);
    primary.Short(tag::kOrientation, static_cast<uint16_t>(options.orientation));
    primary.Rationals(tag::kXResolution, {ToRational(options.xResolutionDpi)});
    primary.Rationals(tag::kYResolution, {ToRational(options.yResolutionDpi)});
    primary.Short(tag::kResolutionUnit, kResolutionInch);
    primary.Ascii(tag::kSoftware, kSoftware);
    primary.Ascii(tag::kDateTime, options.dateTimeOriginal);

    const int exifIndex = tiff.AddDirectory();
    TiffDirectory& exif = tiff.Directory(exifIndex);
    exif.Rationals(tag::kExposureTime, {ToRational(options.exposureTime)});
    exif.Rationals(tag::kFNumber, {ToRational(options.fNumber, 100)});
    exif.Short(tag::kIsoSpeedRatings, static_cast<uint16_t>(options.iso));
    exif.Undefined(tag::kExifVersion, "0230");
    exif.Ascii(tag::kDateTimeOriginal, options.dateTimeOriginal);
    tiff.Directory(primaryIndex).DirectoryOffsets(tag::kExifIfd, {exifIndex});
}

void AddColourTags(TiffDirectory& primary, const DngOptions& options) {
    primary.Bytes(tag::kDngVersion, {1, 4, 0, 0});
    primary.Bytes(tag::kDngBackwardVersion, {1, 1, 0, 0});
    primary.Ascii(tag::kUniqueCameraModel, options.make + " " + options.model);
    std::vector<SRational> matrix;
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            matrix.push_back(ToSRational(kXyzToSrgb[row][column] * kCameraNeutral[row], 10000));
    primary.SRationals(tag::kColorMatrix1, matrix);
    primary.Short(tag::kCalibrationIlluminant1, kIlluminantD65);
    std::vector<Rational> neutral;
    for (double value : kCameraNeutral)
        neutral.push_back(ToRational(value, 10000));
    primary.Rationals(tag::kAsShotNeutral, neutral);
}

void AddRawTags(TiffDirectory& raw, const DngOptions& options, int block) {
    const auto width = static_cast<uint32_t>(options.width);
    const auto height = static_cast<uint32_t>(options.height);
    raw.Long(tag::kNewSubFileType, 0);
    raw.Long(tag::kImageWidth, width);
    raw.Long(tag::kImageLength, height);
    raw.Short(tag::kBitsPerSample, 16);
    raw.Short(tag::kCompression, kCompressionNone);
    raw.Short(tag::kPhotometric, kPhotometricCfa);
    raw.BlockOffsets(tag::kStripOffsets, {block});
    raw.Short(tag::kSamplesPerPixel, 1);
    raw.Long(tag::kRowsPerStrip, height);
    raw.Long(tag::kStripByteCounts, width * height * 2);
    raw.Short(tag::kPlanarConfiguration, 1);
    raw.Shorts(tag::kCfaRepeatPatternDim, {2, 2});
    raw.Bytes(tag::kCfaPattern, {0, 1, 1, 2}); // red green / green blue
    raw.Bytes(tag::kCfaPlaneColor, {0, 1, 2});
    raw.Short(tag::kCfaLayout, 1);
    raw.Shorts(tag::kBlackLevelRepeatDim, {1, 1});
    raw.Short(tag::kBlackLevel, kBlackLevel);
    raw.Short(tag::kWhiteLevel, kWhiteLevel);
    raw.Rationals(tag::kDefaultScale, {{1, 1}, {1, 1}});
    raw.Longs(tag::kDefaultCropOrigin, {0, 0});
    raw.Longs(tag::kDefaultCropSize, {width, height});
}

// The mosaic: each pixel keeps the one colour its filter passes, as the sensor would record
// it before white balance, plus a little seeded noise.
std::string RenderMosaic(const DngOptions& options) {
    const Scene scene(options.width, options.height, options.seed);
    const float range = kWhiteLevel - kBlackLevel;
    std::array<float, 3> gain{};
    for (int c = 0; c < 3; ++c)
        gain[c] = static_cast<float>(kCameraNeutral[c]) * range;

    std::string bytes(static_cast<size_t>(options.width) * options.height * 2, '\0');
    auto* out = reinterpret_cast<unsigned char*>(bytes.data());
    std::vector<LinearRgb> row;
    for (int y = 0; y < options.height; ++y) {
        scene.Row(y, row);
        for (int x = 0; x < options.width; ++x) {
            const LinearRgb& colour = row[x];
            const bool evenRow = (y & 1) == 0, evenColumn = (x & 1) == 0;
            const float value = evenRow && evenColumn     ? colour.red * gain[0]
                                : !evenRow && !evenColumn ? colour.blue * gain[2]
                                                          : colour.green * gain[1];
            const float noise =
                (static_cast<float>(
                     Mix(static_cast<uint32_t>(x), static_cast<uint32_t>(y), options.seed) >> 16) /
                     65535.0f -
                 0.5f) *
                kNoiseAmplitude;
            const float level = std::clamp(std::round(kBlackLevel + value + noise), 0.0f,
                                           static_cast<float>(kWhiteLevel));
            const auto sample = static_cast<uint16_t>(level);
            *out++ = static_cast<unsigned char>(sample & 0xFF);
            *out++ = static_cast<unsigned char>(sample >> 8);
        }
    }
    return bytes;
}

uint8_t EncodeSrgb(double linear) {
    linear = std::clamp(linear, 0.0, 1.0);
    const double encoded =
        linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1 / 2.4) - 0.055;
    return static_cast<uint8_t>(std::lround(encoded * 255));
}

struct BitmapDeleter {
    void operator()(FIBITMAP* bitmap) const { FreeImage_Unload(bitmap); }
};
struct MemoryDeleter {
    void operator()(FIMEMORY* memory) const { FreeImage_CloseMemory(memory); }
};

std::string EncodeJpeg(const DngOptions& options, Size size) {
    std::unique_ptr<FIBITMAP, BitmapDeleter> bitmap(
        FreeImage_Allocate(size.width, size.height, 24));
    if (!bitmap)
        throw std::runtime_error("cannot allocate the preview");
    // The preview shows the white-balanced scene in sRGB, as a camera's would.
    constexpr int kSteps = 4096;
    std::array<uint8_t, kSteps + 1> toSrgb{};
    for (int i = 0; i <= kSteps; ++i)
        toSrgb[i] = EncodeSrgb(static_cast<double>(i) / kSteps);
    auto lookup = [&](float linear) {
        return toSrgb[static_cast<size_t>(std::clamp(linear, 0.0f, 1.0f) * kSteps + 0.5f)];
    };
    const Scene scene(size.width, size.height, options.seed);
    std::vector<LinearRgb> row;
    for (int y = 0; y < size.height; ++y) {
        scene.Row(y, row);
        // FreeImage stores rows bottom-up.
        BYTE* line = FreeImage_GetScanLine(bitmap.get(), size.height - 1 - y);
        for (int x = 0; x < size.width; ++x, line += 3) {
            line[FI_RGBA_RED] = lookup(row[x].red);
            line[FI_RGBA_GREEN] = lookup(row[x].green);
            line[FI_RGBA_BLUE] = lookup(row[x].blue);
        }
    }
    std::unique_ptr<FIMEMORY, MemoryDeleter> memory(FreeImage_OpenMemory());
    if (!memory || !FreeImage_SaveToMemory(FIF_JPEG, bitmap.get(), memory.get(),
                                           kPreviewQuality | JPEG_SUBSAMPLING_420))
        throw std::runtime_error("cannot encode the preview");
    BYTE* data = nullptr;
    DWORD length = 0;
    FreeImage_AcquireMemory(memory.get(), &data, &length);
    return std::string(reinterpret_cast<const char*>(data), length);
}

// An APP1 "Exif" segment put straight after the start-of-image marker. LibRaw looks for it
// exactly there: a preview without it gets a made-up EXIF block, with a fixed 300 dpi.
std::string WithExif(const std::string& jpeg, const DngOptions& options) {
    if (jpeg.size() < 4 || static_cast<unsigned char>(jpeg[0]) != 0xFF ||
        static_cast<unsigned char>(jpeg[1]) != 0xD8)
        throw std::runtime_error("the preview encoder did not produce a JPEG stream");
    TiffBuilder tiff;
    AddDescriptiveTags(tiff, tiff.AddDirectory(), options);
    const std::string payload = std::string("Exif\0\0", 6) + tiff.Build();
    if (payload.size() + 2 > 0xFFFF)
        throw std::runtime_error("the preview's EXIF block is too long");
    const auto segmentLength = static_cast<uint16_t>(payload.size() + 2);

    // A JFIF header would have to come first as well; cameras leave it out, and so do we.
    size_t rest = 2;
    if (static_cast<unsigned char>(jpeg[2]) == 0xFF &&
        static_cast<unsigned char>(jpeg[3]) == 0xE0 && jpeg.size() >= 6)
        rest =
            4 + ((static_cast<unsigned char>(jpeg[4]) << 8) | static_cast<unsigned char>(jpeg[5]));
    if (rest > jpeg.size())
        throw std::runtime_error("the preview encoder produced a damaged JPEG header");

    std::string out = jpeg.substr(0, 2);
    out += '\xFF';
    out += '\xE1';
    out += static_cast<char>(segmentLength >> 8);
    out += static_cast<char>(segmentLength & 0xFF);
    out += payload;
    out.append(jpeg, rest, std::string::npos);
    return out;
}

} // namespace

std::string CheckOptions(const DngOptions& options) {
    auto side = [](int value) { return value >= kMinSide && value <= kMaxSide && value % 2 == 0; };
    if (!side(options.width) || !side(options.height))
        return "width and height must be even numbers from " + std::to_string(kMinSide) + " to " +
               std::to_string(kMaxSide);
    if (options.embedPreview && options.previewWidth != 0 &&
        (options.previewWidth < kMinPreviewSide || options.previewWidth > options.width))
        return "the preview width must be 0 or from " + std::to_string(kMinPreviewSide) +
               " to the raw width";
    if (!PositiveFinite(options.xResolutionDpi, 1e6) ||
        !PositiveFinite(options.yResolutionDpi, 1e6))
        return "the resolution must be a positive number of dots per inch";
    if (options.make.empty() || options.model.empty() || options.make.size() > kMaxTextLength ||
        options.model.size() > kMaxTextLength || !IsPrintableAscii(options.make) ||
        !IsPrintableAscii(options.model))
        return "make and model must be printable ASCII of 1 to " + std::to_string(kMaxTextLength) +
               " characters";
    if (!IsExifDateTime(options.dateTimeOriginal))
        return "the capture time must look like 2024:05:17 10:30:00";
    if (!PositiveFinite(options.exposureTime, 1e5) || !PositiveFinite(options.fNumber, 1e3))
        return "exposure time and f-number must be positive";
    if (options.iso < 1 || options.iso > 65535)
        return "the ISO speed must be from 1 to 65535";
    if (options.orientation < 1 || options.orientation > 8)
        return "the orientation must be from 1 to 8";
    return {};
}

Size PreviewSize(const DngOptions& options) {
    if (!options.embedPreview)
        return {};
    const int width = options.previewWidth != 0 ? options.previewWidth : options.width / 2;
    const auto height =
        static_cast<int>(std::lround(static_cast<double>(width) * options.height / options.width));
    return {width, std::max(1, height)};
}

std::string BuildDng(const DngOptions& options) {
    if (const std::string problem = CheckOptions(options); !problem.empty())
        throw std::invalid_argument(problem);

    TiffBuilder tiff;
    const int first = tiff.AddDirectory();
    if (options.embedPreview) {
        const Size size = PreviewSize(options);
        const std::string jpeg = WithExif(EncodeJpeg(options, size), options);
        const auto jpegLength = static_cast<uint32_t>(jpeg.size());
        const int jpegBlock = tiff.AddBlock(jpeg);
        TiffDirectory& preview = tiff.Directory(first);
        preview.Long(tag::kNewSubFileType, 1);
        preview.Long(tag::kImageWidth, static_cast<uint32_t>(size.width));
        preview.Long(tag::kImageLength, static_cast<uint32_t>(size.height));
        preview.Shorts(tag::kBitsPerSample, {8, 8, 8});
        preview.Short(tag::kCompression, kCompressionJpeg);
        preview.Short(tag::kPhotometric, kPhotometricYCbCr);
        preview.BlockOffsets(tag::kStripOffsets, {jpegBlock});
        preview.Short(tag::kSamplesPerPixel, 3);
        preview.Long(tag::kRowsPerStrip, static_cast<uint32_t>(size.height));
        preview.Long(tag::kStripByteCounts, jpegLength);
        preview.Short(tag::kPlanarConfiguration, 1);
        preview.Shorts(tag::kYCbCrSubSampling, {2, 2});

        const int raw = tiff.AddDirectory();
        AddRawTags(tiff.Directory(raw), options, tiff.AddBlock(RenderMosaic(options)));
        tiff.Directory(first).DirectoryOffsets(tag::kSubIfds, {raw});
    } else {
        AddRawTags(tiff.Directory(first), options, tiff.AddBlock(RenderMosaic(options)));
    }
    AddColourTags(tiff.Directory(first), options);
    AddDescriptiveTags(tiff, first, options);
    return tiff.Build();
}

bool WriteDng(const std::string& path, const DngOptions& options, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error)
            *error = why;
        return false;
    };
    std::string bytes;
    try {
        bytes = BuildDng(options);
    } catch (const std::exception& e) {
        return fail(e.what());
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return fail("cannot write " + path + ": " + std::strerror(errno));
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const int writeErrno = errno;
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        const std::string why = std::strerror(written ? errno : writeErrno);
        std::remove(path.c_str());
        return fail("cannot write " + path + ": " + why);
    }
    return true;
}

} // namespace velmora::dng
