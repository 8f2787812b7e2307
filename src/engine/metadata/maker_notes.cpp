#include "engine/metadata/maker_notes.h"

#include "engine/metadata.h"
#include "engine/metadata/exact_rationals.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

namespace velmora {
namespace {

bool Has(const Exiv2::ExifData& exif, const char* key) {
    auto found = exif.findKey(Exiv2::ExifKey(key));
    return found != exif.end() && found->count() > 0;
}

const Exiv2::Exifdatum* Find(const Exiv2::ExifData& exif, const char* key) {
    auto found = exif.findKey(Exiv2::ExifKey(key));
    return found != exif.end() && found->count() > 0 ? &*found : nullptr;
}

// The EXIF tag, or the TIFF/EP tag of the first directory that the written file moves there.
bool HasExposureTag(const Exiv2::ExifData& exif, const std::string& name) {
    return Has(exif, ("Exif.Photo." + name).c_str()) || Has(exif, ("Exif.Image." + name).c_str());
}

bool IsMakerNote(const Exiv2::Exifdatum& datum) {
    const std::string group = datum.groupName();
    return group != "Photo" && group != "Image" && group != "GPSInfo" && group != "Iop";
}

Exiv2::Rational Reduced(int64_t numerator, int64_t denominator) {
    int64_t common = std::gcd(numerator, denominator);
    if (common > 1)
        numerator /= common, denominator /= common;
    return {static_cast<int32_t>(numerator), static_cast<int32_t>(denominator)};
}

// The FIMD_CUSTOM text LibRaw's reading left under key, "" when none.
std::string CameraFact(FIBITMAP* holder, const char* key) {
    FITAG* tag = nullptr;
    if (!holder || !FreeImage_GetMetadata(FIMD_CUSTOM, holder, key, &tag) || !tag ||
        !FreeImage_GetTagValue(tag))
        return {};
    const char* text = static_cast<const char*>(FreeImage_GetTagValue(tag));
    return std::string(text, strnlen(text, FreeImage_GetTagLength(tag)));
}

std::vector<double> Numbers(const std::string& text) {
    std::vector<double> numbers;
    std::istringstream in(text);
    for (double number; in >> number;)
        numbers.push_back(number);
    return numbers;
}

// An ISO speed as the SHORT the EXIF tag holds; 0 when it is none.
long IsoValue(double iso) {
    return iso >= 1 && iso <= 65535 ? std::lround(iso) : 0;
}

// exiv2 knows where each maker keeps the ISO speed and how it is coded (Canon's is a stop
// scale, Nikon's the second of two numbers); its reading of that tag is the number.
long IsoFromMakerNote(const Exiv2::ExifData& exif) {
    auto found = Exiv2::isoSpeed(exif);
    if (found == exif.end() || !IsMakerNote(*found))
        return 0;
    std::string shown = found->print(&exif);
    char* end = nullptr;
    double iso = std::strtod(shown.c_str(), &end);
    return end != shown.c_str() ? IsoValue(iso) : 0;
}

void AddIso(Exiv2::ExifData& exif, FIBITMAP* holder) {
    if (HasExposureTag(exif, "ISOSpeedRatings"))
        return;
    long iso = IsoFromMakerNote(exif);
    if (iso == 0) {
        std::vector<double> libraw = Numbers(CameraFact(holder, kCameraIsoKey));
        iso = libraw.empty() ? 0 : IsoValue(libraw[0]);
    }
    if (iso != 0)
        exif["Exif.Photo.ISOSpeedRatings"] = Exiv2::UShortValue(static_cast<uint16_t>(iso));
}

void AddExposureBias(Exiv2::ExifData& exif) {
    if (HasExposureTag(exif, "ExposureBiasValue"))
        return;
    // Canon's shot information: the exposure compensation is its sixth value, which exiv2
    // leaves unnamed.
    if (const Exiv2::Exifdatum* canon = Find(exif, "Exif.CanonSi.0x0006")) {
        Exiv2::RationalValue bias;
        bias.value_.push_back(CanonStops(static_cast<int16_t>(canon->toLong())));
        exif["Exif.Photo.ExposureBiasValue"] = bias;
        return;
    }
    auto found = Exiv2::exposureBiasValue(exif);
    if (found != exif.end() && IsMakerNote(*found) && found->typeId() == Exiv2::signedRational)
        exif["Exif.Photo.ExposureBiasValue"] = found->value();
}

// Canon's metering modes as EXIF codes them.
void AddMeteringMode(Exiv2::ExifData& exif) {
    if (HasExposureTag(exif, "MeteringMode"))
        return;
    const Exiv2::Exifdatum* canon = Find(exif, "Exif.CanonCs.MeteringMode");
    if (!canon)
        return;
    static const uint16_t kExifForCanon[] = {
        0 /* default: not known */, 3 /* spot */,    1 /* average */,
        5 /* evaluative */,         6 /* partial */, 2 /* centre-weighted */};
    long mode = canon->toLong();
    if (mode > 0 && mode < static_cast<long>(std::size(kExifForCanon)))
        exif["Exif.Photo.MeteringMode"] = Exiv2::UShortValue(kExifForCanon[mode]);
}

// exiv2's key of the EXIF lens range (tag 0xA432).
constexpr const char* kExifLensRangeKey = "Exif.Photo.LensSpecification";

// Shortest and longest focal length, then the widest aperture at each; 0/0 is not known.
void AddLensRange(Exiv2::ExifData& exif, FIBITMAP* holder) {
    if (Has(exif, kExifLensRangeKey))
        return;
    // A DNG's LensInfo and Nikon's lens tag hold the four numbers as EXIF does.
    for (const char* key :
         {"Exif.Image.LensInfo", "Exif.Nikon3.Lens", "Exif.Nikon1.0x0084", "Exif.Nikon2.0x0084"}) {
        const Exiv2::Exifdatum* nikon = Find(exif, key);
        if (nikon && nikon->count() == 4 && nikon->typeId() == Exiv2::unsignedRational) {
            exif[kExifLensRangeKey] = nikon->value();
            return;
        }
    }
    Exiv2::URationalValue lens;
    // Canon's camera settings: longest and shortest focal length in the unit of the third
    // value; the apertures are not there.
    if (const Exiv2::Exifdatum* canon = Find(exif, "Exif.CanonCs.Lens")) {
        long longest = canon->toLong(0), shortest = canon->count() > 2 ? canon->toLong(1) : 0;
        long unit = canon->count() > 2 ? canon->toLong(2) : 0;
        if (unit > 0 && shortest > 0 && longest >= shortest) {
            Exiv2::Rational low = Reduced(shortest, unit), high = Reduced(longest, unit);
            lens.value_ = {{static_cast<uint32_t>(low.first), static_cast<uint32_t>(low.second)},
                           {static_cast<uint32_t>(high.first), static_cast<uint32_t>(high.second)},
                           {0, 0},
                           {0, 0}};
        }
    }
    std::vector<double> libraw = Numbers(CameraFact(holder, kCameraLensRangeKey));
    if (lens.value_.empty() && libraw.size() == 4 && libraw[0] > 0 && libraw[1] >= libraw[0]) {
        for (double number : libraw) {
            int64_t numerator = 0, denominator = 0;
            if (number > 0 && DecimalFraction(number, 0, numerator, denominator))
                lens.value_.push_back(
                    {static_cast<uint32_t>(numerator), static_cast<uint32_t>(denominator)});
            else
                lens.value_.push_back({0, 0});
        }
    }
    if (!lens.value_.empty())
        exif[kExifLensRangeKey] = lens;
}

std::string Trimmed(std::string text) {
    text.resize(strnlen(text.c_str(), text.size()));
    size_t first = text.find_first_not_of(' '), last = text.find_last_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

// Only makers that write the lens's name as text; a lens number looked up in a table names
// one lens of several that share it.
void AddLensModel(Exiv2::ExifData& exif, FIBITMAP* holder) {
    if (Has(exif, "Exif.Photo.LensModel"))
        return;
    for (const char* key :
         {"Exif.Canon.LensModel", "Exif.OlympusEq.LensModel", "Exif.Panasonic.LensType"}) {
        const Exiv2::Exifdatum* named = Find(exif, key);
        if (named && named->typeId() == Exiv2::asciiString) {
            if (std::string name = Trimmed(named->toString()); !name.empty()) {
                exif["Exif.Photo.LensModel"] = name;
                return;
            }
        }
    }
    if (std::string name = Trimmed(CameraFact(holder, kCameraLensKey)); !name.empty())
        exif["Exif.Photo.LensModel"] = name;
}

bool IsCanon(const Exiv2::ExifData& exif) {
    const Exiv2::Exifdatum* make = Find(exif, "Exif.Image.Make");
    return make && make->toString().rfind("Canon", 0) == 0;
}

// Canon's own serial number tag is the body's only on EOS cameras (four hexadecimal digits of
// the production run, five decimal of the body); compact cameras keep another number there.
std::string CanonBodySerial(const Exiv2::ExifData& exif) {
    const Exiv2::Exifdatum* serial = Find(exif, "Exif.Canon.SerialNumber");
    const Exiv2::Exifdatum* model = Find(exif, "Exif.Image.Model");
    if (!serial || !model || model->toString().find("EOS") == std::string::npos)
        return {};
    if (serial->typeId() == Exiv2::asciiString)
        return Trimmed(serial->toString());
    uint32_t number = static_cast<uint32_t>(serial->toLong(0));
    char text[16];
    std::snprintf(text, sizeof text, "%04x-%05u", number >> 16, number & 0xFFFF);
    return text;
}

void AddBodySerialNumber(Exiv2::ExifData& exif, FIBITMAP* holder) {
    if (Has(exif, "Exif.Photo.BodySerialNumber"))
        return;
    std::string serial;
    // A DNG keeps the body's serial number in its first directory.
    if (const Exiv2::Exifdatum* dng = Find(exif, "Exif.Image.CameraSerialNumber")) {
        serial = Trimmed(dng->toString());
    } else if (IsCanon(exif)) {
        serial = CanonBodySerial(exif);
    } else {
        auto found = Exiv2::serialNumber(exif);
        if (found != exif.end() && IsMakerNote(*found))
            serial = Trimmed(found->print(&exif));
        if (serial.empty())
            serial = Trimmed(CameraFact(holder, kCameraSerialKey));
    }
    if (!serial.empty() && serial.find_first_not_of('0') != std::string::npos)
        exif["Exif.Photo.BodySerialNumber"] = serial;
}

} // namespace

Exiv2::Rational CanonStops(int value) {
    int magnitude = value < 0 ? -value : value;
    int fraction = magnitude & 0x1F;
    // Whole 32nds, except 12 and 20, which are one and two thirds of a stop.
    int64_t numerator = 3 * (magnitude - fraction), denominator = 96;
    numerator += fraction == 0x0C ? 32 : fraction == 0x14 ? 64 : 3 * fraction;
    Exiv2::Rational stops = Reduced(numerator, denominator);
    return {value < 0 ? -stops.first : stops.first, stops.second};
}

void AddTagsFromMakerNotes(Exiv2::ExifData& exif, FIBITMAP* holder) {
    AddIso(exif, holder);
    AddExposureBias(exif);
    AddMeteringMode(exif);
    AddLensRange(exif, holder);
    AddLensModel(exif, holder);
    AddBodySerialNumber(exif, holder);
}

} // namespace velmora
