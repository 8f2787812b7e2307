// The source's metadata in the written TIFF: descriptive tags survive, structure tags of
// the source do not, Orientation is 1, the sizes are the written picture's, and neither
// the program nor libtiff has anything to say on the console.
#include "dng/dng_writer.h"
#include "e2e/e2e_support.h"
#include "e2e/tiff_reader.h"
#include "support/pictures.h"

#include <gtest/gtest.h>

#include <exiv2/exiv2.hpp>
#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <set>

namespace velmora::testing {
namespace {

using Tags = std::map<std::string, std::string>;

Tags ReadExif(const std::string& path) {
    Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
    auto image = Exiv2::ImageFactory::open(path);
    image->readMetadata();
    Tags tags;
    for (const auto& datum : image->exifData())
        tags[datum.key()] = datum.toString();
    for (const auto& datum : image->xmpData())
        tags[datum.key()] = datum.toString();
    return tags;
}

// libtiff's warnings while it reads every directory, the EXIF one included.
int LibtiffWarnings(const std::string& path) {
    static int warnings;
    warnings = 0;
    auto count = [](const char*, const char*, va_list) { ++warnings; };
    TIFFErrorHandler previousWarning = TIFFSetWarningHandler(count);
    TIFFErrorHandler previousError = TIFFSetErrorHandler(count);
    if (TIFF* tiff = TIFFOpen(path.c_str(), "r")) {
        toff_t exifOffset = 0;
        bool hasExif = TIFFGetField(tiff, TIFFTAG_EXIFIFD, &exifOffset) != 0;
        while (TIFFReadDirectory(tiff)) {
        }
        if (hasExif && !TIFFReadEXIFDirectory(tiff, exifOffset))
            ++warnings;
        TIFFClose(tiff);
    } else {
        ++warnings;
    }
    TIFFSetWarningHandler(previousWarning);
    TIFFSetErrorHandler(previousError);
    return warnings;
}

bool HaveExiftool() {
    return std::system("exiftool -ver >/dev/null 2>&1") == 0;
}

// "numerator/denominator" as a number; NaN for anything else.
double Rational(const std::string& text) {
    unsigned long long numerator = 0, denominator = 0;
    if (std::sscanf(text.c_str(), "%llu/%llu", &numerator, &denominator) != 2 || denominator == 0)
        return std::nan("");
    return static_cast<double>(numerator) / static_cast<double>(denominator);
}

class Metadata : public ::testing::Test {
protected:
    RunResult Run(const std::vector<std::string>& arguments) {
        RunOptions options;
        options.workFolder = folder.Path();
        return RunProgram(arguments, options);
    }
    TempFolder folder;
};

TEST_F(Metadata, OurDngsKeepTheirCameraTagsInEveryLoadMode) {
    dng::DngOptions options;
    options.width = 128, options.height = 96;
    options.make = "Velmora Optics", options.model = "VX-9";
    options.dateTimeOriginal = "2023:11:02 08:15:42";
    options.exposureTime = 1.0 / 1600, options.iso = 400, options.fNumber = 2.8;
    for (bool preview : {true, false}) {
        options.embedPreview = preview;
        ASSERT_TRUE(dng::WriteDng(folder / "camera.dng", options));
        for (const char* mode : {"auto", "24", "48hs", "48"}) {
            std::string shown = std::string(mode) + (preview ? " with preview" : " without");
            RunResult result =
                Run({"-q", "-i", "camera.dng", std::string("--raw-load-as=") + mode});
            ASSERT_EQ(result.exitStatus, 0) << shown << result.out;
            EXPECT_EQ(result.err, "") << shown;
            std::string output = folder / "camera.tiff";
            Tags tags = ReadExif(output);
            EXPECT_EQ(tags["Exif.Image.Make"], "Velmora Optics") << shown;
            EXPECT_EQ(tags["Exif.Image.Model"], "VX-9") << shown;
            EXPECT_EQ(tags["Exif.Photo.DateTimeOriginal"], "2023:11:02 08:15:42") << shown;
            // The fractions as the source holds them, not as libtiff's floats would give them.
            Tags source = ReadExif(folder / "camera.dng");
            EXPECT_NEAR(Rational(tags["Exif.Photo.ExposureTime"]), 1.0 / 1600, 1e-9) << shown;
            EXPECT_EQ(tags["Exif.Photo.ExposureTime"], source["Exif.Photo.ExposureTime"]) << shown;
            EXPECT_EQ(tags["Exif.Photo.ISOSpeedRatings"], "400") << shown;
            EXPECT_EQ(tags["Exif.Photo.FNumber"], source["Exif.Photo.FNumber"]) << shown;
            EXPECT_EQ(tags["Exif.Image.Orientation"], "1") << shown;
            // The source's own structure stays behind, and so do the pixel dimensions, which
            // TIFF does not allow in its EXIF directory.
            for (const char* structural :
                 {"Exif.Image.DNGVersion", "Exif.Image.SubIFDs", "Exif.Image.ColorMatrix1",
                  "Exif.SubImage1.ImageWidth", "Exif.Photo.PixelXDimension"})
                EXPECT_EQ(tags.count(structural), 0u) << shown << " " << structural;
            // The written file's own first directory is the full picture, not a preview.
            if (tags.count("Exif.Image.NewSubfileType")) {
                EXPECT_EQ(tags["Exif.Image.NewSubfileType"], "0") << shown;
            }
            EXPECT_EQ(LibtiffWarnings(output), 0) << shown;
        }
    }
}

TEST_F(Metadata, ATurnedSourceIsWrittenUprightWithOrientationOne) {
    dng::DngOptions options;
    options.width = 128, options.height = 96, options.orientation = 6;
    ASSERT_TRUE(dng::WriteDng(folder / "turned.dng", options));
    ASSERT_EQ(Run({"-q", "-i", "turned.dng"}).exitStatus, 0);
    Tags tags = ReadExif(folder / "turned.tiff");
    EXPECT_EQ(tags["Exif.Image.Orientation"], "1");
    auto facts = ReadTiffFacts(folder / "turned.tiff");
    ASSERT_TRUE(facts);
    EXPECT_GT(facts->height, facts->width);
}

TEST_F(Metadata, ATurnedAndResizedConversionKeepsTheTagsWithItsNewSize) {
    dng::DngOptions options;
    options.width = 160, options.height = 120, options.make = "Velmora Optics";
    ASSERT_TRUE(dng::WriteDng(folder / "camera.dng", options));
    RunResult result =
        Run({"-q", "-i", "camera.dng", "--raw-load-as=24", "--rotation=90", "--width=50",
             "--height=50", "--width-unit=percent", "--height-unit=percent"});
    ASSERT_EQ(result.exitStatus, 0) << result.out;
    auto facts = ReadTiffFacts(folder / "camera.tiff");
    ASSERT_TRUE(facts);
    EXPECT_EQ(facts->width, 60u);
    EXPECT_EQ(facts->height, 80u);
    Tags tags = ReadExif(folder / "camera.tiff");
    EXPECT_EQ(tags["Exif.Image.Make"], "Velmora Optics");
    EXPECT_EQ(tags["Exif.Photo.ISOSpeedRatings"], "200");
    EXPECT_EQ(tags["Exif.Image.Orientation"], "1");
    EXPECT_EQ(LibtiffWarnings(folder / "camera.tiff"), 0);
}

// GPS, XMP and IPTC take their own ways into the TIFF; a JPEG named as a camera file
// carries all three. Its XMP also uses a namespace exiv2 does not know, which the
// converter's reading registers (and, under the leak checker, must give back).
TEST_F(Metadata, GpsXmpAndIptcArriveInTheTiff) {
    Picture picture = MakePicture(64, 48, [](int x, int) { return Rgb{x * 4, 90, 160}; });
    WriteFile(folder / "phone.cr2", EncodeJpeg(picture.get()));
    {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        auto image = Exiv2::ImageFactory::open(folder / "phone.cr2");
        Exiv2::ExifData exif;
        exif["Exif.Image.Make"] = "Velmora Phone";
        exif["Exif.GPSInfo.GPSLatitudeRef"] = "N";
        exif["Exif.GPSInfo.GPSLatitude"] = Exiv2::URationalValue();
        exif["Exif.GPSInfo.GPSLatitude"].setValue("48/1 51/1 24/1");
        Exiv2::XmpData xmp;
        xmp["Xmp.dc.title"] = "lang=x-default Harbour at dawn";
        Exiv2::XmpProperties::registerNs("http://velmora.example/album/1.0/", "velmoraAlbum");
        xmp["Xmp.velmoraAlbum.Roll"] = "Roll 12";
        Exiv2::IptcData iptc;
        iptc["Iptc.Application2.Keywords"] = "harbour";
        image->setExifData(exif);
        image->setXmpData(xmp);
        image->setIptcData(iptc);
        image->writeMetadata();
        Exiv2::XmpProperties::unregisterNs("http://velmora.example/album/1.0/");
    }
    RunResult result = Run({"-q", "-i", "phone.cr2"});
    ASSERT_EQ(result.exitStatus, 0) << result.out;
    EXPECT_EQ(result.err, "");
    auto output = Exiv2::ImageFactory::open(folder / "phone.tiff");
    output->readMetadata();
    Tags tags = ReadExif(folder / "phone.tiff");
    EXPECT_EQ(tags["Exif.Image.Make"], "Velmora Phone");
    EXPECT_EQ(tags["Exif.GPSInfo.GPSLatitudeRef"], "N");
    EXPECT_EQ(tags["Exif.GPSInfo.GPSLatitude"], "48/1 51/1 24/1");
    EXPECT_EQ(tags["Xmp.dc.title"], "lang=\"x-default\" Harbour at dawn");
    EXPECT_EQ(tags["Xmp.velmoraAlbum.Roll"], "Roll 12");
    auto keyword = output->iptcData().findKey(Exiv2::IptcKey("Iptc.Application2.Keywords"));
    ASSERT_NE(keyword, output->iptcData().end());
    EXPECT_EQ(keyword->toString(), "harbour");
    EXPECT_EQ(LibtiffWarnings(folder / "phone.tiff"), 0);
    // Reading the output registered the namespace in this process too.
    Exiv2::XmpProperties::unregisterNs("http://velmora.example/album/1.0/");
}

// An XMP sidecar beside the source adds what a person said of the picture and wins over
// the source's own packet; a raw developer's edits stay behind; a sidecar that does not
// parse is passed over and the picture is still converted.
TEST_F(Metadata, AnXmpSidecarJoinsTheSourcesOwnPacket) {
    Picture picture = MakePicture(32, 24, [](int x, int) { return Rgb{x * 8, 90, 160}; });
    WriteFile(folder / "shot.cr2", EncodeJpeg(picture.get()));
    {
        auto image = Exiv2::ImageFactory::open(folder / "shot.cr2");
        Exiv2::XmpData xmp;
        xmp["Xmp.dc.title"] = "lang=x-default From the camera";
        xmp["Xmp.xmp.Rating"] = "1";
        image->setXmpData(xmp);
        image->writeMetadata();
    }
    const std::string sidecar =
        R"(<x:xmpmeta xmlns:x="adobe:ns:meta/"><rdf:RDF xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#">)"
        R"(<rdf:Description rdf:about="" xmlns:xmp="http://ns.adobe.com/xap/1.0/" )"
        R"(xmlns:dc="http://purl.org/dc/elements/1.1/" xmlns:darktable="http://darktable.sf.net/" )"
        R"(xmp:Rating="4" darktable:history_end="3"><dc:subject><rdf:Bag><rdf:li>harbour</rdf:li>)"
        R"(</rdf:Bag></dc:subject></rdf:Description></rdf:RDF></x:xmpmeta>)";
    for (const auto& [name, text] : {std::pair<std::string, std::string>{"shot.xmp", sidecar},
                                     {"shot.cr2.xmp", "<x:xmpmeta broken"}}) {
        WriteFile(folder / name, text);
        ASSERT_EQ(Run({"-q", "-i", "shot.cr2"}).exitStatus, 0) << name;
        Tags tags = ReadExif(folder / "shot.tiff");
        EXPECT_EQ(tags["Xmp.dc.title"], "lang=\"x-default\" From the camera") << name;
        EXPECT_EQ(tags["Xmp.xmp.Rating"], "4") << name;
        EXPECT_EQ(tags["Xmp.dc.subject"], "harbour") << name;
        EXPECT_EQ(tags.count("Xmp.darktable.history_end"), 0u) << name;
    }
    std::filesystem::remove(folder / "shot.xmp");
    ASSERT_EQ(Run({"-q", "-i", "shot.cr2"}).exitStatus, 0);
    EXPECT_EQ(ReadExif(folder / "shot.tiff")["Xmp.xmp.Rating"], "1");
    Exiv2::XmpProperties::unregisterNs("http://darktable.sf.net/");
}

TEST_F(Metadata, ASourceWithoutMetadataGivesACleanTiff) {
    // Headerless bits carry no metadata at all.
    WriteFile(folder / "bits.raw", std::string(64 * 64 * 2, '\x40'));
    RunResult result = Run({"-q", "-i", "bits.raw"});
    ASSERT_EQ(result.exitStatus, 0) << result.out;
    EXPECT_EQ(result.err, "");
    Tags tags = ReadExif(folder / "bits.tiff");
    EXPECT_EQ(tags["Exif.Image.Orientation"], "1");
    EXPECT_EQ(tags.count("Exif.Image.Make"), 0u);
    EXPECT_EQ(LibtiffWarnings(folder / "bits.tiff"), 0);
}

// Tags exiftool must find in the output wherever it reads them in the source (under any of
// the names given, since a maker note's tag becomes its EXIF counterpart); values compared
// where the reading means the same in both.
enum class Compared { No, AsText, AsNumber };
struct Carried {
    const char* source;
    std::vector<const char*> written;
    Compared compared;
};
const Carried kCarried[] = {
    {"Make", {"Make"}, Compared::AsText},
    {"Model", {"Model"}, Compared::AsText},
    {"DateTimeOriginal", {"DateTimeOriginal"}, Compared::AsText},
    {"ExposureTime", {"ExposureTime"}, Compared::AsNumber},
    {"FNumber", {"FNumber"}, Compared::AsNumber},
    {"FocalLength", {"FocalLength"}, Compared::AsNumber},
    {"ISO", {"ISO"}, Compared::AsNumber},
    {"ExposureCompensation", {"ExposureCompensation"}, Compared::AsNumber},
    // Makers number metering modes their own way; EXIF has its own numbers.
    {"MeteringMode", {"MeteringMode"}, Compared::No},
    {"Lens", {"LensInfo", "LensModel"}, Compared::No},
    // An unknown aperture stays unknown ("f/?").
    {"LensInfo", {"LensInfo"}, Compared::AsText},
    {"LensModel", {"LensModel"}, Compared::AsText},
    {"SerialNumber", {"SerialNumber"}, Compared::AsText},
};

// exiftool is the independent reader of what a source file says about itself.
Tags ExiftoolReading(const std::string& path) {
    std::string names;
    for (const Carried& carried : kCarried)
        names += std::string(" -") + carried.source +
                 (carried.compared == Compared::AsNumber ? "#" : "");
    Tags tags;
    FILE* pipe = popen(("exiftool -s -s" + names + " '" + path + "' 2>/dev/null").c_str(), "r");
    if (!pipe)
        return tags;
    for (char line[512]; std::fgets(line, sizeof line, pipe);) {
        std::string text = line;
        size_t colon = text.find(": ");
        if (colon != std::string::npos)
            tags[text.substr(0, colon)] = text.substr(colon + 2, text.find('\n') - colon - 2);
    }
    pclose(pipe);
    return tags;
}

// Every rational of the EXIF and GPS directories as exiv2 reads its numerators and
// denominators, under its EXIF name (a TIFF/EP tag of the first directory is written there).
Tags RawRationals(const std::string& path) {
    Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
    Tags rationals;
    if (!Exiv2::ImageFactory::getType(path))
        return rationals; // a camera file exiv2 does not read (the C330's)
    auto image = Exiv2::ImageFactory::open(path);
    image->readMetadata();
    for (const auto& datum : image->exifData()) {
        bool rational =
            datum.typeId() == Exiv2::unsignedRational || datum.typeId() == Exiv2::signedRational;
        const std::string group = datum.groupName();
        if (rational && (group == "Photo" || group == "GPSInfo"))
            rationals["Exif." + group + "." + datum.tagName()] = datum.toString();
    }
    for (const auto& datum : image->exifData())
        if (datum.groupName() == "Image" &&
            (datum.tagName() == "ExposureTime" || datum.tagName() == "FNumber" ||
             datum.tagName() == "FocalLength" || datum.tagName() == "SubjectDistance"))
            rationals.emplace("Exif.Photo." + datum.tagName(), datum.toString());
    return rationals;
}

std::string LocalNow() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y:%m:%d %H:%M:%S", &local);
    return text;
}

