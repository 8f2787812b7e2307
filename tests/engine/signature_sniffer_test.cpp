#include "engine/signature_sniffer.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace velmora {
namespace {

using namespace std::string_view_literals;
using testing::TempFolder;
using testing::WriteFile;

struct Case {
    const char* label;
    std::string_view bytes;
    const char* kind;
};

// One case per signature row, plus the rows whose later, longer signature wins, files
// too short for a signature, and near misses.
const Case kCases[] = {
    {"ico", "\x00\x00\x01\x00\x01\x00"sv, "ICO"},
    {"mpeg", "\x00\x00\x01\xB3\x14"sv, "MPEG"},
    {"vob", "\x00\x00\x01\xBA\x44"sv, "MPG/VOB"},
    {"mkv", "\x1A\x45\xDF\xA3\x01"sv, "MKV/MKA/WEBM"},
    {"luac", "\x1BLuaS\x00"sv, "LUAC"},
    {"gz", "\x1F\x8B\x08\x00"sv, "GZ"},
    {"ps", "%!PS-Adobe-3.0"sv, "PS"},
    {"pdf", "%PDF-1.7\n"sv, "PDF"},
    {"pdf without dash", "%PDF1.7"sv, "[ERROR] UNRECOGNIZED"},
    {"ace", "**ACE**\x00"sv, "ACE"},
    {"xpm", "/* XPM */\nstatic"sv, "XPM"},
    {"asf", "\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C\x01"sv,
     "ASF/WMA/WMV"},
    {"srt", "1\n00:00:01"sv, "SRT"},
    {"7z", "7z\xBC\xAF\x27\x1C\x00\x04"sv, "7Z"},
    {"psd", "8BPS\x00\x01"sv, "PSD"},
    {"fh8", "AGD3\x00"sv, "FH8"},
    {"djvu",
     "AT&TFORM\x00\x00\x10\x00"
     "DJVUINFO"sv,
     "DJVU"},
    {"djvu first run only",
     "AT&TFORM\x00\x00\x10\x00"
     "XXXXINFO"sv,
     "[ERROR] UNRECOGNIZED"},
    {"blend", "BLENDER-v279"sv, "BLEND"},
    {"bmp", "BM\x36\x00\x00\x00"sv, "BMP"},
    {"bpg", "BPG\xFB\x00"sv, "BPG"},
    {"bz2 three bytes", "BZh"sv, "BZ2"},
    {"swf compressed", "CWS\x0A"sv, "SWF"},
    {"draco", "DRACO\x02\x02"sv, "DRC"},
    {"flif", "FLIF\x31"sv, "FLIF"},
    {"swf plain", "FWS\x0A"sv, "SWF"},
    {"flv", "FLV\x01\x05"sv, "FLV"},
    {"gif87a", "GIF87a\x10\x00"sv, "GIF87A"},
    {"gif89a", "GIF89a\x10\x00"sv, "GIF89A"},
    {"tiff little-endian", "II\x2A\x00\x08\x00\x00\x00\x10\x00"sv, "TIFF (LE)"},
    {"cr2 over tiff",
     "II\x2A\x00\x10\x00\x00\x00"
     "CR\x02\x00"sv,
     "CR2"},
    {"cr2 cut before its last byte",
     "II\x2A\x00\x10\x00\x00\x00"
     "C"sv,
     "TIFF (LE)"},
    {"chm", "ITSF\x03\x00\x00\x00\x60\x00\x00\x00\x01"sv, "CHM"},
    {"id3", "ID3\x04\x00"sv, "MP3/ID3V2"},
    {"installshield cab", "ISc(\x00"sv, "CAB (IS)"},
    {"lzip", "LZIP\x01"sv, "LZ"},
    {"mlv", "MLVI\x34\x00"sv, "MLV"},
    {"tiff big-endian", "MM\x00\x2A\x00\x00\x00\x08"sv, "TIFF (BE)"},
    {"cab", "MSCF\x00\x00"sv, "CAB"},
    {"midi", "MThd\x00\x00\x00\x06"sv, "MID/MIDI"},
    {"mz two bytes", "MZ"sv, "EXE/DLL (MZ/PE/NE)"},
    {"nui", "NURUIMG\x00"sv, "NUI"},
    {"nup", "NURUPAL\x00"sv, "NUP"},
    {"ogg", "OggS\x00\x02"sv, "OGG/OGA/OGV"},
    {"pbm", "P1\n# x"sv, "PBM"},
    {"pgm", "P2\n4 4"sv, "PGM"},
    {"ppm", "P3\n4 4"sv, "PPM"},
    {"ppm binary is not listed", "P6\n4 4"sv, "[ERROR] UNRECOGNIZED"},
    {"zip", "PK\x03\x04\x14\x00"sv, "ZIP"},
    {"zip empty", "PK\x05\x06\x00\x00"sv, "ZIP (E)"},
    {"zip spanned", "PK\x07\x08\x00\x00"sv, "ZIP (S)"},
    {"ani",
     "RIFF\x10\x00\x00\x00"
     "ACONanih"sv,
     "ANI"},
    {"avi",
     "RIFF\x10\x00\x00\x00"
     "AVI LIST"sv,
     "AVI"},
    {"wav",
     "RIFF\x10\x00\x00\x00"
     "WAVEfmt "sv,
     "WAV"},
    {"webp",
     "RIFF\x10\x00\x00\x00"
     "WEBPVP8 "sv,
     "WEBP"},
    {"riff of another kind",
     "RIFF\x10\x00\x00\x00"
     "CDXAfmt "sv,
     "[ERROR] UNRECOGNIZED"},
    {"riff cut before its kind",
     "RIFF\x10\x00\x00\x00"
     "WAV"sv,
     "[ERROR] UNRECOGNIZED"},
    {"rar 1.5", "Rar!\x1A\x07\x00\xCF"sv, "RAR (1.5+)"},
    {"rar 5.0 over 1.5", "Rar!\x1A\x07\x01\x00\x33"sv, "RAR (5.0+)"},
    {"rar 5.0 cut short", "Rar!\x1A\x07\x01"sv, "RAR (1.5+)"},
    {"dpx big-endian", "SDPX\x00\x00"sv, "DPX (BE)"},
    {"sqlite", "SQLite format 3\x00\x10\x00"sv, "SQLITE/DB"},
    {"sqlite without its zero byte", "SQLite format 3"sv, "[ERROR] UNRECOGNIZED"},
    {"dpx little-endian", "XPDS\x00\x00"sv, "DPX (LE)"},
    {"zm", "ZM\x90\x00"sv, "EXE (ZM)"},
    {"arj", "\x60\xEA\x26\x00"sv, "ARJ"},
    {"3gp at offset 4",
     "\x00\x00\x00\x18"
     "ftyp3gp4\x00\x00"sv,
     "3GP"},
    {"3gp bytes at offset 0", "ftyp3gp4\x00\x00"sv, "[ERROR] UNRECOGNIZED"},
    {"flac", "fLaC\x00\x00"sv, "FLAC"},
    {"xcf", "gimp xcf v011"sv, "XCF"},
    {"tox", "tox3\x00"sv, "TOX"},
    {"exr", "\x76\x2F\x31\x01\x02\x00"sv, "EXR"},
    {"xar", "xar!\x00\x1C"sv, "XAR"},
    {"rtf", "{\\rtf1\\ansi"sv, "RTF"},
    {"cin", "\x80\x2A\x5F\xD7\x00"sv, "CIN"},
    {"png", "\x89PNG\r\n\x1A\n\x00\x00\x00\x0D"sv, "PNG"},
    {"png with a damaged line end", "\x89PNG\n\n\x1A\n"sv, "[ERROR] UNRECOGNIZED"},
    {"class", "\xCA\xFE\xBA\xBE\x00\x00"sv, "CLASS"},
    {"lepton", "\xCF\x84\x01\x00"sv, "LEP"},
    {"ole2", "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1\x00"sv, "DOC/XLS/PPT"},
    {"wmf", "\xD7\xCD\xC6\x9A\x00\x00"sv, "WMF"},
    {"xz",
     "\xFD"
     "7zXZ\x00\x00"sv,
     "XZ"},
    {"jpg raw", "\xFF\xD8\xFF\xDB\x00\x43"sv, "JPG"},
    {"jfif", "\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01"sv, "JPEG/JFIF"},
    {"adobe jpeg", "\xFF\xD8\xFF\xEE\x00\x0E"sv, "JPEG"},
    {"exif jpeg",
     "\xFF\xD8\xFF\xE1\x12\x34"
     "Exif\x00\x00"sv,
     "JPEG/EXIF"},
    {"app1 without exif",
     "\xFF\xD8\xFF\xE1\x12\x34"
     "http"sv,
     "[ERROR] UNRECOGNIZED"},
    {"mp3 f2", "\xFF\xF2\x10\x00"sv, "MP3"},
    {"mp3 f3", "\xFF\xF3\x10\x00"sv, "MP3"},
    {"mp3 fb", "\xFF\xFB\x90\x00"sv, "MP3"},
    {"mp3 fa is not listed", "\xFF\xFA\x90\x00"sv, "[ERROR] UNRECOGNIZED"},
    {"single byte of a group", "B"sv, "[ERROR] UNRECOGNIZED"},
    {"plain text", "hello, world\n"sv, "[ERROR] UNRECOGNIZED"},
    // A signature is only looked for in its own first-byte group.
    {"gif bytes after a leading space", " GIF89a"sv, "[ERROR] UNRECOGNIZED"},
};

TEST(SignatureSniffer, NamesEachKindFromTheFirstBytes) {
    TempFolder folder;
    int index = 0;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.label);
        std::string path = folder / ("file" + std::to_string(index++) + ".bin");
        WriteFile(path, c.bytes);
        EXPECT_EQ(SignatureSniffer(path), c.kind);
    }
}

TEST(SignatureSniffer, FilesWithNothingToReadAreUnrecognized) {
    TempFolder folder;
    WriteFile(folder / "empty.cr2", "");
    struct Case {
        const char* label;
        std::string path;
    };
    const Case cases[] = {
        {"empty file", folder / "empty.cr2"},
        {"missing file", folder / "missing.cr2"},
        {"empty path", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SignatureSniffer(c.path), "[ERROR] UNRECOGNIZED") << c.label;
}

// Real camera files: TIFF-based ones show their TIFF kind, a CRW matches no row.
TEST(SignatureSniffer, NamesRealCameraFiles) {
    VELMORA_REQUIRE_SAMPLES();
    struct Case {
        const char* name;
        const char* kind;
    };
    const Case cases[] = {
        {"bad/stub_canon_eos350d.cr2", "CR2"},
        {"dngconv_canon_eos6d_lossy.dng", "TIFF (LE)"},
        {"kodak_dc50.kdc", "TIFF (BE)"},
        {"canon_powershot_g2.crw", "[ERROR] UNRECOGNIZED"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SignatureSniffer(testing::SamplePath(c.name)), c.kind) << c.name;
}

} // namespace
} // namespace velmora
