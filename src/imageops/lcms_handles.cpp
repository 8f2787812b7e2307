#include "imageops/lcms_handles.h"

namespace velmora {
namespace {

void WriteText(cmsHPROFILE profile, cmsTagSignature tag, const std::string& text) {
    cmsMLU* mlu = cmsMLUalloc(nullptr, 1);
    cmsMLUsetASCII(mlu, "en", "US", text.c_str());
    cmsWriteTag(profile, tag, mlu);
    cmsMLUfree(mlu);
}

} // namespace

Profile OpenProfile(std::string_view icc) {
    return Profile(cmsOpenProfileFromMem(icc.data(), static_cast<cmsUInt32Number>(icc.size())));
}

std::string SavedProfile(cmsHPROFILE profile, const std::string& description) {
    WriteText(profile, cmsSigProfileDescriptionTag, description);
    WriteText(profile, cmsSigCopyrightTag, "No copyright, use freely");
    cmsUInt32Number size = 0;
    if (!cmsSaveProfileToMem(profile, nullptr, &size) || size < 128)
        return {};
    std::string bytes(size, '\0');
    if (!cmsSaveProfileToMem(profile, bytes.data(), &size))
        return {};
    // dateTimeNumber at offset 24: 2026-01-01 00:00:00, big-endian 16-bit fields.
    static const unsigned char kDate[12] = {0x07, 0xEA, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0};
    bytes.replace(24, 12, reinterpret_cast<const char*>(kDate), 12);
    return bytes;
}

} // namespace velmora