// A field of the last item of an XMP array of structures.
std::string LastItem(const Tags& tags, const std::string& array, const std::string& field) {
    long last = 0;
    for (const auto& [key, value] : tags)
        if (key.rfind(array + "[", 0) == 0)
            last = std::max(last, std::strtol(key.c_str() + array.size() + 1, nullptr, 10));
    auto found = tags.find(array + "[" + std::to_string(last) + "]/" + field);
    return found == tags.end() ? std::string() : found->second;
}

// Every camera file of the samples, in every load mode. What exiftool reads in the source it
// reads in the output (the exposure tags a maker note alone holds included); every rational
// of the EXIF and GPS directories has the source's numerator and denominator; the file names
// this program and the time it was written, is a TIFF in its XMP with an identity of its own
// derived from the source's, has no raw developer's settings, and exiftool finds nothing to
// warn about.
TEST_F(Metadata, CameraSamplesKeepWhatTheCameraRecorded) {
    VELMORA_REQUIRE_SAMPLES();
    if (!HaveExiftool())
        GTEST_SKIP() << "exiftool is not installed";
    struct Sample {
        const char* name;
        // exiv2 reads a CRW's long exposure as 1 s; the written file has the camera's 5 s.
        std::set<std::string> corrected;
    };
    const Sample samples[] = {{"blackmagic_pocket_cinema_camera_4k.dng", {}},
                              {"canon_eos_d30.crw", {"Exif.Photo.ExposureTime"}},
                              {"canon_powershot_g2.crw", {}},
                              {"dngconv_canon_eos6d_lossy.dng", {}},
                              {"dngconv_nikon_d500_lossy.dng", {}},
                              {"google_pixel7.dng", {}},
                              {"kodak_c330_yrgb.raw", {}},
                              {"kodak_dc50.kdc", {}},
                              {"nikon_d1.nef", {}}};
    std::vector<std::string> outputs;
    for (const char* mode : {"auto", "24", "48hs", "48"}) {
        std::string into = folder / mode;
        std::filesystem::create_directory(into);
        for (const Sample& sample : samples) {
            std::string shown = std::string(sample.name) + " " + mode;
            std::string source = SamplePath(sample.name);
            const std::string before = LocalNow();
            RunResult result =
                Run({"-q", "-i", source, "-o", into, std::string("--raw-load-as=") + mode});
            const std::string after = LocalNow();
            ASSERT_EQ(result.exitStatus, 0) << shown;
            EXPECT_EQ(result.err, "") << shown;
            std::string base = sample.name;
            std::string output = into + "/" + base.substr(0, base.rfind('.')) + ".tiff";
            outputs.push_back(output);

            Tags bySource = ExiftoolReading(source), written = ExiftoolReading(output);
            for (const Carried& carried : kCarried) {
                if (!bySource.count(carried.source))
                    continue;
                auto found = std::find_if(carried.written.begin(), carried.written.end(),
                                          [&](const char* name) { return written.count(name); });
                ASSERT_NE(found, carried.written.end()) << shown << " lost " << carried.source;
                const std::string &ours = written[*found], &theirs = bySource[carried.source];
                // A maker note's number may come with others ("0 200": Nikon's ISO is the last).
                auto number = [](const std::string& text) {
                    return std::stod(text.substr(text.find_last_of(' ') + 1));
                };
                bool same = carried.compared == Compared::No ||
                            (carried.compared == Compared::AsText
                                 ? ours == theirs
                                 : std::fabs(number(ours) - number(theirs)) <=
                                       std::fabs(number(theirs)) * 0.005);
                EXPECT_TRUE(same) << shown << " " << carried.source << ": " << ours
                                  << " where the source has " << theirs;
            }

            Tags sourceRationals = RawRationals(source), writtenRationals = RawRationals(output);
            for (const auto& [key, value] : sourceRationals) {
                if (sample.corrected.count(key) || key == "Exif.Photo.CompressedBitsPerPixel")
                    continue;
                ASSERT_TRUE(writtenRationals.count(key)) << shown << " lost " << key;
                EXPECT_EQ(writtenRationals[key], value) << shown << " " << key;
            }

            Tags tags = ReadExif(output);
            Tags sourceTags = Exiv2::ImageFactory::getType(source) ? ReadExif(source) : Tags();
            EXPECT_EQ(tags["Exif.Image.Software"].rfind("velmoracmd ", 0), 0u) << shown;
            EXPECT_GE(tags["Exif.Image.DateTime"], before) << shown;
            EXPECT_LE(tags["Exif.Image.DateTime"], after) << shown;
            EXPECT_EQ(tags["Xmp.dc.format"], "image/tiff") << shown;
            EXPECT_EQ(tags["Xmp.xmpMM.InstanceID"].rfind("xmp.iid:", 0), 0u) << shown;
            EXPECT_EQ(tags["Xmp.xmpMM.DocumentID"].rfind("xmp.did:", 0), 0u) << shown;
            EXPECT_NE(tags["Xmp.xmpMM.DocumentID"], sourceTags["Xmp.xmpMM.DocumentID"]) << shown;
            EXPECT_EQ(tags["Xmp.xmpMM.DerivedFrom/stRef:documentID"],
                      sourceTags["Xmp.xmpMM.DocumentID"])
                << shown;
            EXPECT_EQ(LastItem(tags, "Xmp.xmpMM.History", "stEvt:action"), "converted") << shown;
            EXPECT_EQ(LastItem(tags, "Xmp.xmpMM.History", "stEvt:instanceID"),
                      tags["Xmp.xmpMM.InstanceID"])
                << shown;
            for (const auto& [key, value] : tags)
                EXPECT_NE(key.rfind("Xmp.crs.", 0), 0u) << shown << " keeps " << key;
            // A processing method EXIF has no word for stays in the XMP.
            EXPECT_TRUE(!sourceTags.count("Exif.GPSInfo.GPSProcessingMethod") ||
                        tags.count("Exif.GPSInfo.GPSProcessingMethod") ||
                        !tags["Xmp.exif.GPSProcessingMethod"].empty())
                << shown;
            EXPECT_EQ(LibtiffWarnings(output), 0) << shown;
        }
    }
    std::string files;
    for (const std::string& output : outputs)
        files += " '" + output + "'";
    FILE* pipe = popen(("exiftool -q -validate -warning -a" + files + " 2>&1").c_str(), "r");
    ASSERT_TRUE(pipe);
    std::string said;
    for (char line[512]; std::fgets(line, sizeof line, pipe);) {
        // TIFF readers ask for one of four words; a phone's "fused" is none of them.
        bool unnamedMethod = std::strstr(line, "Missing required TIFF GPS tag 0x001b") != nullptr;
        if (std::strncmp(line, "Validate", 8) != 0 && !unnamedMethod)
            said += line;
    }
    pclose(pipe);
    EXPECT_EQ(said, "");
}

} // namespace
} // namespace velmora::testing
