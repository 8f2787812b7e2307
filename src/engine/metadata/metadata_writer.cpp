#include "engine/metadata.h"

#include "engine/metadata/document_identity.h"
#include "engine/metadata/exact_rationals.h"
#include "engine/metadata/maker_notes.h"
#include "platform/files.h"
#include "platform/paths.h"

#include <exiv2/exiv2.hpp>
#include <tiffio.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <numeric>
#include <optional>
#include <set>
#include <stdexcept>
#include <string_view>
#include <vector>

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
    // Maker notes hold offsets into the source file; out of it they would point nowhere.
    return false;
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
        // The written file's colour space is its own, told by its EXIF and its profile.
        "Xmp.exif.ColorSpace",
        "Xmp.photoshop.ICCProfile",
    };
    return structural.count(datum.key()) == 0;
}

// What an XMP sidecar beside the source may add: what a person said of the picture (rating,
// label, keywords, title, description, creator, rights, place). Edits a raw developer keeps
// there (darktable's history, Camera Raw settings, document identities) describe work on the
// camera file, not on the converted picture.
bool IsFromPersonInSidecar(const Exiv2::Xmpdatum& datum) {
    static const std::set<std::string, std::less<>> groups = {
        "dc", "xmpRights", "photoshop", "iptc", "iptcExt", "lr", "digiKam", "MicrosoftPhoto"};
    const std::string key = datum.key();
    return groups.count(datum.groupName()) != 0 || key == "Xmp.xmp.Rating" ||
           key == "Xmp.xmp.Label" || key.rfind("Xmp.exif.GPS", 0) == 0;
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

} // namespace

struct SourceMetadata {
    Exiv2::ExifData exif;
    Exiv2::XmpData xmp;
    Exiv2::IptcData iptc;
    int imageType = Exiv2::ImageType::none;
    std::string mimeType = "application/octet-stream";
};

namespace {

// Sidecars as catalogue programs name them: NAME.EXT.xmp (darktable, digiKam) or NAME.xmp
// (Lightroom and Camera Raw), in either case of the extension.
std::vector<std::string> SidecarPaths(const std::string& sourcePath) {
    std::vector<std::string> paths = {sourcePath + ".xmp", sourcePath + ".XMP"};
    std::string withoutExtension =
        FolderOf(sourcePath) + BaseNameWithoutExtension(NameOf(sourcePath));
    if (withoutExtension != sourcePath)
        for (const char* extension : {".xmp", ".XMP"})
            paths.push_back(withoutExtension + extension);
    return paths;
}

// The first sidecar that parses; a malformed one is passed over.
bool ReadSidecar(const std::string& sourcePath, Exiv2::XmpData& sidecar) {
    constexpr int64_t kLargestSidecar = 16 << 20;
    for (const std::string& path : SidecarPaths(sourcePath)) {
        int64_t size = FileSize(path);
        if (size <= 0 || size > kLargestSidecar)
            continue;
        MappedFile file(path);
        if (!file.data())
            continue;
        sidecar.clear();
        try {
            std::string packet(reinterpret_cast<const char*>(file.data()), file.size());
            if (Exiv2::XmpParser::decode(sidecar, packet) == 0 && !sidecar.empty())
                return true;
        } catch (const std::exception&) {
        }
    }
    sidecar.clear();
    return false;
}

// The sidecar's word wins over the packet the camera file carries.
void MergeSidecar(const std::string& sourcePath, Exiv2::XmpData& xmp) {
    Exiv2::XmpData sidecar;
    if (!ReadSidecar(sourcePath, sidecar))
        return;
    for (const auto& datum : sidecar) {
        if (!IsFromPersonInSidecar(datum))
            continue;
        for (auto it = xmp.findKey(Exiv2::XmpKey(datum.key())); it != xmp.end();
             it = xmp.findKey(Exiv2::XmpKey(datum.key())))
            xmp.erase(it);
        xmp.add(datum);
    }
}

// The source's media type for the written file's history: what its XMP says it is, else what
// exiv2 knows, else (for the camera formats exiv2 reads as plain TIFF) one named after the
// file's extension.
std::string SourceFormat(const std::string& sourcePath, const std::string& byExiv2,
                         const Exiv2::XmpData& xmp) {
    auto said = xmp.findKey(Exiv2::XmpKey("Xmp.dc.format"));
    if (said != xmp.end() && !said->toString().empty())
        return said->toString();
    if (byExiv2 != "image/tiff" && byExiv2 != "application/octet-stream")
        return byExiv2;
    std::string extension = ExtensionOf(sourcePath);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == "dng")
        return "image/dng";
    return extension.empty() || extension == "tif" || extension == "tiff" ? byExiv2
                                                                          : "image/x-" + extension;
}

