#include "engine/signature_sniffer.h"

#include "platform/files.h"

#include <initializer_list>
#include <vector>

namespace velmora {
namespace {

constexpr size_t kBytesLookedAt = 20;

struct Run {
    size_t offset;
    std::string_view bytes;
};

struct Signature {
    std::string_view kind;
    std::vector<Run> runs; // all must match
};

using namespace std::string_view_literals;

// In test order: within a first byte, a later match overwrites an earlier one, so the
// longer signature that extends a shorter one comes after it.
const std::vector<Signature>& Signatures() {
    static const std::vector<Signature> table = {
        {"ICO", {{0, "\x00\x00\x01\x00"sv}}},
        {"MPEG", {{0, "\x00\x00\x01\xB3"sv}}},
        {"MPG/VOB", {{0, "\x00\x00\x01\xBA"sv}}},
        {"MKV/MKA/WEBM", {{0, "\x1A\x45\xDF\xA3"sv}}},
        {"LUAC", {{0, "\x1BLua"sv}}},
        {"GZ", {{0, "\x1F\x8B"sv}}},
        {"PS", {{0, "%!PS"sv}}},
        {"PDF", {{0, "%PDF-"sv}}},
        {"ACE", {{0, "**ACE**"sv}}},
        {"XPM", {{0, "/* XPM */"sv}}},
        {"ASF/WMA/WMV",
         {{0, "\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C"sv}}},
        {"SRT", {{0, "1\n00"sv}}},
        {"7Z", {{0, "7z\xBC\xAF\x27\x1C"sv}}},
        {"PSD", {{0, "8BPS"sv}}},
        {"FH8", {{0, "AGD3"sv}}},
        {"DJVU", {{0, "AT&TFORM"sv}, {12, "DJV"sv}}},
        {"BLEND", {{0, "BLENDER"sv}}},
        {"BMP", {{0, "BM"sv}}},
        {"BPG", {{0, "BPG\xFB"sv}}},
        {"BZ2", {{0, "BZh"sv}}},
        {"SWF", {{0, "CWS"sv}}},
        {"DRC", {{0, "DRACO"sv}}},
        {"FLIF", {{0, "FLIF"sv}}},
        {"SWF", {{0, "FWS"sv}}},
        {"FLV", {{0, "FLV"sv}}},
        {"GIF87A", {{0, "GIF87a"sv}}},
        {"GIF89A", {{0, "GIF89a"sv}}},
        {"TIFF (LE)", {{0, "II\x2A\x00"sv}}},
        {"CR2",
         {{0, "II\x2A\x00\x10\x00\x00\x00"
              "CR"sv}}},
        {"CHM", {{0, "ITSF\x03\x00\x00\x00\x60\x00\x00\x00"sv}}},
        {"MP3/ID3V2", {{0, "ID3"sv}}},
        {"CAB (IS)", {{0, "ISc("sv}}},
        {"LZ", {{0, "LZIP"sv}}},
        {"MLV", {{0, "MLVI"sv}}},
        {"TIFF (BE)", {{0, "MM\x00\x2A"sv}}},
        {"CAB", {{0, "MSCF"sv}}},
        {"MID/MIDI", {{0, "MThd"sv}}},
        {"EXE/DLL (MZ/PE/NE)", {{0, "MZ"sv}}},
        {"NUI", {{0, "NURUIMG"sv}}},
        {"NUP", {{0, "NURUPAL"sv}}},
        {"OGG/OGA/OGV", {{0, "OggS"sv}}},
        {"PBM", {{0, "P1\n"sv}}},
        {"PGM", {{0, "P2\n"sv}}},
        {"PPM", {{0, "P3\n"sv}}},
        {"ZIP", {{0, "PK\x03\x04"sv}}},
        {"ZIP (E)", {{0, "PK\x05\x06"sv}}},
        {"ZIP (S)", {{0, "PK\x07\x08"sv}}},
        {"ANI", {{0, "RIFF"sv}, {8, "ACON"sv}}},
        {"AVI", {{0, "RIFF"sv}, {8, "AVI "sv}}},
        {"WAV", {{0, "RIFF"sv}, {8, "WAVE"sv}}},
        {"WEBP", {{0, "RIFF"sv}, {8, "WEBP"sv}}},
        {"RAR (1.5+)", {{0, "Rar!\x1A\x07"sv}}},
        {"RAR (5.0+)", {{0, "Rar!\x1A\x07\x01\x00"sv}}},
        {"DPX (BE)", {{0, "SDPX"sv}}},
        {"SQLITE/DB", {{0, "SQLite format 3\x00"sv}}},
        {"DPX (LE)", {{0, "XPDS"sv}}},
        {"EXE (ZM)", {{0, "ZM"sv}}},
        {"ARJ", {{0, "\x60\xEA"sv}}},
        // 3GP files carry "ftyp3g" at offset 4, after the box size.
        {"3GP", {{4, "ftyp3g"sv}}},
        {"FLAC", {{0, "fLaC"sv}}},
        {"XCF", {{0, "gimp xcf"sv}}},
        {"TOX", {{0, "tox3"sv}}},
        {"EXR", {{0, "\x76\x2F\x31\x01"sv}}},
        {"XAR", {{0, "xar!"sv}}},
        {"RTF", {{0, "{\\rtf1"sv}}},
        {"CIN", {{0, "\x80\x2A\x5F\xD7"sv}}},
        {"PNG", {{0, "\x89PNG\r\n\x1A\n"sv}}},
        {"CLASS", {{0, "\xCA\xFE\xBA\xBE"sv}}},
        {"LEP", {{0, "\xCF\x84\x01"sv}}},
        {"DOC/XLS/PPT", {{0, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"sv}}},
        {"WMF", {{0, "\xD7\xCD\xC6\x9A"sv}}},
        {"XZ",
         {{0, "\xFD"
              "7zXZ\x00"sv}}},
        {"JPG", {{0, "\xFF\xD8\xFF\xDB"sv}}},
        {"JPEG/JFIF", {{0, "\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01"sv}}},
        {"JPEG", {{0, "\xFF\xD8\xFF\xEE"sv}}},
        {"JPEG/EXIF", {{0, "\xFF\xD8\xFF\xE1"sv}, {6, "Exif"sv}}},
        {"MP3", {{0, "\xFF\xF2"sv}}},
        {"MP3", {{0, "\xFF\xF3"sv}}},
        {"MP3", {{0, "\xFF\xFB"sv}}},
    };
    return table;
}

bool Matches(std::string_view bytes, const Signature& signature) {
    for (const Run& run : signature.runs)
        if (run.offset + run.bytes.size() > bytes.size() ||
            bytes.substr(run.offset, run.bytes.size()) != run.bytes)
            return false;
    return true;
}

// A signature belongs to the group of the byte it requires at offset 0; one without such a
// byte (3GP, found at offset 4 behind a box size) is tested for every file.
bool InGroupOf(const Signature& signature, char firstByte) {
    for (const Run& run : signature.runs)
        if (run.offset == 0)
            return run.bytes.front() == firstByte;
    return true;
}

} // namespace

std::string SniffSignature(std::string_view firstBytes) {
    std::string_view bytes = firstBytes.substr(0, kBytesLookedAt);
    std::string result = kUnrecognizedKind;
    if (bytes.empty())
        return result;
    for (const Signature& signature : Signatures())
        if (InGroupOf(signature, bytes.front()) && Matches(bytes, signature))
            result = std::string(signature.kind);
    return result;
}

std::string SignatureSniffer(const std::string& path) {
    auto bytes = ReadFileStart(path, kBytesLookedAt);
    return bytes ? SniffSignature(*bytes) : std::string(kUnrecognizedKind);
}

} // namespace velmora
