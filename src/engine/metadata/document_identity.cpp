#include "engine/metadata/document_identity.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iterator>
#include <random>
#include <set>

namespace velmora {
namespace {

// A random (version 4) UUID in the form XMP identities take.
std::string NewIdentity(const char* kind) {
    static thread_local std::mt19937_64 random{std::random_device{}()};
    uint64_t high = random(), low = random();
    high = (high & ~0xF000ull) | 0x4000ull;
    low = (low & ~(0xC000ull << 48)) | (0x8000ull << 48);
    char text[64];
    std::snprintf(text, sizeof text, "%s:%08x-%04x-%04x-%04x-%012llx", kind,
                  static_cast<unsigned>(high >> 32), static_cast<unsigned>((high >> 16) & 0xFFFF),
                  static_cast<unsigned>(high & 0xFFFF), static_cast<unsigned>(low >> 48),
                  static_cast<unsigned long long>(low & 0xFFFFFFFFFFFFull));
    return text;
}

struct WrittenAt {
    std::string exif; // 2024:07:04 21:45:43, local time
    std::string xmp;  // 2024-07-04T21:45:43+02:00
};

WrittenAt Now() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char exif[32], xmp[40], zone[8];
    std::strftime(exif, sizeof exif, "%Y:%m:%d %H:%M:%S", &local);
    std::strftime(xmp, sizeof xmp, "%Y-%m-%dT%H:%M:%S", &local);
    // strftime's %z gives +0200; XMP dates take +02:00.
    std::strftime(zone, sizeof zone, "%z", &local);
    std::string offset = zone;
    if (offset.size() == 5)
        offset.insert(3, ":");
    return {exif, std::string(xmp) + offset};
}

// The highest item number of an XMP array, from its items' keys ("Xmp.xmpMM.History[3]/...").
long ItemsOf(const Exiv2::XmpData& xmp, const std::string& array) {
    long items = 0;
    const std::string prefix = array + "[";
    for (const auto& datum : xmp) {
        const std::string key = datum.key();
        if (key.compare(0, prefix.size(), prefix) == 0)
            items = std::max(items, std::strtol(key.c_str() + prefix.size(), nullptr, 10));
    }
    return items;
}

std::string Text(const Exiv2::XmpData& xmp, const char* key) {
    auto found = xmp.findKey(Exiv2::XmpKey(key));
    return found == xmp.end() ? std::string() : found->toString();
}

void EraseStartingWith(Exiv2::XmpData& xmp, const std::string& prefix) {
    for (auto it = xmp.begin(); it != xmp.end();)
        it = it->key().compare(0, prefix.size(), prefix) == 0 ? xmp.erase(it) : std::next(it);
}

void AddStruct(Exiv2::XmpData& xmp, const char* key, Exiv2::XmpValue::XmpArrayType array) {
    Exiv2::XmpTextValue value;
    if (array == Exiv2::XmpValue::xaNone)
        value.setXmpStruct();
    else
        value.setXmpArrayType(array);
    xmp.add(Exiv2::XmpKey(key), &value);
}

} // namespace

const char* SoftwareName() {
    return VELMORA_SOFTWARE;
}

bool IsDevelopSetting(const Exiv2::Xmpdatum& datum) {
    static const std::set<std::string, std::less<>> developers = {
        "http://ns.adobe.com/camera-raw-settings/1.0/",
        "http://ns.adobe.com/camera-raw-saved-settings/1.0/",
        "http://ns.adobe.com/photoshop/1.0/camera-profile",
        "http://darktable.sf.net/",
        "http://ns.apple.com/adjustment-settings/1.0/",
        "http://ns.acdsee.com/crs/",
        "http://www.dxo.com/ns/photolab/",
        "http://ns.on1.com/1.0/",
    };
    const std::string key = datum.key();
    // The source's digests of its own TIFF and EXIF tags do not hold for the written file's.
    if (key == "Xmp.tiff.NativeDigest" || key == "Xmp.exif.NativeDigest")
        return true;
    try {
        return developers.count(Exiv2::XmpProperties::ns(datum.groupName())) != 0;
    } catch (const std::exception&) {
        return false;
    }
}

void DescribeWrittenFile(Exiv2::ExifData& exif, Exiv2::XmpData& xmp,
                         const std::string& sourceFormat) {
    const WrittenAt now = Now();
    exif["Exif.Image.Software"] = SoftwareName();
    exif["Exif.Image.DateTime"] = now.exif;

    const std::string sourceDocument = Text(xmp, "Xmp.xmpMM.DocumentID");
    const std::string sourceInstance = Text(xmp, "Xmp.xmpMM.InstanceID");
    const std::string instance = NewIdentity("xmp.iid");
    xmp["Xmp.dc.format"] = "image/tiff";
    xmp["Xmp.xmp.ModifyDate"] = now.xmp;
    xmp["Xmp.xmp.MetadataDate"] = now.xmp;
    for (const char* mirrored : {"Xmp.tiff.Software", "Xmp.tiff.DateTime"})
        if (auto found = xmp.findKey(Exiv2::XmpKey(mirrored)); found != xmp.end())
            xmp.erase(found);
    xmp["Xmp.xmpMM.DocumentID"] = NewIdentity("xmp.did");
    xmp["Xmp.xmpMM.InstanceID"] = instance;
    if (xmp.findKey(Exiv2::XmpKey("Xmp.xmpMM.OriginalDocumentID")) == xmp.end() &&
        !sourceDocument.empty())
        xmp["Xmp.xmpMM.OriginalDocumentID"] = sourceDocument;

    EraseStartingWith(xmp, "Xmp.xmpMM.DerivedFrom");
    if (!sourceDocument.empty() || !sourceInstance.empty()) {
        AddStruct(xmp, "Xmp.xmpMM.DerivedFrom", Exiv2::XmpValue::xaNone);
        if (!sourceDocument.empty())
            xmp["Xmp.xmpMM.DerivedFrom/stRef:documentID"] = sourceDocument;
        if (!sourceInstance.empty())
            xmp["Xmp.xmpMM.DerivedFrom/stRef:instanceID"] = sourceInstance;
    }

    long items = ItemsOf(xmp, "Xmp.xmpMM.History");
    if (items == 0) {
        EraseStartingWith(xmp, "Xmp.xmpMM.History");
        AddStruct(xmp, "Xmp.xmpMM.History", Exiv2::XmpValue::xaSeq);
    }
    const std::string event = "Xmp.xmpMM.History[" + std::to_string(items + 1) + "]";
    AddStruct(xmp, event.c_str(), Exiv2::XmpValue::xaNone);
    xmp[event + "/stEvt:action"] = "converted";
    xmp[event + "/stEvt:parameters"] = "from " + sourceFormat + " to image/tiff";
    xmp[event + "/stEvt:instanceID"] = instance;
    xmp[event + "/stEvt:when"] = now.xmp;
    xmp[event + "/stEvt:softwareAgent"] = SoftwareName();
}

} // namespace velmora