SourceMetadata* ReadSourceMetadata(const std::string& sourcePath) {
    auto read = std::make_unique<SourceMetadata>();
    try {
        // exiv2 reads a file through small seeks and reads (about a thousand system calls
        // for a CRW); from a mapping they are memory reads.
        MappedFile file(sourcePath);
        if (!file.data())
            throw std::runtime_error("the source cannot be read");
        auto source = Exiv2::ImageFactory::open(file.data(), static_cast<long>(file.size()));
        source->readMetadata();
        // exiv2 tells a TIFF-based raw format by the EXIF it read: asked before it is moved.
        const std::string mimeType = source->mimeType();
        read->exif = std::move(source->exifData());
        read->xmp = std::move(source->xmpData());
        read->iptc = std::move(source->iptcData());
        read->imageType = source->imageType();
        read->mimeType = SourceFormat(sourcePath, mimeType, read->xmp);
    } catch (const std::exception&) {
        // A source exiv2 cannot read keeps what FreeImage carried.
        *read = SourceMetadata();
    }
    try {
        MergeSidecar(sourcePath, read->xmp);
    } catch (const std::exception&) {
    }
    return read.release();
}

void FreeSourceMetadata(SourceMetadata* source) {
    delete source;
}

void DeclaredColor(const SourceMetadata* source, ExifColorDeclaration* declaration) {
    for (const auto& datum : source->exif) {
        const std::string key = datum.key();
        if (datum.count() == 0)
            continue;
        if (key == "Exif.Photo.ColorSpace")
            declaration->colorSpace = static_cast<int>(datum.toLong());
        else if (key == "Exif.Iop.InteroperabilityIndex")
            declaration->interopIndex = datum.toString().substr(0, 3);
        else if (key == "Exif.Canon.ColorSpace" || key == "Exif.Nikon3.ColorSpace")
            declaration->makerColorSpace = static_cast<int>(datum.toLong());
    }
}

// exiv2 0.27 reads the shutter speed a CRW records (Canon's shot information) as unsigned,
// so every exposure longer than 1 s becomes 1 s in its ExposureTime. Read as the signed
// number it is, it gives what the camera recorded (the EOS D30's 5 s: 5.04 s, as exiftool
// reads it; LibRaw reads 4.97 s), to the three digits a 32nd of a stop tells apart. Shorter
// exposures keep exiv2's fraction.
void CorrectCrwExposureTime(SourceMetadata& source) {
    if (source.imageType != Exiv2::ImageType::crw)
        return;
    for (const auto& datum : source.exif) {
        if (datum.key() != "Exif.CanonSi.ShutterSpeedValue" || datum.count() == 0)
            continue;
        int value = static_cast<int16_t>(static_cast<uint16_t>(datum.toLong()));
        Exiv2::Rational stops = CanonStops(value);
        int64_t numerator = 0, denominator = 0;
        if (value < 0 && DecimalFraction(std::pow(2.0, -double(stops.first) / stops.second), 3,
                                         numerator, denominator)) {
            Exiv2::URationalValue seconds;
            seconds.value_.push_back(
                {static_cast<uint32_t>(numerator), static_cast<uint32_t>(denominator)});
            source.exif["Exif.Photo.ExposureTime"] = seconds;
        }
        return;
    }
}

