#include "engine/format_registry.h"

#include "platform/text.h"

#include <FreeImage.h>

namespace velmora {

const std::vector<OutputFormat>& OutputFormatTable() {
    static const std::vector<OutputFormat> table = {
        {"bmp", FIF_BMP, "bmp", "Windows or OS/2 Bitmap", "1,4,8,16,24,32", &Settings::BmpBpp},
        {"exr", FIF_EXR, "exr", "ILM OpenEXR", "96", &Settings::ExrBpp},
        {"gif", FIF_GIF, "gif", "Graphics Interchange Format", "8", &Settings::GifBpp},
        {"hdr", FIF_HDR, "hdr", "High Dynamic Range Image", "96", &Settings::HdrBpp},
        {"ico", FIF_ICO, "ico", "Windows Icon", "1,4,8,16,24,32", &Settings::IcoBpp},
        {"j2k", FIF_J2K, "j2k", "JPEG-2000 Codestream", "8,24,32,48", &Settings::J2kBpp},
        {"jng", FIF_JNG, "jng", "JPEG Network Graphics", "24,32", &Settings::JngBpp},
        {"jp2", FIF_JP2, "jp2", "JPEG-2000 File Format", "8,24,32,48", &Settings::Jp2Bpp},
        {"jpg", FIF_JPEG, "jpg", "JPEG File Format", "8,24", &Settings::JpgBpp},
        {"jxr", FIF_JXR, "jxr", "JPEG XR Image Format", "1,8,16,24,32,48,96", &Settings::JxrBpp},
        {"pbm", FIF_PBMRAW, "pbm", "Portable Bitmap", "1", &Settings::PbmBpp},
        {"pfm", FIF_PFM, "pfm", "Portable Floatmap", "96", &Settings::PfmBpp},
        {"pgm", FIF_PGMRAW, "pgm", "Portable Greymap", "8", &Settings::PgmBpp},
        {"png", FIF_PNG, "png", "Portable Network Graphics", "1,4,8,24,32,48", &Settings::PngBpp},
        {"ppm", FIF_PPMRAW, "ppm", "Portable Pixelmap", "24,48", &Settings::PpmBpp},
        {"tga", FIF_TARGA, "tga", "Truevision Targa", "8,16,24,32", &Settings::TgaBpp},
        {"tiff", FIF_TIFF, "tiff", "Tagged Image File Format", "1,4,8,24,32,48,96",
         &Settings::TiffBpp},
        {"wbmp", FIF_WBMP, "wbmp", "Wireless Bitmap", "1", &Settings::WbmpBpp},
        {"webp", FIF_WEBP, "webp", "Google WebP Image Format", "24,32", &Settings::WebpBpp},
        {"xpm", FIF_XPM, "xpm", "X11 Pixmap Format", "24", &Settings::XpmBpp},
    };
    return table;
}

const std::vector<InputFormat>& InputFormatTable() {
    static const std::vector<InputFormat> table = [] {
        struct Row {
            std::string_view group, extensions, description;
        };
        // One row per description; the group of an alias is that of its row.
        static const Row rows[] = {
            {"bmp", "bmp,rle,dib", "Windows or OS/2 Bitmap"},
            {"dds", "dds", "DirectDraw Surface File"},
            {"emf", "emf,emz", "Enhanced Metafile Format"},
            {"gif", "gif", "GIF File"},
            {"hdr", "hdr,hdri", "High Dynamic Range File"},
            {"ico", "ico", "Windows Icon"},
            {"jpg", "jpg,jpeg,jpe,jif", "JPEG File"},
            {"pcd", "pcd,pcd1,pcds,ppcd", "Kodak PhotoCD File"},
            {"pcx", "pcx", "ZSoft Paintbrush File"},
            {"pic", "pic,pict,pct", "Macintosh PICT"},
            {"png", "png", "Portable Network Graphics"},
            {"psd", "psd", "Adobe Photoshop File"},
            {"tga", "tga,targa", "Truevision Targa"},
            {"tiff", "tiff,tif", "Tagged Image File Format"},
            {"wmf", "wmf,wmz", "Windows Metafile Format"},
            {"wmf", "apm", "Aldus Placeable Metafile"},
            {"raw", "raw,raw1,raw2", "Camera RAW Image"},
            {"raw", "3fr", "Hasselblad Camera RAW Image"},
            {"raw", "arw,sr2,srf,arq", "Sony Camera RAW Image"},
            {"raw", "bay", "Casio Camera RAW Image"},
            {"raw", "bmq", "NuCore RAW Image"},
            {"raw", "cap,iiq,eip", "Phase One Camera RAW Image"},
            {"raw", "cine", "Phantom RAW Image"},
            {"raw", "cr2,crw,cr3", "Canon Camera RAW Image"},
            {"raw", "cs1", "Capture Shop RAW Image"},
            {"raw", "dc2,dcr,drf,dsc,k25,kc2,kdc,dcs", "Kodak Camera RAW Image"},
            {"raw", "dng", "Adobe Digital Negative Image"},
            {"raw", "erf", "Epson Camera RAW Image"},
            {"raw", "fff", "Imacon Camera RAW Image"},
            {"raw", "ia,sti", "Sinar RAW Image"},
            {"raw", "mdc,mrw", "Minolta Camera RAW Image"},
            {"raw", "mef,mos", "Mamiya Camera RAW Image"},
            {"raw", "nef,nrw", "Nikon Camera RAW Image"},
            {"raw", "orf", "Olympus Camera RAW Image"},
            {"raw", "pef,ptx", "Pentax Camera RAW Image"},
            {"raw", "pxn", "Logitech Camera RAW Image"},
            {"raw", "qtk", "Apple Quicktake Camera RAW Image"},
            {"raw", "raf", "Fuji Camera RAW Image"},
            {"raw", "rdc", "Digital Foto Maker RAW Image"},
            {"raw", "rw2", "Panasonic Camera RAW Image"},
            {"raw", "rwz", "Rawzor Camera RAW Image"},
            {"raw", "x3f", "Sigma Camera RAW Image"},
            {"raw", "ari", "ARRI RAW Image"},
            {"raw", "r3d", "RED RAW Image"},
            {"raw", "rwl", "Leica Camera RAW Image"},
            {"raw", "srw", "Samsung Camera RAW Image"},
        };
        std::vector<InputFormat> entries;
        for (const Row& row : rows) {
            std::string_view list = row.extensions;
            while (!list.empty()) {
                size_t comma = list.find(',');
                entries.push_back({list.substr(0, comma), row.group, row.description});
                list =
                    comma == std::string_view::npos ? std::string_view{} : list.substr(comma + 1);
            }
        }
        return entries;
    }();
    return table;
}

const std::vector<std::string>& EnabledInputGroups() {
    static const std::vector<std::string> groups = {"raw"};
    return groups;
}

const std::vector<std::string>& EnabledOutputFormats() {
    static const std::vector<std::string> formats = {"tiff"};
    return formats;
}

namespace {
std::vector<std::string>& AcceptedExtensions() {
    static std::vector<std::string> extensions;
    return extensions;
}
} // namespace

void RebuildAcceptedInputExtensions() {
    std::vector<std::string>& accepted = AcceptedExtensions();
    accepted.clear();
    for (const std::string& group : EnabledInputGroups())
        for (const InputFormat& entry : InputFormatTable())
            if (entry.group == group)
                accepted.emplace_back(entry.extension);
}

const std::vector<std::string>& AcceptedInputExtensions() {
    if (AcceptedExtensions().empty())
        RebuildAcceptedInputExtensions();
    return AcceptedExtensions();
}

const OutputFormat* FindOutputFormat(std::string_view keyword) {
    for (const OutputFormat& format : OutputFormatTable())
        if (format.keyword == keyword)
            return &format;
    return nullptr;
}

const InputFormat* FindInputFormat(std::string_view extension) {
    for (const InputFormat& format : InputFormatTable())
        if (format.extension == extension)
            return &format;
    return nullptr;
}

bool IsAcceptedExtension(std::string_view extension) {
    for (const std::string& accepted : AcceptedInputExtensions())
        if (accepted == extension)
            return true;
    return false;
}

bool IsEnabledOutput(std::string_view keyword) {
    for (const std::string& format : EnabledOutputFormats())
        if (format == keyword)
            return true;
    return false;
}

std::vector<int> AllowedDepths(std::string_view keyword) {
    std::vector<int> depths;
    const OutputFormat* format = FindOutputFormat(keyword);
    if (!format)
        return depths;
    std::string_view list = format->allowedDepths;
    while (!list.empty()) {
        size_t comma = list.find(',');
        depths.push_back(ParseLong(list.substr(0, comma)));
        list = comma == std::string_view::npos ? std::string_view{} : list.substr(comma + 1);
    }
    return depths;
}

bool IsValidBpp(std::string_view keyword, int32_t depth) {
    if (depth == 0)
        return true;
    for (int allowed : AllowedDepths(keyword))
        if (allowed == depth)
            return true;
    return false;
}

} // namespace velmora
