#include "engine/metadata.h"

#include <exiv2/exiv2.hpp>
#include <tiffio.h>

#include <array>
#include <cstring>
#include <mutex>
#include <optional>
#include <set>
#include <string_view>

namespace velmora {
namespace {

// Tags of the first directory that describe the picture rather than the file; every
// other tag there (sizes, strips, tiles, sub-directories, DNG colour data, thumbnails)
// belongs to the source's own structure.
const std::set<std::string, std::less<>>& DescriptiveImageTags() {
    static const std::set<std::string, std::less<>> tags = {
        "Exif.Image.ImageDescription", "Exif.Image.Make",      "Exif.Image.Model",
        "Exif.Image.Software",         "Exif.Image.DateTime",  "Exif.Image.Artist",
        "Exif.Image.HostComputer",     "Exif.Image.Copyright", "Exif.Image.DocumentName",
    };
    return tags;
}

// Tags of the EXIF directory that describe how the source was stored or point elsewhere.
const std::set<std::string, std::less<>>& StructuralPhotoTags() {
    static const std::set<std::string, std::less<>> tags = {
        "Exif.Photo.PixelXDimension",
        "Exif.Photo.PixelYDimension",
        "Exif.Photo.InteroperabilityTag",
        "Exif.Photo.ComponentsConfiguration",
        "Exif.Photo.CompressedBitsPerPixel",
        "Exif.Photo.MakerNote",
        "Exif.Photo.RelatedSoundFile",
        // Not structural, but libtiff expects another type for it and warns on every read.
        "Exif.Photo.GainControl",
    };
    return tags;
}

bool IsMakerNoteGroup(const std::string& group) {
    static constexpr std::array<std::string_view, 9> kNotMakerNotes = {
        "Image",  "Photo",  "GPSInfo", "Iop",      "Thumbnail",
        "Image2", "Image3", "MpfInfo", "MakerNote"};
    for (std::string_view name : kNotMakerNotes)
        if (group == name)
            return false;
    return group.rfind("SubImage", 0) != 0 && group.rfind("SubThumb", 0) != 0;
}

bool IsDescriptive(const Exiv2::Exifdatum& datum) {
    const std::string key = datum.key();
    const std::string group = datum.groupName();
    // Tags without a name are private to their maker; TIFF readers stumble over them.
    if (datum.tagName().rfind("0x", 0) == 0)
        return false;
    if (group == "Image")
        return DescriptiveImageTags().count(key) != 0;
    if (group == "Photo")
        return StructuralPhotoTags().count(key) == 0;
    if (group == "GPSInfo")
        return key != "Exif.GPSInfo.GPSTag";
    return IsMakerNoteGroup(group);
}

bool IsDescriptive(const Exiv2::Xmpdatum& datum) {
    static const std::set<std::string, std::less<>> structural = {
        "Xmp.tiff.ImageWidth",
        "Xmp.tiff.ImageLength",
        "Xmp.tiff.BitsPerSample",
        "Xmp.tiff.Compression",
        "Xmp.tiff.PhotometricInterpretation",
        "Xmp.tiff.SamplesPerPixel",
        "Xmp.tiff.PlanarConfiguration",
        "Xmp.tiff.YCbCrSubSampling",
        "Xmp.tiff.YCbCrPositioning",
        "Xmp.tiff.XResolution",
        "Xmp.tiff.YResolution",
        "Xmp.tiff.ResolutionUnit",
        "Xmp.exif.PixelXDimension",
        "Xmp.exif.PixelYDimension",
    };
    return structural.count(datum.key()) == 0;
}

// FreeImage keeps the EXIF block it read as one raw buffer, starting with "Exif\0\0".
void DecodeRawExif(FIBITMAP* holder, Exiv2::ExifData& exif) {
    FITAG* tag = nullptr;
    if (!FreeImage_GetMetadata(FIMD_EXIF_RAW, holder, "ExifRaw", &tag) || !tag)
        return;
    const auto* bytes = static_cast<const Exiv2::byte*>(FreeImage_GetTagValue(tag));
    size_t size = FreeImage_GetTagLength(tag);
    if (!bytes || size < 8)
        return;
    if (size >= 6 && std::memcmp(bytes, "Exif\0\0", 6) == 0)
        bytes += 6, size -= 6;
    Exiv2::ExifParser::decode(exif, bytes, static_cast<uint32_t>(size));
}

void DecodeXmpPacket(FIBITMAP* holder, Exiv2::XmpData& xmp) {
    FITAG* tag = nullptr;
    if (!FreeImage_GetMetadata(FIMD_XMP, holder, "XMLPacket", &tag) || !tag)
        return;
    const char* text = static_cast<const char*>(FreeImage_GetTagValue(tag));
    if (text)
        Exiv2::XmpParser::decode(xmp,
                                 std::string(text, strnlen(text, FreeImage_GetTagLength(tag))));
}

struct SourceMetadata {
    Exiv2::ExifData exif;
    Exiv2::XmpData xmp;
    Exiv2::IptcData iptc;
};

// The source file as exiv2 reads it comes first: what FreeImage carries for a camera file
// is often LibRaw's own rendering (shortened model names, rounded apertures). What the
// source lacks, FreeImage's copy fills in.
SourceMetadata GatherMetadata(const std::string& sourcePath, FIBITMAP* holder) {
    SourceMetadata merged;
    try {
        auto source = Exiv2::ImageFactory::open(sourcePath);
        source->readMetadata();
        merged.exif = source->exifData();
        merged.xmp = source->xmpData();
        merged.iptc = source->iptcData();
    } catch (const std::exception&) {
        // A source exiv2 cannot read keeps what FreeImage carried.
    }
    if (holder) {
        Exiv2::ExifData exif;
        Exiv2::XmpData xmp;
        DecodeRawExif(holder, exif);
        DecodeXmpPacket(holder, xmp);
        for (const auto& datum : exif)
            if (merged.exif.findKey(Exiv2::ExifKey(datum.key())) == merged.exif.end())
                merged.exif.add(datum);
        for (const auto& datum : xmp)
            if (merged.xmp.findKey(Exiv2::XmpKey(datum.key())) == merged.xmp.end())
                merged.xmp.add(datum);
    }
    return merged;
}

// Some cameras pad text tags with zero bytes; TIFF readers cut them there and warn, so
// the text ends at its first zero byte.
void CopyExif(const Exiv2::Exifdatum& datum, Exiv2::ExifData& exif) {
    if (datum.typeId() != Exiv2::asciiString) {
        exif[datum.key()] = datum.value();
        return;
    }
    std::string text = datum.toString();
    text.resize(strnlen(text.c_str(), text.size()));
    exif[datum.key()] = text;
}

// TIFF/EP cameras keep exposure tags (ExposureTime, FNumber, ISO...) in the first
// directory. The written file keeps them in its EXIF directory, where readers look for
// them and where libtiff knows them, unless the source has them there already.
std::optional<Exiv2::Exifdatum> TiffEpTagInExifDirectory(const Exiv2::Exifdatum& datum,
                                                         const Exiv2::ExifData& all) {
    static const std::set<std::string, std::less<>> exposureTags = {
        "ExposureTime",        "FNumber",          "ExposureProgram",
        "SpectralSensitivity", "ISOSpeedRatings",  "DateTimeOriginal",
        "ShutterSpeedValue",   "ApertureValue",    "BrightnessValue",
        "ExposureBiasValue",   "MaxApertureValue", "SubjectDistance",
        "MeteringMode",        "LightSource",      "Flash",
        "FocalLength",         "FlashEnergy",      "ExposureIndex",
        "SensingMethod",
    };
    if (datum.groupName() != "Image" || exposureTags.count(datum.tagName()) == 0)
        return std::nullopt;
    try {
        Exiv2::ExifKey photoKey("Exif.Photo." + datum.tagName());
        if (all.findKey(photoKey) != all.end())
            return std::nullopt;
        Exiv2::Exifdatum moved(photoKey, &datum.value());
        if (!IsDescriptive(moved))
            return std::nullopt;
        return moved;
    } catch (const std::exception&) {
        return std::nullopt; // no such tag in the EXIF directory
    }
}

void PrepareExiv2() {
    static std::once_flag once;
    std::call_once(once, [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::XmpParser::initialize();
    });
}

} // namespace

bool WriteDescriptiveMetadata(const WrittenPicture& picture, const std::string& sourcePath,
                              FIBITMAP* holder) {
    PrepareExiv2();
    try {
        SourceMetadata source = GatherMetadata(sourcePath, holder);
        auto output = Exiv2::ImageFactory::open(picture.path);
        output->readMetadata();
        Exiv2::ExifData& exif = output->exifData();
        for (const auto& datum : source.exif) {
            if (IsDescriptive(datum))
                CopyExif(datum, exif);
            else if (auto moved = TiffEpTagInExifDirectory(datum, source.exif))
                CopyExif(*moved, exif);
        }
        // The pixels are already turned upright and may have been resized.
        exif["Exif.Image.Orientation"] = static_cast<uint16_t>(1);
        exif["Exif.Photo.PixelXDimension"] = static_cast<uint32_t>(picture.width);
        exif["Exif.Photo.PixelYDimension"] = static_cast<uint32_t>(picture.height);

        Exiv2::XmpData& xmp = output->xmpData();
        for (const auto& datum : source.xmp)
            if (IsDescriptive(datum))
                xmp[datum.key()] = datum.value();
        if (xmp.findKey(Exiv2::XmpKey("Xmp.tiff.Orientation")) != xmp.end())
            xmp["Xmp.tiff.Orientation"] = "1";
        output->setIptcData(source.iptc);
        output->writeMetadata();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool IsReadableTiff(const std::string& path) {
    TIFF* tiff = TIFFOpen(path.c_str(), "r");
    if (!tiff)
        return false;
    // The last strip of the picture is where a cut-short rewrite would show.
    bool readable = false;
    tmsize_t stripSize = TIFFStripSize(tiff);
    uint32_t strips = TIFFNumberOfStrips(tiff);
    if (stripSize > 0 && strips > 0) {
        std::string strip(static_cast<size_t>(stripSize), '\0');
        readable = TIFFReadEncodedStrip(tiff, strips - 1, strip.data(), stripSize) > 0;
    }
    TIFFClose(tiff);
    return readable;
}

} // namespace velmora