// LibRaw writes an EXIF block of its own into a preview that has none; its Software names
// LibRaw's decoder, not what made the file, and its empty texts say nothing.
bool IsWorthTakingFromHolder(const Exiv2::Exifdatum& datum) {
    if (datum.key() == "Exif.Image.Software")
        return false;
    if (datum.typeId() == Exiv2::asciiString) {
        std::string text = datum.toString();
        return strnlen(text.c_str(), text.size()) != 0;
    }
    return true;
}

// LibRaw writes the numbers of its EXIF block as millionths (31 mm as 31000000/1000000); in
// lowest terms they are the fraction of the decimal it read.
void Reduce(Exiv2::Exifdatum& datum) {
    const auto* words = dynamic_cast<const Exiv2::URationalValue*>(&datum.value());
    if (!words)
        return;
    Exiv2::URationalValue reduced = *words;
    for (auto& [numerator, denominator] : reduced.value_)
        if (uint32_t common = std::gcd(numerator, denominator); common > 1)
            numerator /= common, denominator /= common;
    datum.setValue(&reduced);
}

// The source file as exiv2 reads it comes first: what FreeImage carries for a camera file
// is often LibRaw's own rendering (shortened model names, rounded apertures). What the
// source lacks (a CRW's ISO and focal length, kept in Canon's maker note), FreeImage's copy
// fills in.
void AddWhatHolderCarries(SourceMetadata& merged, FIBITMAP* holder) {
    if (!holder)
        return;
    Exiv2::ExifData exif;
    Exiv2::XmpData xmp;
    DecodeRawExif(holder, exif);
    DecodeXmpPacket(holder, xmp);
    for (auto& datum : exif)
        if (IsWorthTakingFromHolder(datum) &&
            merged.exif.findKey(Exiv2::ExifKey(datum.key())) == merged.exif.end()) {
            Reduce(datum);
            merged.exif.add(datum);
        }
    for (const auto& datum : xmp)
        if (merged.xmp.findKey(Exiv2::XmpKey(datum.key())) == merged.xmp.end())
            merged.xmp.add(datum);
}

// IPTC travels in TIFF as a run of bytes libtiff counts in its own unit for that tag.
void SetIptc(TIFF* tiff, const Exiv2::DataBuf& iptc) {
    const TIFFField* field = TIFFFindField(tiff, TIFFTAG_RICHTIFFIPTC, TIFF_ANY);
    if (!field)
        return;
    int unit = std::max(1, TIFFFieldSetGetSize(field));
    std::vector<uint8_t> padded(iptc.pData_, iptc.pData_ + iptc.size_);
    padded.resize((padded.size() + unit - 1) / unit * unit, 0);
    TIFFSetField(tiff, TIFFTAG_RICHTIFFIPTC, static_cast<uint32_t>(padded.size() / unit),
                 padded.data());
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
        // Namespaces met in a source's XMP stay registered, in memory the registry's own
        // destructor does not free; terminating at exit gives them back. Registered after
        // Exiv2's statics exist, so it runs before they are destroyed.
        std::atexit([] { Exiv2::XmpParser::terminate(); });
    });
}

Exiv2::DataValue Version(const char* digits) {
    Exiv2::DataValue value(Exiv2::undefined);
    value.read(reinterpret_cast<const Exiv2::byte*>(digits), 4, Exiv2::invalidByteOrder);
    return value;
}

// What every EXIF directory holds: its version, the Flashpix version, and the colour space,
// which is the written picture's. (The pixel dimensions belong to compressed pictures only;
// a TIFF's own tags give them.)
void AddRequiredExifTags(const WrittenPicture& picture, Exiv2::ExifData& exif) {
    if (exif.findKey(Exiv2::ExifKey("Exif.Photo.ExifVersion")) == exif.end())
        exif["Exif.Photo.ExifVersion"] = Version("0230");
    if (exif.findKey(Exiv2::ExifKey("Exif.Photo.FlashpixVersion")) == exif.end())
        exif["Exif.Photo.FlashpixVersion"] = Version("0100");
    exif["Exif.Photo.ColorSpace"] = picture.exifColorSpace;
}

// A GPS directory names its version; EXIF's processing methods are four words, and any other
// text a phone writes there (fused, network) moves to the XMP, where it is free text.
void ValidGpsDirectory(Exiv2::ExifData& exif, Exiv2::XmpData& xmp) {
    bool hasGps = std::any_of(exif.begin(), exif.end(),
                              [](const Exiv2::Exifdatum& d) { return d.groupName() == "GPSInfo"; });
    if (!hasGps)
        return;
    if (exif.findKey(Exiv2::ExifKey("Exif.GPSInfo.GPSVersionID")) == exif.end()) {
        Exiv2::DataValue version(Exiv2::unsignedByte);
        version.read("2 3 0 0");
        exif["Exif.GPSInfo.GPSVersionID"] = version;
    }
    auto method = exif.findKey(Exiv2::ExifKey("Exif.GPSInfo.GPSProcessingMethod"));
    if (method == exif.end())
        return;
    const auto* comment = dynamic_cast<const Exiv2::CommentValue*>(&method->value());
    std::string text = comment ? comment->comment() : method->toString();
    static const std::set<std::string, std::less<>> kMethods = {"GPS", "CELLID", "WLAN", "MANUAL"};
    if (kMethods.count(text) != 0)
        return;
    if (!text.empty())
        xmp["Xmp.exif.GPSProcessingMethod"] = text;
    exif.erase(method);
}

// What goes into the written file, already filtered and adjusted.
struct Selection {
    Exiv2::ExifData exif; // Exif.Image (first directory), Exif.Photo and Exif.GPSInfo
    std::string xmpPacket;
    Exiv2::DataBuf iptc;
};

Selection SelectMetadata(const WrittenPicture& picture, SourceMetadata& source, FIBITMAP* holder) {
    CorrectCrwExposureTime(source);
    AddTagsFromMakerNotes(source.exif, holder);
    AddWhatHolderCarries(source, holder);
    Selection selection;
    for (const auto& datum : source.exif) {
        if (IsDescriptive(datum))
            CopyExif(datum, selection.exif);
        else if (auto moved = TiffEpTagInExifDirectory(datum, source.exif))
            CopyExif(*moved, selection.exif);
    }
    AddRequiredExifTags(picture, selection.exif);

    Exiv2::XmpData xmp;
    for (const auto& datum : source.xmp)
        if (IsDescriptive(datum) && !IsDevelopSetting(datum))
            xmp.add(datum);
    if (xmp.findKey(Exiv2::XmpKey("Xmp.tiff.Orientation")) != xmp.end())
        xmp["Xmp.tiff.Orientation"] = "1";
    ValidGpsDirectory(selection.exif, xmp);
    DescribeWrittenFile(selection.exif, xmp, source.mimeType);
    Exiv2::XmpParser::encode(selection.xmpPacket, xmp);
    if (!source.iptc.empty())
        selection.iptc = Exiv2::IptcParser::encode(source.iptc);
    return selection;
}

// Appends one element of value, converted to the element type libtiff's setter expects.
void AppendElement(std::vector<uint8_t>& buffer, TIFFDataType type, int size,
                   const Exiv2::Value& value, long index) {
    uint8_t bytes[8] = {};
    switch (type) {
    case TIFF_RATIONAL:
    case TIFF_SRATIONAL:
    case TIFF_FLOAT:
    case TIFF_DOUBLE: {
        double real = value.toFloat(index);
        if (size == 4) {
            float narrow = static_cast<float>(real);
            std::memcpy(bytes, &narrow, 4);
        } else {
            std::memcpy(bytes, &real, 8);
        }
        break;
    }
    default: {
        long whole = value.toLong(index);
        if (size == 1) {
            bytes[0] = static_cast<uint8_t>(whole);
        } else if (size == 2) {
            uint16_t narrow = static_cast<uint16_t>(whole);
            std::memcpy(bytes, &narrow, 2);
        } else {
            uint32_t narrow = static_cast<uint32_t>(whole);
            std::memcpy(bytes, &narrow, 4);
        }
    }
    }
    buffer.insert(buffer.end(), bytes, bytes + size);
}

// Sets one tag in libtiff's current directory from an exiv2 value, in the argument form
// libtiff's definition of that tag asks for. Tags libtiff does not know are left out:
// readers would only warn about them.
bool SetTiffField(TIFF* tiff, uint32_t tag, const Exiv2::Value& value) {
    const TIFFField* field = TIFFFindField(tiff, tag, TIFF_ANY);
    if (!field || TIFFFieldIsAnonymous(field) || value.count() == 0)
        return false;
    TIFFDataType type = TIFFFieldDataType(field);
    if (type == TIFF_ASCII) {
        std::string text = value.toString();
        text.resize(strnlen(text.c_str(), text.size()));
        return TIFFSetField(tiff, tag, text.c_str()) == 1;
    }
    long count = value.count();
    int size = TIFFFieldSetGetSize(field);
    int writeCount = TIFFFieldWriteCount(field);
    bool passCount = TIFFFieldPassCount(field) != 0;
    if (size <= 0 || size > 8 || (!passCount && writeCount > 1 && count != writeCount))
        return false;
    std::vector<uint8_t> buffer;
    for (long i = 0; i < count; ++i)
        AppendElement(buffer, type, size, value, i);
    if (passCount) {
        if (TIFFFieldSetGetCountSize(field) == 4)
            return TIFFSetField(tiff, tag, static_cast<uint32_t>(count), buffer.data()) == 1;
        return TIFFSetField(tiff, tag, static_cast<int>(count), buffer.data()) == 1;
    }
    if (writeCount != 1)
        return TIFFSetField(tiff, tag, buffer.data()) == 1;
    // A single value travels through the variable arguments promoted, as C passes it.
    switch (type) {
    case TIFF_RATIONAL:
    case TIFF_SRATIONAL:
    case TIFF_FLOAT:
    case TIFF_DOUBLE:
        return TIFFSetField(tiff, tag, static_cast<double>(value.toFloat(0))) == 1;
    case TIFF_LONG:
    case TIFF_SLONG:
    case TIFF_IFD:
        return TIFFSetField(tiff, tag, static_cast<uint32_t>(value.toLong(0))) == 1;
    default:
        return TIFFSetField(tiff, tag, static_cast<int>(value.toLong(0))) == 1;
    }
}

// Writes the tags of one exiv2 group as a custom directory; gives its offset, or 0 when
// the group has nothing to write.
uint64_t WriteCustomDirectory(TIFF* tiff, const Exiv2::ExifData& exif, const char* group,
                              int (*create)(TIFF*)) {
    if (create(tiff) != 0)
        return 0;
    int written = 0;
    for (const auto& datum : exif)
        if (datum.groupName() == group && SetTiffField(tiff, datum.tag(), datum.value()))
            ++written;
    uint64_t offset = 0;
    bool ok = written > 0 && TIFFWriteCustomDirectory(tiff, &offset);
    // libtiff keeps a custom directory's values until they are freed by hand.
    TIFFFreeDirectory(tiff);
    return ok ? offset : 0;
}

// Each element of a value as the two words of a fraction: a rational's own, any other
// number's decimal as a fraction. Nothing when an element does not fit.
std::optional<ExactRational> ExactValueOf(const Exiv2::Exifdatum& datum) {
    ExactRational exact{datum.tag(), datum.typeId() == Exiv2::signedRational, {}};
    const Exiv2::Value& value = datum.value();
    for (long i = 0; i < value.count(); ++i) {
        if (const auto* words = dynamic_cast<const Exiv2::URationalValue*>(&value)) {
            exact.elements.emplace_back(words->value_[i].first, words->value_[i].second);
        } else if (const auto* signedWords = dynamic_cast<const Exiv2::RationalValue*>(&value)) {
            exact.elements.emplace_back(static_cast<uint32_t>(signedWords->value_[i].first),
                                        static_cast<uint32_t>(signedWords->value_[i].second));
        } else {
            int64_t numerator = 0, denominator = 0;
            if (!DecimalFraction(value.toFloat(i), 0, numerator, denominator) ||
                numerator < INT32_MIN || numerator > UINT32_MAX)
                return std::nullopt;
            exact.isSigned = exact.isSigned || numerator < 0;
            exact.elements.emplace_back(static_cast<uint32_t>(numerator),
                                        static_cast<uint32_t>(denominator));
        }
    }
    return exact;
}

// The fractions of every number written into the three directories, for libtiff's to be
// replaced by.
ExactRationals ExactRationalsOf(const Exiv2::ExifData& exif) {
    ExactRationals exact;
    for (const auto& datum : exif) {
        const std::string group = datum.groupName();
        std::vector<ExactRational>* into = group == "Image"     ? &exact.image
                                           : group == "Photo"   ? &exact.exif
                                           : group == "GPSInfo" ? &exact.gps
                                                                : nullptr;
        if (!into || datum.count() == 0 || datum.typeId() == Exiv2::asciiString ||
            datum.typeId() == Exiv2::undefined)
            continue;
        if (auto value = ExactValueOf(datum))
            into->push_back(std::move(*value));
    }
    return exact;
}

// libtiff appends the new directories at the end of the file and relinks the first one;
// the picture's strips stay where FreeImage wrote them. The rationals libtiff wrote are then
// replaced by the exact ones.
bool WriteIntoTiff(const std::string& path, const Selection& selection) {
    // "h": the first directory is read only after the custom ones are written, because
    // creating a custom directory drops the current one without freeing it.
    TIFF* tiff = TIFFOpen(path.c_str(), "r+h");
    if (!tiff)
        return false;
    uint64_t exifOffset =
        WriteCustomDirectory(tiff, selection.exif, "Photo", TIFFCreateEXIFDirectory);
    uint64_t gpsOffset =
        WriteCustomDirectory(tiff, selection.exif, "GPSInfo", TIFFCreateGPSDirectory);
    bool ok = TIFFSetDirectory(tiff, 0) == 1;
    if (ok) {
        for (const auto& datum : selection.exif)
            if (datum.groupName() == "Image")
                SetTiffField(tiff, datum.tag(), datum.value());
        TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
        if (exifOffset)
            TIFFSetField(tiff, TIFFTAG_EXIFIFD, exifOffset);
        if (gpsOffset)
            TIFFSetField(tiff, TIFFTAG_GPSIFD, gpsOffset);
        if (!selection.xmpPacket.empty())
            TIFFSetField(tiff, TIFFTAG_XMLPACKET, static_cast<uint32_t>(selection.xmpPacket.size()),
                         selection.xmpPacket.data());
        if (selection.iptc.size_ > 0)
            SetIptc(tiff, selection.iptc);
        ok = TIFFRewriteDirectory(tiff) == 1;
    }
    TIFFClose(tiff);
    return ok && WriteRationalsExactly(path, ExactRationalsOf(selection.exif));
}

bool WriteMetadata(const WrittenPicture& picture, SourceMetadata* source, FIBITMAP* holder) {
    try {
        SourceMetadata none;
        return WriteIntoTiff(picture.path,
                             SelectMetadata(picture, source ? *source : none, holder));
    } catch (const std::exception&) {
        return false;
    }
}

const MetadataWriter kWriter{ReadSourceMetadata, FreeSourceMetadata, DeclaredColor, WriteMetadata};

} // namespace
} // namespace velmora

const velmora::MetadataWriter* VelmoraMetadataWriter() {
    velmora::PrepareExiv2();
    return &velmora::kWriter;
}

int VelmoraMetadataWriterAbi() {
    return velmora::kMetadataWriterAbi;
}
